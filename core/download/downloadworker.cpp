#include "core/download/downloadworker.h"

#include "core/source/internet.h"
#include "core/source/webfetch.h"
#include "platform/files.h"

#include <QMetaObject>
#include <array>
#include <atomic>
#include <chrono>

namespace clipvane {

DownloadWorker::DownloadWorker(std::string url, std::string fileName, QObject* parent)
    : QThread(parent), m_url(std::move(url)), m_fileName(std::move(fileName))
{
    // Self-freeing: the object goes once its thread has really ended, joined,
    // not merely announced its end.
    connect(this, &QThread::finished, this, [this] {
        wait();
        deleteLater();
    });
}

void DownloadWorker::publishProgress()
{
    m_bytesShown = m_bytesDone;
    if (m_progressHandler)
        m_progressHandler();
}

void DownloadWorker::notifyDone()
{
    if (m_doneHandler)
        m_doneHandler();
}

// A call from the worker to the main thread, through one of two doors. The
// ordinary door is Qt's queue: the call is posted, the main thread runs it
// from its event loop (modal loops serve the queue too) and the worker waits.
// The quick door saves the main thread's wake-up: having run a call, the
// main thread lingers a few microseconds, and a call the worker hands over in
// that time runs at once, still on the main thread and still with the worker
// waiting. Either way the main thread sees every call, in order.
namespace {

enum Door : int
{
    Closed = 0, // the main thread is not lingering: post the call
    Open = 1,   // the main thread lingers and takes a call handed over
    Handed = 2, // a call waits for the lingering main thread
};

constexpr auto kSpinBeforeSleep = std::chrono::microseconds(200);

// Spins until `ready()` holds or `limit` has passed; the clock is read only
// now and then, as reading it can cost more than a turn of the loop.
template <class Ready> bool spinFor(std::chrono::microseconds limit, Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    for (unsigned turn = 1;; ++turn) {
        if (ready())
            return true;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (turn % 64 == 0 && std::chrono::steady_clock::now() >= until)
            return ready();
    }
}
constexpr auto kLinger = std::chrono::microseconds(100);
constexpr auto kLongestLingering = std::chrono::milliseconds(5);

} // namespace

bool DownloadWorker::runOnMainThread(void (DownloadWorker::*method)())
{
    try {
        (this->*method)();
        return true;
    } catch (...) {
        return false; // not shown: it only ends this download
    }
}

void DownloadWorker::lingerForCalls()
{
    // Bounded, so ticks, repaints and input still come in between.
    const auto giveUp = std::chrono::steady_clock::now() + kLongestLingering;
    while (std::chrono::steady_clock::now() < giveUp) {
        int expected = Closed;
        if (!m_door.compare_exchange_strong(expected, Open, std::memory_order_acq_rel))
            return;
        spinFor(kLinger, [this] { return m_door.load(std::memory_order_acquire) != Open; });
        expected = Open;
        if (m_door.compare_exchange_strong(expected, Closed, std::memory_order_acq_rel))
            return; // nothing came
        // A call was handed over (the door says Handed): run it here.
        m_handedResult = runOnMainThread(m_handedMethod);
        m_door.store(Closed, std::memory_order_release);
        m_handedDone.store(true, std::memory_order_release);
        m_handedDone.notify_one();
    }
}

bool DownloadWorker::synchronize(void (DownloadWorker::*method)())
{
    // The quick door, when the main thread lingers.
    int expected = Open;
    m_handedMethod = method;
    m_handedDone.store(false, std::memory_order_relaxed);
    if (m_door.compare_exchange_strong(expected, Handed, std::memory_order_acq_rel)) {
        // Spin for the usual quick answer; a long call (the end of the
        // download starts the conversion) is waited for asleep.
        spinFor(kSpinBeforeSleep, [this] { return m_handedDone.load(std::memory_order_acquire); });
        while (!m_handedDone.load(std::memory_order_acquire))
            m_handedDone.wait(false, std::memory_order_acquire);
        return m_handedResult;
    }

    // The ordinary door: Qt's queue carries only the member to call, no
    // object of ours; the wait spins briefly before it sleeps: a call comes
    // back within microseconds, and a sleep would cost more than it.
    m_queuedMethod = method;
    m_queuedDone.store(false, std::memory_order_relaxed);
    // Everything this thread wrote so far is published with the ticket, and
    // the main thread takes the ticket before it runs the call.
    m_queuedTicket.fetch_add(1, std::memory_order_release);
    QMetaObject::invokeMethod(this, &DownloadWorker::runQueuedCall, Qt::QueuedConnection);
    spinFor(kSpinBeforeSleep, [this] { return m_queuedDone.load(std::memory_order_acquire); });
    // Taking the lock also waits until the main thread has let go of it.
    std::unique_lock lock(m_queuedMutex);
    m_queuedFinished.wait(lock, [this] { return m_queuedDone.load(std::memory_order_acquire); });
    return m_queuedResult;
}

void DownloadWorker::runQueuedCall()
{
    (void)m_queuedTicket.load(std::memory_order_acquire);
    m_queuedResult = runOnMainThread(m_queuedMethod);
    {
        std::lock_guard lock(m_queuedMutex);
        m_queuedDone.store(true, std::memory_order_release);
        m_queuedFinished.notify_one();
    }
    lingerForCalls();
}

void DownloadWorker::run()
{
    m_stopRequested = 0;
    platform::ExclusiveFile file;
    const std::string createError = file.create(m_fileName);
    if (!createError.empty()) {
        m_failed = true;
        m_failureReason = createError;
        synchronize(&DownloadWorker::notifyDone);
        return;
    }

    m_bytesDone = 0;
    bool published = synchronize(&DownloadWorker::publishProgress);

    if (published) {
        const InternetSession session(kBrowserAgent);
        const auto request = InternetRequest::Open(session, m_url, kAcceptAnything);
        std::array<char, kReadChunkBytes> chunk{};
        for (;;) {
            const std::size_t count = request ? request->Read(chunk.data(), chunk.size()) : 0;
            m_bytesDone = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_bytesDone) +
                                                    static_cast<std::uint32_t>(count));
            if (count > 0) {
                const std::string writeError = file.write(chunk.data(), count);
                if (!writeError.empty()) {
                    // A short write (a full disk) must never pass for a whole download.
                    m_failed = true;
                    m_failureReason = writeError;
                }
            }
            published = synchronize(&DownloadWorker::publishProgress);
            if (!published || count == 0 || m_stopRequested == 1 || m_failed)
                break;
        }
    }
    if (const std::string closeError = file.close(); !closeError.empty() && !m_failed) {
        m_failed = true;
        m_failureReason = closeError;
    }
    // The end is delivered exactly once, whatever happened before it.
    synchronize(&DownloadWorker::notifyDone);
}

} // namespace clipvane

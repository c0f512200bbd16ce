#include "download/httpthread.h"

#include "platform/files.h"
#include "source/internet.h"
#include "source/webfetch.h"

#include <QMetaObject>

#include <array>
#include <condition_variable>
#include <mutex>

namespace clipvane {

THTTPThread::THTTPThread(QObject* parent) : QThread(parent)
{
    // Self-freeing: the object goes once its thread has really ended, joined,
    // not merely announced its end.
    connect(this, &QThread::finished, this, [this] {
        wait();
        deleteLater();
    });
}

void THTTPThread::PublishProgress()
{
    BytesShown = BytesDone;
    if (ProgressHandler)
        ProgressHandler();
}

void THTTPThread::NotifyDone()
{
    if (DoneHandler)
        DoneHandler();
}

bool THTTPThread::synchronize(void (THTTPThread::*method)())
{
    // The call is queued to the main thread (the object lives there, and
    // modal loops serve the queue as well) and this thread waits for it. The
    // hand-over goes through a mutex of our own too, so everything each side
    // wrote before it is plainly ordered before the other side reads it.
    std::mutex handOver;
    std::condition_variable finished;
    bool done = false;
    bool raised = false;
    std::unique_lock lock(handOver);
    QMetaObject::invokeMethod(
        this,
        [&, method] {
            std::unique_lock inner(handOver);
            try {
                (this->*method)();
            } catch (...) {
                raised = true; // not shown: it only ends this download
            }
            done = true;
            finished.notify_one();
        },
        Qt::QueuedConnection);
    finished.wait(lock, [&] { return done; });
    return !raised;
}

void THTTPThread::run()
{
    StopRequested = 0;
    platform::ExclusiveFile file;
    const std::string createError = file.create(FileName);
    if (!createError.empty()) {
        Failed = true;
        FailureReason = createError;
        synchronize(&THTTPThread::NotifyDone);
        return;
    }

    BytesDone = 0;
    bool published = synchronize(&THTTPThread::PublishProgress);

    if (published) {
        const InternetSession session(kBrowserAgent);
        const auto request = InternetRequest::Open(session, Url, kAcceptAnything);
        std::array<char, kReadChunkBytes> chunk {};
        for (;;) {
            const std::size_t count = request ? request->Read(chunk.data(), chunk.size()) : 0;
            BytesDone = static_cast<std::int32_t>(static_cast<std::uint32_t>(BytesDone) +
                                                  static_cast<std::uint32_t>(count));
            if (count > 0) {
                const std::string writeError = file.write(chunk.data(), count);
                if (!writeError.empty()) {
                    // A short write (a full disk) must never pass for a whole download.
                    Failed = true;
                    FailureReason = writeError;
                }
            }
            published = synchronize(&THTTPThread::PublishProgress);
            if (!published || count == 0 || StopRequested == 1 || Failed)
                break;
        }
    }
    file.close();
    // The end is delivered exactly once, whatever happened before it.
    synchronize(&THTTPThread::NotifyDone);
}

} // namespace clipvane

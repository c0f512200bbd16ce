#include "core/source/resolutionworker.h"

#include <QPointer>

namespace clipvane {

// Hands each milestone to the worker's own thread; a worker destroyed in
// the meantime takes what is still queued with it.
class ResolutionWorker::Relay : public ResolutionProgress
{
public:
    explicit Relay(ResolutionWorker& worker) : m_worker(worker) {}

    void connectionChecked() override
    {
        post([](ResolutionWorker& w) { emit w.connectionChecked(); });
    }
    void linkLookedUp(const std::optional<std::string>& title) override
    {
        post([title](ResolutionWorker& w) { emit w.linkLookedUp(title); });
    }
    void lengthQueryStarting() override
    {
        post([](ResolutionWorker& w) { emit w.lengthQueryStarting(); });
    }

    void post(Milestone call) { m_worker.queue(std::move(call)); }

private:
    ResolutionWorker& m_worker;
};

ResolutionWorker::ResolutionWorker(ClipSource& source) : m_source(source)
{
    connect(this, &ResolutionWorker::milestonesWaiting, this, &ResolutionWorker::deliverWaiting,
            Qt::QueuedConnection);
}

void ResolutionWorker::queue(Milestone milestone)
{
    bool wasEmpty = false;
    {
        const std::lock_guard<std::mutex> lock(m_waitingLock);
        wasEmpty = m_waiting.empty();
        m_waiting.push_back(std::move(milestone));
    }
    // One wake-up for a run of milestones: the delivery takes them all.
    if (wasEmpty)
        emit milestonesWaiting(QPrivateSignal());
}

void ResolutionWorker::deliverWaiting()
{
    std::vector<Milestone> waiting;
    {
        const std::lock_guard<std::mutex> lock(m_waitingLock);
        waiting.swap(m_waiting);
    }
    // A receiver may end this worker's life from inside a milestone; what
    // would have followed goes with it, as queued calls to a deleted object do.
    const QPointer<ResolutionWorker> alive(this);
    for (const Milestone& milestone : waiting) {
        if (!alive)
            return;
        milestone(*this);
    }
}

ResolutionWorker::~ResolutionWorker()
{
    stop();
    join();
}

void ResolutionWorker::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void ResolutionWorker::start(const std::string& pageAddress)
{
    join(); // the previous one has said its result: its thread is ending or gone
    m_stop = std::make_unique<StopFlag>(0);
    m_running = true;
    StopFlag* stop = m_stop.get();
    m_thread = std::thread([this, pageAddress, stop] {
        Relay relay(*this);
        Resolution result;
        try {
            result = m_source.resolve(pageAddress, relay, *stop);
        } catch (const std::exception& e) {
            result.failure = ResolveFailure::Unexpected;
            result.message = e.what();
        }
        relay.post([result](ResolutionWorker& w) {
            w.m_running = false;
            emit w.resolved(result);
        });
    });
}

void ResolutionWorker::stop()
{
    if (m_stop)
        m_stop->store(1);
}

} // namespace clipvane

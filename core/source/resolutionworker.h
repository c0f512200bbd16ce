#pragma once

#include "core/source/clipsource.h"

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace clipvane {

// Resolves one page on a thread of its own, so that the window thread never
// waits for the network. The clip source's milestones and its result come
// back as signals on the thread this object lives on, in the order they
// happened. One resolution at a time; the source is used by that thread only
// until `resolved` has been emitted.
class ResolutionWorker : public QObject
{
    Q_OBJECT
public:
    explicit ResolutionWorker(ClipSource& source);
    // Stops a resolution still running and waits for its thread.
    ~ResolutionWorker() override;
    ResolutionWorker(const ResolutionWorker&) = delete;
    ResolutionWorker& operator=(const ResolutionWorker&) = delete;

    void start(const std::string& pageAddress);
    // The request in flight ends at once; `resolved` still comes, soon.
    void stop();
    bool running() const { return m_running; }

signals:
    void connectionChecked();
    void linkLookedUp(const std::optional<std::string>& title);
    void lengthQueryStarting();
    void resolved(const clipvane::Resolution& resolution);
    // The resolution thread has queued milestones; carries no data of its own.
    void milestonesWaiting(QPrivateSignal);

private:
    class Relay;
    using Milestone = std::function<void(ResolutionWorker&)>;

    void join();
    void queue(Milestone milestone);
    void deliverWaiting();

    ClipSource& m_source;
    std::thread m_thread;
    std::unique_ptr<StopFlag> m_stop;
    bool m_running = false;
    // Milestones go from the resolution thread to this one through our own
    // lock rather than inside Qt's queued calls, so the hand-over of the
    // values they carry is one the thread checker can see.
    std::mutex m_waitingLock;
    std::vector<Milestone> m_waiting;
};

} // namespace clipvane

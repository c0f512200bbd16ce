#pragma once

#include "core/conversion/mediaplan.h"
#include "platform/result.h"

#include <QObject>
#include <QTimer>
#include <string>

class QProcess;

namespace clipvane {

// Asks ffprobe what a media file holds, without waiting: the answer comes
// by signal. One question at a time; a new one forgets the old.
class MediaProbe : public QObject
{
    Q_OBJECT
public:
    MediaProbe();
    ~MediaProbe() override;
    MediaProbe(const MediaProbe&) = delete;
    MediaProbe& operator=(const MediaProbe&) = delete;

    void start(const std::string& file);
    // The question is withdrawn; no answer comes.
    void stop();
    bool running() const { return m_process != nullptr; }

signals:
    // Fails when ffprobe cannot read the file (or cannot be run, or takes
    // far too long).
    void probed(const clipvane::Result<clipvane::MediaStreams>& result);

private:
    void finish(bool ranWell);
    void forget();

    QProcess* m_process = nullptr;
    QTimer m_limit;
};

} // namespace clipvane

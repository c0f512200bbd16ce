#include "core/conversion/mediaprobe.h"

#include "platform/process.h"

#include <QProcess>
#include <QStringList>

namespace clipvane {

namespace {

// A probe reads headers and, at worst, every packet of one file.
constexpr int kLongestProbeMs = 120000;

} // namespace

MediaProbe::MediaProbe()
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(kLongestProbeMs);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(false); });
}

MediaProbe::~MediaProbe()
{
    forget();
}

void MediaProbe::forget()
{
    m_limit.stop();
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        platform::KillProcessGroup(m_process->processId());
        connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
        m_process->setParent(nullptr); // reaped once it has gone, whoever we are by then
    } else {
        m_process->deleteLater();
    }
    m_process = nullptr;
}

void MediaProbe::start(const std::string& file)
{
    forget();
    const std::vector<std::string> command = MediaProbeArguments(file);
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i)
        arguments << QString::fromLocal8Bit(command[i].data(),
                                            static_cast<qsizetype>(command[i].size()));
    m_process = new QProcess(this);
    m_process->setStandardInputFile(QProcess::nullDevice());
    const std::int64_t parent = platform::CurrentProcessId();
    m_process->setChildProcessModifier([parent] { platform::PrepareChildProcess(parent); });
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        finish(status == QProcess::NormalExit && code == 0);
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    m_limit.start();
    m_process->start(QString::fromStdString(command.front()), arguments, QIODevice::ReadOnly);
}

void MediaProbe::stop()
{
    forget();
}

void MediaProbe::finish(bool ranWell)
{
    if (!m_process)
        return;
    const std::string report = m_process->readAllStandardOutput().toStdString();
    forget();
    if (!ranWell) {
        emit probed(Failure{"the file cannot be read as video or sound"});
        return;
    }
    emit probed(ReadProbeReport(report));
}

} // namespace clipvane

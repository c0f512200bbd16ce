#include "core/conversion/converterrunner.h"

#include "core/conversion/commandline.h"
#include "core/conversion/consoleoutput.h"
#include "platform/process.h"

#include <QStringList>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>

namespace clipvane {

namespace {

constexpr std::string_view kDurationMarker = "Duration: ";
constexpr std::string_view kUnknownFormat = "Unknown format";
constexpr int kSilenceLimitMilliseconds = 60000;
// A converter may print warnings without end; what lies between the start
// (the input description) and the latest lines matters to nobody.
constexpr std::size_t kLongestOutput = std::size_t{1024} * 1024;
constexpr std::size_t kKeptHead = std::size_t{256} * 1024;
constexpr std::size_t kKeptTail = std::size_t{256} * 1024;

constexpr const char* kCannotStart = "CreateProcess error!";

QString local(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

ConverterRunner::ConverterRunner()
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(kSilenceLimitMilliseconds);
    connect(&m_silence, &QTimer::timeout, this, &ConverterRunner::silenceReached);
}

ConverterRunner::~ConverterRunner()
{
    // A converter still at work when the program ends goes with it.
    if (m_process && m_process->state() != QProcess::NotRunning) {
        platform::KillProcessGroup(m_processId);
        m_process->waitForFinished(5000);
    }
}

void ConverterRunner::setSilenceLimit(int milliseconds)
{
    m_silence.setInterval(milliseconds);
}

void ConverterRunner::start(const std::string& commandLine)
{
    const std::vector<std::string> parts = SplitCommandLine(commandLine);
    m_commandLine = commandLine;
    launch(parts.empty() ? std::string() : parts.front(),
           parts.empty() ? std::vector<std::string>() : std::vector(parts.begin() + 1, parts.end()),
           false);
}

void ConverterRunner::startWithProgress(const std::string& program,
                                        const std::vector<std::string>& arguments)
{
    m_commandLine = program;
    for (const std::string& argument : arguments)
        m_commandLine += " " + CommandLinePath(argument);
    launch(program, arguments, true);
}

void ConverterRunner::launch(const std::string& program, const std::vector<std::string>& arguments,
                             bool withProgress)
{
    if (m_process) {
        if (m_process->state() != QProcess::NotRunning)
            platform::KillProcessGroup(m_processId);
        m_process->disconnect(this);
        // Reaped once it has gone; no signal of the old run reaches the new one.
        connect(m_process, &QProcess::finished, m_process, &QObject::deleteLater);
        if (m_process->state() == QProcess::NotRunning)
            m_process->deleteLater();
        m_process = nullptr;
    }
    m_output.clear();
    m_progressLine.clear();
    m_progressSeconds = 0;
    m_withProgress = withProgress;
    m_processId = 0;
    m_exitCode = 0;
    m_started = m_described = m_finished = m_endSaid = m_stoppedByRunner = false;

    if (program.empty()) {
        m_finished = true;
        emit failedToStart(kCannotStart);
        return;
    }
    QStringList qArguments;
    for (const std::string& argument : arguments)
        qArguments << local(argument);

    m_process = new QProcess(this);
    m_process->setProcessChannelMode(withProgress ? QProcess::SeparateChannels
                                                  : QProcess::MergedChannels);
    // The converter's question whether to overwrite gets no answer.
    m_process->setStandardInputFile(QProcess::nullDevice());
    const std::int64_t parent = platform::CurrentProcessId();
    m_process->setChildProcessModifier([parent] { platform::PrepareChildProcess(parent); });
    if (withProgress) {
        connect(m_process, &QProcess::readyReadStandardOutput, this,
                &ConverterRunner::takeProgress);
        connect(m_process, &QProcess::readyReadStandardError, this, &ConverterRunner::takeErrors);
    } else {
        connect(m_process, &QProcess::readyRead, this, &ConverterRunner::takeOutput);
    }
    connect(m_process, &QProcess::finished, this, &ConverterRunner::processEnded);
    connect(m_process, &QProcess::errorOccurred, this, &ConverterRunner::processError);

    m_process->start(local(program), qArguments, QIODevice::ReadOnly);
    if (m_process->state() == QProcess::NotRunning) {
        // Said already by errorOccurred when the start failed on the spot.
        return;
    }
    m_started = true;
    m_processId = m_process->processId();
    m_silence.start();
    if (withProgress) // the duration came from elsewhere
        QTimer::singleShot(0, this, [this] { noteDescribed(); });
}

void ConverterRunner::takeProgress()
{
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (bytes.isEmpty())
        return;
    if (!m_finished)
        m_silence.start();
    m_progressLine.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::size_t start = 0;
    for (std::size_t end; (end = m_progressLine.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string_view line(m_progressLine.data() + start, end - start);
        constexpr std::string_view kTime = "out_time_us=";
        if (line.substr(0, kTime.size()) != kTime)
            continue;
        // "N/A" before the first frame; a time never goes back.
        const std::string digits(line.substr(kTime.size()));
        char* stop = nullptr;
        const long long microseconds = std::strtoll(digits.c_str(), &stop, 10);
        if (stop != digits.c_str() && microseconds >= 0)
            m_progressSeconds = std::max<std::int32_t>(
                m_progressSeconds,
                static_cast<std::int32_t>(std::min<long long>(microseconds / 1000000, INT32_MAX)));
    }
    m_progressLine.erase(0, start);
    if (m_progressLine.size() > 4096)
        m_progressLine.clear(); // no progress line is this long
}

void ConverterRunner::takeErrors()
{
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAllStandardError();
    if (!m_finished && !bytes.isEmpty())
        m_silence.start();
    m_output.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (m_output.size() > kLongestOutput)
        m_output.erase(kKeptHead, m_output.size() - kKeptHead - kKeptTail);
}

void ConverterRunner::takeOutput()
{
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAll();
    if (bytes.isEmpty())
        return;
    if (!m_finished)
        m_silence.start();
    std::string chunk(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    // The console text is searched as text: a NUL must not end it early.
    for (char& c : chunk)
        if (c == '\0')
            c = ' ';
    m_output += chunk;
    if (m_output.size() > kLongestOutput)
        m_output.erase(kKeptHead, m_output.size() - kKeptHead - kKeptTail);

    // The wait ends at an input the converter cannot identify, or once the
    // whole duration line is there: the marker alone may arrive before its value.
    if (!m_described) {
        const auto marker = m_output.find(kDurationMarker);
        if (m_output.find(kUnknownFormat) != std::string::npos ||
            (marker != std::string::npos && m_output.find('\n', marker) != std::string::npos))
            noteDescribed();
    }
}

void ConverterRunner::noteDescribed()
{
    if (m_described)
        return;
    m_described = true;
    emit inputDescribed();
}

void ConverterRunner::processEnded(int exitCode, QProcess::ExitStatus status)
{
    if (m_withProgress) {
        takeProgress();
        takeErrors();
    } else {
        takeOutput();
    }
    m_silence.stop();
    m_exitCode = status == QProcess::NormalExit ? exitCode : 128 + exitCode;
    m_finished = true;
    if (m_endSaid)
        return;
    m_endSaid = true;
    noteDescribed();
    emit ended();
}

void ConverterRunner::processError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || m_endSaid)
        return;
    m_silence.stop();
    m_started = false;
    m_finished = m_endSaid = true;
    emit failedToStart(kCannotStart);
}

void ConverterRunner::silenceReached()
{
    if (m_finished)
        return;
    // A converter that hangs must not hold the job, or a batch, for ever.
    m_stoppedByRunner = true;
    stop();
}

void ConverterRunner::stop()
{
    m_silence.stop();
    if (m_process && m_process->state() != QProcess::NotRunning)
        platform::KillProcessGroup(m_processId);
    m_finished = true;
}

std::string ConverterRunner::duration() const
{
    return DurationText(m_output);
}

std::int32_t ConverterRunner::timeSeconds() const
{
    return m_withProgress ? m_progressSeconds : EncodedSeconds(m_output);
}

} // namespace clipvane

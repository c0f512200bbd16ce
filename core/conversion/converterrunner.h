#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

namespace clipvane {

// Runs the converter as a hidden child and reads the time encoded so far
// out of what it prints: the old converter's console (its standard output
// and error as one stream, the duration line, "time=") for the adapter, or
// ffmpeg's own "key=value" progress on its standard output, its errors
// apart, for the other formats. Nothing here waits: what the
// converter says arrives through the event loop, and the runner says so by
// signal. The converter and whatever it starts run in a process group of
// their own, stopped together, and end when this program ends.
class ConverterRunner : public QObject
{
    Q_OBJECT
public:
    ConverterRunner();
    ~ConverterRunner() override;
    ConverterRunner(const ConverterRunner&) = delete;
    ConverterRunner& operator=(const ConverterRunner&) = delete;

    // A converter that prints nothing for this long, at any time, is stopped
    // and its run counts as failed (stoppedByRunner).
    void setSilenceLimit(int milliseconds);

    // Starts the converter of `commandLine`, split by the Windows rules, and
    // reads the old console. A run still going is stopped first.
    void start(const std::string& commandLine);
    // Starts ffmpeg (or a program that speaks as it does with "-progress
    // pipe:1") and reads its progress. The source's duration is known from
    // elsewhere, so the run counts as described at once.
    void startWithProgress(const std::string& program, const std::vector<std::string>& arguments);
    // Ends the converter's whole process group at once; finished() holds
    // from here on, and `ended` follows once the system has taken it back.
    void stop();

    std::string duration() const;     // the duration text of the output so far
    std::int32_t timeSeconds() const; // the encoded time; raises for a bad console text

    bool started() const { return m_started; }
    // The whole duration line has been printed (or "Unknown format", or the
    // converter ended first).
    bool isDescribed() const { return m_described; }
    bool finished() const { return m_finished; }
    // The converter's exit status; 128 plus the signal for one that was killed.
    int exitCode() const { return m_exitCode; }
    // Set when the runner itself gave up on a silent converter: the run did
    // not end on its own, whatever is in its output file.
    bool stoppedByRunner() const { return m_stoppedByRunner; }
    // What it printed: the whole console, or the errors of a progress run.
    const std::string& output() const { return m_output; }
    const std::string& commandLine() const { return m_commandLine; }
    std::int64_t processId() const { return m_processId; }

signals:
    // The clip's duration can be read (see isDescribed); once a run.
    void inputDescribed();
    // The run is over and everything the converter printed has been read;
    // once a run, after inputDescribed.
    void ended();
    // The converter program could not be started at all.
    void failedToStart(const std::string& message);

private:
    void launch(const std::string& program, const std::vector<std::string>& arguments,
                bool withProgress);
    void takeOutput();
    void takeProgress();
    void takeErrors();
    void noteDescribed();
    void processEnded(int exitCode, QProcess::ExitStatus status);
    void processError(QProcess::ProcessError error);
    void silenceReached();

    QProcess* m_process = nullptr;
    QTimer m_silence;
    std::string m_commandLine;
    std::string m_output;
    std::int64_t m_processId = 0;
    bool m_withProgress = false;
    std::string m_progressLine; // a "key=value" line not yet whole
    std::int32_t m_progressSeconds = 0;
    int m_exitCode = 0;
    bool m_started = false;
    bool m_described = false;
    bool m_finished = false;
    bool m_endSaid = false;
    bool m_stoppedByRunner = false;
};

} // namespace clipvane

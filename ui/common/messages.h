#pragma once

#include <QString>
#include <string>
#include <vector>

class QWidget;

// Every box the program shows goes through here, so tests can read what was
// shown instead of facing a modal window.
namespace clipvane {

enum class BoxIcon
{
    None,
    Stop,
};

struct ShownBox
{
    QString caption;
    QString text;
    BoxIcon icon = BoxIcon::None;
};

// The program's message: the text, OK, no icon, the application title.
void ShowMessage(const std::string& text);

// The standard exception report: the message with the period rule, a stop
// icon, OK, the application title.
void ShowExceptionReport(const std::string& message);

// The folder chooser's error box: a stop icon, OK only.
void ShowErrorBox(const std::string& text);

// A period is appended when the last character's code lies above that of the
// period, so texts ending in "." or ")" stay as they are.
std::string WithReportPeriod(const std::string& message);

// Test seam: while recording, boxes are stored instead of shown.
class MessageBoxRecorder
{
public:
    static void start();
    static void stop();
    static bool recording();
    static std::vector<ShownBox> take();
};

} // namespace clipvane

#include "ui/common/messages.h"

#include "ui/common/apptitle.h"

#include <QApplication>
#include <QMessageBox>

namespace clipvane {

namespace {

bool g_recording = false;
std::vector<ShownBox> g_recorded;

void show(const QString& caption, const std::string& text, BoxIcon icon)
{
    ShownBox box{caption, QString::fromStdString(text), icon};
    if (g_recording) {
        g_recorded.push_back(box);
        return;
    }
    QMessageBox dialog(icon == BoxIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                       box.caption, box.text, QMessageBox::Ok, QApplication::activeWindow());
    dialog.setTextFormat(Qt::PlainText);
    dialog.exec();
}

} // namespace

std::string WithReportPeriod(const std::string& message)
{
    if (!message.empty() &&
        static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

void ShowMessage(const std::string& text)
{
    show(QString::fromLatin1(kApplicationTitle), text, BoxIcon::None);
}

void ShowExceptionReport(const std::string& message)
{
    show(QString::fromLatin1(kApplicationTitle), WithReportPeriod(message), BoxIcon::Stop);
}

void ShowErrorBox(const std::string& text)
{
    show(QString::fromLatin1(kApplicationTitle), text, BoxIcon::Stop);
}

void MessageBoxRecorder::start()
{
    g_recording = true;
    g_recorded.clear();
}

void MessageBoxRecorder::stop()
{
    g_recording = false;
    g_recorded.clear();
}

bool MessageBoxRecorder::recording()
{
    return g_recording;
}

std::vector<ShownBox> MessageBoxRecorder::take()
{
    std::vector<ShownBox> boxes;
    boxes.swap(g_recorded);
    return boxes;
}

} // namespace clipvane

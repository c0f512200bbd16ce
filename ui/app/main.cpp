#include "platform/singleinstance.h"
#include "ui/app/programwindows.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/skin/skin.h"

#include <QApplication>
#include <memory>

int main(int argc, char* argv[])
{
    // A second start ends silently and leaves the running instance alone.
    clipvane::platform::SingleInstance instance("clipvane");
    if (!instance.acquired())
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clipvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    clipvane::ApplySkin(app);

    auto windows = std::make_unique<clipvane::ProgramWindows>();
    windows->mainWindow->show();
    const int result = QApplication::exec();

    // The guard goes before the windows: the settings are written after it.
    instance.release();
    windows.reset();
    return result;
}

#include "platform/folders.h"
#include "support/testenv.h"
#include "ui/common/messages.h"
#include "ui/skin/skin.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

void setEnv(const char* name, const QString& value)
{
    ::setenv(name, QFile::encodeName(value).constData(), 1);
}

} // namespace

int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);

    // The user's folders must be the test's own before Qt first reads them.
    const QString root = clipvane::test::TestRoot();
    // Open to others, so a test can act as another user inside it.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    const QString home = root + QStringLiteral("/home");
    QDir().mkpath(home + QStringLiteral("/Desktop"));
    QDir().mkpath(root + QStringLiteral("/runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setEnv("HOME", home);
    setEnv("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    setEnv("XDG_CACHE_HOME", home + QStringLiteral("/.cache"));
    setEnv("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    setEnv("XDG_RUNTIME_DIR", root + QStringLiteral("/runtime"));
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    clipvane::ApplySkin(app);
    // The picture plugins are loaded now, before any test starts a thread.
    (void)QImageReader::supportedImageFormats();

    const QString beside = root + QStringLiteral("/program");
    QDir().mkpath(beside);
    clipvane::platform::SetExecutableFolderForTests(QFile::encodeName(beside).toStdString());
    clipvane::MessageBoxRecorder::start();

    return RUN_ALL_TESTS();
}

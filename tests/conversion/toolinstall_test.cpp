#include "core/conversion/toolinstall.h"
#include "core/job/jobstartup.h"
#include "platform/folders.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace clipvane {
namespace {

std::string Resource()
{
    QFile file(QStringLiteral(":/converter/nnn"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

TEST(ToolInstall, WritesTheAdapterOnceAndNeverReplacesIt)
{
    const std::string folder = ConverterToolFolder();
    const std::string tool = folder + "nnn.exe";
    const QString toolPath = QFile::decodeName(QByteArray::fromStdString(tool));
    QFile::remove(toolPath);
    ASSERT_GT(Resource().size(), 1000u);

    EXPECT_EQ(InstallConverterTool(), folder);
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(test::ReadFile(toolPath), Resource());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(tool.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // A converter the user put there stays as it is.
    test::WriteFile(toolPath, "#!/bin/sh\necho mine\n");
    InstallConverterTool();
    EXPECT_EQ(test::ReadFile(toolPath), "#!/bin/sh\necho mine\n");

    // A folder left without its converter gets it back.
    QFile::remove(toolPath);
    InstallConverterTool();
    EXPECT_EQ(test::ReadFile(toolPath), Resource());
}

TEST(ToolInstall, AnUnwritableToolFileIsRaised)
{
    InstallConverterTool();
    const std::string tool = ConverterToolFolder() + "nnn.exe";
    const QString toolPath = QFile::decodeName(QByteArray::fromStdString(tool));
    QFile::remove(toolPath);
    // A dangling link where the file goes: it is not followed, so writing fails.
    ASSERT_EQ(::symlink("/nonexistent/target", tool.c_str()), 0);
    try {
        InstallConverterTool();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + tool + "\". ", 0), 0u)
            << e.what();
    }
    ::unlink(tool.c_str());
    InstallConverterTool();
    EXPECT_EQ(test::ReadFile(toolPath), Resource());
}

} // namespace
} // namespace clipvane

#include "core/conversion/toolinstall.h"
#include "platform/folders.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane {
namespace {

std::string Resource()
{
    QFile file(QStringLiteral(":/converter/nnn"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

class ToolInstall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_GT(Resource().size(), 1000u);
        ASSERT_TRUE(InstallConverterTool().ok()); // the folder is there
        QFile::remove(m_toolPath);
    }
    void TearDown() override
    {
        QFile::remove(m_toolPath);
        QDir().rmdir(m_toolPath);
        EXPECT_TRUE(InstallConverterTool().ok());
    }

    void put(const std::string& bytes)
    {
        QFile::remove(m_toolPath);
        test::WriteFile(m_toolPath, bytes);
        QFile::setPermissions(m_toolPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ino_t inode() const
    {
        struct stat st
        {
        };
        return ::lstat(m_tool.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    // No temporary file of an install stays behind in the folder.
    QStringList leftovers() const
    {
        return QDir(QFile::decodeName(QByteArray::fromStdString(m_folder)))
            .entryList({QStringLiteral("nnn.exe.*")}, QDir::Files | QDir::Hidden);
    }

    const std::string m_folder = ConverterToolFolder();
    const std::string m_tool = m_folder + "nnn.exe";
    const QString m_toolPath = QFile::decodeName(QByteArray::fromStdString(m_tool));
};

TEST_F(ToolInstall, WritesTheAdapterExecutableAndKeepsAnUpToDateOne)
{
    EXPECT_EQ(InstallConverterTool().value(), m_folder);
    EXPECT_EQ(m_folder.back(), '/');
    EXPECT_EQ(test::ReadFile(m_toolPath), Resource());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(m_tool.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(InstalledAdapterVersion(m_tool), CLIPVANE_ADAPTER_VERSION);

    const ino_t first = inode();
    ASSERT_TRUE(InstallConverterTool().ok());
    EXPECT_EQ(inode(), first) << "an adapter that is up to date is not written again";
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(QLatin1Char(' ')).toStdString();
}

TEST_F(ToolInstall, WhatIsReplacedAndWhatIsLeftAlone)
{
    const std::string adapter = Resource();
    const struct
    {
        const char* name;
        std::string installed;
        bool replaced;
    } cases[] = {
        {"an empty file", "", true},
        {"a copy cut short", adapter.substr(0, adapter.size() / 3), true},
        {"all but the last byte", adapter.substr(0, adapter.size() - 1), true},
        {"an adapter from before the version query",
         "#!/bin/sh\necho 'nnn.exe, the Clipvane converter adapter: converting with ffmpeg'\n"
         "echo \"unrecognized option '$1'\"\nexit 1\n",
         true},
        {"an older adapter", "#!/bin/sh\necho 'clipvane-nnn-adapter 1'\n", true},
        {"a newer adapter", "#!/bin/sh\necho 'clipvane-nnn-adapter 999'\n", false},
        {"a converter of the user's own", "#!/bin/sh\necho mine\n", false},
        {"one that hangs when asked", "#!/bin/sh\nexec sleep 600\n", false},
        {"not a program at all", "just some text\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.installed);
        EXPECT_EQ(ToolNeedsWriting(m_tool, adapter), c.replaced);
        EXPECT_TRUE(InstallConverterTool().ok());
        EXPECT_EQ(test::ReadFile(m_toolPath), c.replaced ? adapter : c.installed);
        EXPECT_TRUE(leftovers().isEmpty());
    }
}

TEST_F(ToolInstall, ALinkIsReplacedNeverFollowed)
{
    const QString target =
        test::NewFolder(QStringLiteral("linktarget")) + QStringLiteral("/target");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), m_tool.c_str()), 0);
    EXPECT_TRUE(InstallConverterTool().ok());
    EXPECT_FALSE(QFile::exists(target)) << "the link was followed";
    EXPECT_FALSE(QFileInfo(m_toolPath).isSymLink());
    EXPECT_EQ(test::ReadFile(m_toolPath), Resource());
}

TEST_F(ToolInstall, AToolThatCannotBeWrittenSaysWhy)
{
    // A folder where the converter belongs.
    ASSERT_TRUE(QDir().mkpath(m_toolPath));
    const Result<std::string> installed = InstallConverterTool();
    ASSERT_FALSE(installed.ok());
    EXPECT_EQ(installed.failure().text.rfind("Cannot create file \"" + m_tool + "\". ", 0), 0u)
        << installed.failure().text;
    EXPECT_EQ(installed.failure().errorNumber, EISDIR);
    EXPECT_TRUE(leftovers().isEmpty());
}

} // namespace
} // namespace clipvane

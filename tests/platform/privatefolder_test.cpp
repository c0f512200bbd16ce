#include "platform/folders.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane::platform {
namespace {

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

mode_t ModeOf(const std::string& path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(PrivateFolder, IsCreatedWithParentsAndTightenedToOwnerOnly)
{
    const std::string base = Bytes(test::NewFolder(QStringLiteral("private")));
    const std::string fresh = base + "/cache/deeper/temp/";
    EXPECT_TRUE(PreparePrivateFolder(fresh).ok());
    EXPECT_TRUE(FolderExists(fresh));
    EXPECT_EQ(ModeOf(base + "/cache/deeper/temp"), 0700u);

    const std::string loose = base + "/loose/";
    ::mkdir(loose.c_str(), 0777);
    ::chmod(loose.c_str(), 0777);
    EXPECT_TRUE(PreparePrivateFolder(loose).ok());
    EXPECT_EQ(ModeOf(base + "/loose"), 0700u);
    // A second start finds it ready as it is.
    EXPECT_TRUE(PreparePrivateFolder(loose).ok());
}

TEST(PrivateFolder, RefusesALinkAFileAndAnotherUsersFolder)
{
    const std::string base = Bytes(test::NewFolder(QStringLiteral("unsafe")));
    const std::string target = base + "/elsewhere";
    ::mkdir(target.c_str(), 0700);

    const std::string link = base + "/link/";
    ASSERT_EQ(::symlink(target.c_str(), (base + "/link").c_str()), 0);
    EXPECT_NE(PreparePrivateFolder(link).errorText().find("is a symbolic link"), std::string::npos);

    const std::string file = base + "/file/";
    test::WriteFile(QFile::decodeName(QByteArray::fromStdString(base + "/file")), "x");
    EXPECT_NE(PreparePrivateFolder(file).errorText().find("is not a folder"), std::string::npos);

    if (!test::RunningAsRoot())
        GTEST_SKIP() << "handing a folder to another user needs root";
    const std::string foreign = base + "/foreign/";
    ::mkdir(foreign.c_str(), 0777);
    ::chmod(foreign.c_str(), 0777);
    ASSERT_EQ(::chown((base + "/foreign").c_str(), 65534, 65534), 0);
    const std::string problem = PreparePrivateFolder(foreign).errorText();
    EXPECT_NE(problem.find("belongs to another user"), std::string::npos) << problem;
    EXPECT_NE(problem.find(foreign), std::string::npos);
    EXPECT_EQ(ModeOf(base + "/foreign") & 0777, 0777u)
        << "another user's folder must be left alone";
}

} // namespace
} // namespace clipvane::platform

#include "core/base/error.h"
#include "core/settings/settingsfile.h"
#include "support/filesizelimit.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace clipvane {
namespace {

// Records what the file applied, in order.
class Recorder : public SettingsTarget
{
public:
    void setOutputFolder(const std::string& folder) override
    {
        applied.push_back("folder=" + folder);
    }
    void setTop(std::int32_t top) override { applied.push_back("top=" + std::to_string(top)); }
    void setLeft(std::int32_t left) override { applied.push_back("left=" + std::to_string(left)); }
    std::vector<std::string> applied;
};

struct ReadOutcome
{
    std::vector<std::string> applied;
    std::string error; // empty when the file was read without one
};

ReadOutcome Read(const std::string& path)
{
    ReadOutcome outcome;
    Recorder recorder;
    try {
        ApplySettingsFile(path, recorder);
    } catch (const Error& e) {
        outcome.error = e.what();
    }
    outcome.applied = recorder.applied;
    return outcome;
}

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

TEST(SettingsFile, RoundTripsWithCrLfAndNegativeEdges)
{
    const QString path = test::NewFolder(QStringLiteral("settings")) + QStringLiteral("/set.txt");
    WriteSettingsFile(Bytes(path), "/home/me/Videos/", -4, 1200);
    EXPECT_EQ(test::ReadFile(path), "/home/me/Videos/\r\n-4\r\n1200\r\n");

    const ReadOutcome outcome = Read(Bytes(path));
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.applied,
              (std::vector<std::string>{"folder=/home/me/Videos/", "top=-4", "left=1200"}));

    // A later write replaces the file whole.
    WriteSettingsFile(Bytes(path), "/", 0, 0);
    EXPECT_EQ(test::ReadFile(path), "/\r\n0\r\n0\r\n");
}

struct FileCase
{
    const char* name;
    std::string bytes;
    std::vector<std::string> applied;
    std::string error;
};

class SettingsFileTable : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(SettingsFileTable, AppliesTheLinesBeforeAnyFailure)
{
    const FileCase& c = GetParam();
    const QString path = test::NewFolder(QString::fromLatin1(c.name)) + QStringLiteral("/set.txt");
    test::WriteFile(path, c.bytes);
    const ReadOutcome outcome = Read(Bytes(path));
    EXPECT_EQ(outcome.applied, c.applied);
    EXPECT_EQ(outcome.error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFileTable,
    ::testing::Values(
        FileCase{"lf-and-extra-lines",
                 "/v/\n100\n200\nextra\n",
                 {"folder=/v/", "top=100", "left=200"},
                 ""},
        FileCase{"lone-cr", "/v/\r7\r$10", {"folder=/v/", "top=7", "left=16"}, ""},
        FileCase{"empty-file", "", {}, "List index out of bounds (0)"},
        FileCase{"folder-only", "/v/\r\n", {"folder=/v/"}, "List index out of bounds (1)"},
        FileCase{
            "no-left", "/v/\r\n5\r\n", {"folder=/v/", "top=5"}, "List index out of bounds (2)"},
        FileCase{"top-not-a-number",
                 "/v/\r\nabc\r\n200\r\n",
                 {"folder=/v/"},
                 "'abc' is not a valid integer value"},
        FileCase{"left-not-a-number",
                 "/v/\r\n1\r\n2x\r\n",
                 {"folder=/v/", "top=1"},
                 "'2x' is not a valid integer value"},
        FileCase{
            "empty-top", "/v/\r\n\r\n3\r\n", {"folder=/v/"}, "'' is not a valid integer value"}),
    [](const ::testing::TestParamInfo<FileCase>& param) {
        std::string name = param.param.name;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

TEST(SettingsFile, MissingFileOrFolderInItsPlaceAppliesNothing)
{
    const QString folder = test::NewFolder(QStringLiteral("missing"));
    EXPECT_EQ(Read(Bytes(folder + QStringLiteral("/set.txt"))).applied.size(), 0u);
    QDir(folder).mkdir(QStringLiteral("set.txt"));
    const ReadOutcome outcome = Read(Bytes(folder + QStringLiteral("/set.txt")));
    EXPECT_EQ(outcome.applied.size(), 0u);
    EXPECT_EQ(outcome.error, "");
}

TEST(SettingsFile, UnreadableFileIsReportedAndNothingApplied)
{
    const QString path = test::NewFolder(QStringLiteral("unreadable")) + QStringLiteral("/set.txt");
    test::WriteFile(path, "/v/\r\n1\r\n2\r\n");
    ::chmod(QFile::encodeName(path).constData(), 0);
    const std::string bytes = Bytes(path);
    const std::string result = test::AsUnprivilegedUser([&] {
        const ReadOutcome outcome = Read(bytes);
        return outcome.error + "|" + std::to_string(outcome.applied.size());
    });
    EXPECT_EQ(result, "Cannot open file \"" + bytes + "\". Permission denied|0");
}

TEST(SettingsFile, AFailedWriteKeepsTheOldFile)
{
    const QString path = test::NewFolder(QStringLiteral("atomic")) + QStringLiteral("/set.txt");
    const std::string file = QFile::encodeName(path).toStdString();
    WriteSettingsFile(file, "/old/", 1, 2);
    try {
        test::FileSizeLimit full(8); // the disk fills up during the write
        WriteSettingsFile(file, "/a/folder/of/a/longer/name/", 300, 400);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + file + "\". ", 0), 0u)
            << e.what();
    }
    EXPECT_EQ(test::ReadFile(path), "/old/\r\n1\r\n2\r\n");
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("set.txt")})
        << "no temporary file left";
}

TEST(SettingsFile, UnwritableFileRaisesCannotCreate)
{
    const std::string path =
        Bytes(test::NewFolder(QStringLiteral("unwritable")) + QStringLiteral("/gone/set.txt"));
    try {
        WriteSettingsFile(path, "/v/", 1, 2);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + path + "\". No such file or directory");
    }
}

} // namespace
} // namespace clipvane

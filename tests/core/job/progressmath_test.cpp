#include "core/job/progressmath.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(ProgressMath, GaugeTable)
{
    struct Case
    {
        const char* name;
        GaugeValues values;
        GaugeValues expected;
    };
    const Case cases[] = {
        {"download 333 of 1000", DownloadGauges(333, 1000), {33, 39}},
        {"download 1150 of 1000", DownloadGauges(1150, 1000), {115, 64}},
        {"download none yet", DownloadGauges(0, 1000), {0, 30}},
        {"download all", DownloadGauges(1000, 1000), {100, 60}},
        {"download 2 of 3", DownloadGauges(2, 3), {66, 50}},
        {"download 3 GB of 6 GB", DownloadGauges(3'000'000'000, 6'000'000'000), {50, 45}},
        {"download past 4 GB of 5 GB", DownloadGauges(4'500'000'000, 5'000'000'000), {90, 57}},
        {"convert 83 of 205", ConversionGauges(83, 205), {40, 76}},
        {"convert all", ConversionGauges(205, 205), {100, 100}},
        {"convert without duration", ConversionGauges(83, 0), {0, 60}},
        {"convert before start", ConversionGauges(0, 205), {0, 60}},
        // Far outside what the gauges hold: never an integer overflow.
        {"length 1, 30 MB sent", DownloadGauges(30'000'000, 1), {1000, 1030}},
        {"everything sent, length 1", DownloadGauges(INT32_MAX, 1), {1000, 1030}},
        {"negative length", DownloadGauges(500, -1000), {-50, 15}},
        {"negative length, much sent", DownloadGauges(INT32_MAX, -1), {-1000, -970}},
        {"tiny share", DownloadGauges(1, INT32_MAX), {0, 30}},
        {"most negative count", DownloadGauges(INT32_MIN, 1), {-1000, -970}},
        {"duration of a second, past a day encoded", ConversionGauges(90'000, 1), {1000, 1060}},
        {"negative time", ConversionGauges(-5, 10), {-50, 40}},
        {"past a day of clip", ConversionGauges(86'400, 90'000), {96, 98}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.values.step, c.expected.step) << c.name;
        EXPECT_EQ(c.values.total, c.expected.total) << c.name;
    }
    EXPECT_EQ(ClampGauge(130), 100);
    EXPECT_EQ(ClampGauge(-5), 0);
    EXPECT_EQ(ClampGauge(47), 47);
}

TEST(ProgressMath, OutputNamingTable)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> folders;
        std::string expected;
    };
    const Case cases[] = {
        {"free", {}, {}, "Sunset"},
        {"taken", {"Sunset.AVI"}, {}, "[1]Sunset"},
        {"taken twice", {"Sunset.AVI", "[1]Sunset.AVI"}, {}, "[2]Sunset"},
        {"only numbered taken", {"[1]Sunset.AVI"}, {}, "Sunset"},
        {"gap", {"Sunset.AVI", "[2]Sunset.AVI"}, {}, "[1]Sunset"},
        {"folder does not count", {}, {"Sunset.AVI"}, "Sunset"},
        {"lower-case extension is another name", {"Sunset.avi"}, {}, "Sunset"},
    };
    for (const Case& c : cases) {
        const QString folder = test::NewFolder(QStringLiteral("naming"));
        for (const std::string& f : c.files)
            test::WriteFile(folder + QLatin1Char('/') + QString::fromStdString(f), "x");
        for (const std::string& d : c.folders)
            QDir(folder).mkdir(QString::fromStdString(d));
        EXPECT_EQ(UniqueOutputTitle(QFile::encodeName(folder).toStdString() + "/", "Sunset"),
                  c.expected)
            << c.name;
    }
}

} // namespace
} // namespace clipvane

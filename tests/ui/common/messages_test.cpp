#include "core/base/error.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

struct PeriodCase
{
    const char* message;
    const char* shown;
};

class ReportPeriodTable : public ::testing::TestWithParam<PeriodCase>
{
};

TEST_P(ReportPeriodTable, AppendsAPeriodOnlyAboveThePeriodsCode)
{
    EXPECT_EQ(WithReportPeriod(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ReportPeriodTable,
    ::testing::Values(PeriodCase{"Done.", "Done."},
                      PeriodCase{"List index out of bounds (1)", "List index out of bounds (1)"},
                      PeriodCase{"Stop!", "Stop!"}, PeriodCase{"Access denied", "Access denied."},
                      PeriodCase{"Failed: 42", "Failed: 42."}, PeriodCase{"Odd-", "Odd-"},
                      PeriodCase{"Path/", "Path/."}, PeriodCase{"", ""}));

TEST(Messages, MessageAndReportUseTheTitleAndTheirIcons)
{
    MessageBoxRecorder::take();
    ShowMessage("Hello");
    ShowExceptionReport("Something broke");
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Clipvane 1.0"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Hello"));
    EXPECT_EQ(boxes[0].icon, BoxIcon::None);
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Clipvane 1.0"));
    EXPECT_EQ(boxes[1].text, QStringLiteral("Something broke."));
    EXPECT_EQ(boxes[1].icon, BoxIcon::Stop);
}

TEST(Guard, AnEscapingErrorIsReportedAndTheRestOfTheHandlerSkipped)
{
    MessageBoxRecorder::take();
    bool before = false;
    bool after = false;
    Guarded([&] {
        before = true;
        throw ConvertError("'x' is not a valid integer value");
        after = true;
    });
    Guarded([] { throw 42; });
    EXPECT_TRUE(before);
    EXPECT_FALSE(after);
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("'x' is not a valid integer value."));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
    EXPECT_FALSE(boxes[1].text.isEmpty());
}

} // namespace
} // namespace clipvane

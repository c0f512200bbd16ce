#include "core/conversion/converterrunner.h"
#include "core/job/jobcontroller.h"
#include "core/job/jobstartup.h"
#include "core/source/playlist.h"
#include "core/source/videoservice.h"
#include "support/testenv.h"
#include "ui/progress/progresswindow.h"
#include "ui/skin/gauge.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(ProgressWindow, LayoutTextsAndARefusedClose)
{
    ProgressWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Devad Ivava ri VIV OroR..."));
    EXPECT_EQ(window.size(), QSize(389, 163));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);

    struct Control
    {
        const char* name;
        QPoint place;
        QSize size; // an empty size: sized to its text
        const char* text;
    };
    const Control controls[] = {
        {"sLabel3", {8, 8}, {369, 13}, "Video Title: <untitled>"},
        {"sLabel1", {8, 32}, {}, "Current Operation:"},
        {"sGauge1", {8, 48}, {369, 17}, nullptr},
        {"sLabel2", {8, 80}, {}, "Total Progress:"},
        {"sGauge2", {8, 96}, {369, 17}, nullptr},
        {"sSpeedButton1", {304, 128}, {73, 25}, "Cancel"},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = window.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->pos(), c.place);
        if (!c.size.isEmpty()) {
            EXPECT_EQ(w->size(), c.size);
        }
        if (c.text) {
            EXPECT_EQ(w->property("text").toString(), QString::fromLatin1(c.text));
        }
    }
    EXPECT_EQ(window.cancelButton()->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(window.titleLabel()->alignment() & Qt::AlignHCenter);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());

    // A long operation widens its label; the title keeps its width.
    window.setOperation(
        QStringLiteral("Downloading... (1 953 125 KB of 1 953 125 KB) and a little more"));
    EXPECT_GT(window.operationLabel()->width(), 300);
    window.setTitle(
        QStringLiteral("title: a very long title that goes on and on and on and on and on and on"));
    EXPECT_EQ(window.titleLabel()->width(), 369);
    window.hide();
}

TEST(ProgressWindow, GaugesClampAndShowTheirPercent)
{
    Gauge gauge;
    gauge.resize(369, 17);
    const std::pair<int, int> cases[] = {{47, 47}, {130, 100}, {-5, 0}, {0, 0}, {100, 100}};
    for (const auto& [value, shown] : cases) {
        gauge.setProgress(value);
        EXPECT_EQ(gauge.progress(), shown) << value;
        EXPECT_EQ(gauge.text(), QString::number(shown) + QLatin1Char('%'));
    }
    EXPECT_FALSE(gauge.setProgress(100)) << "the same value does not redraw";
    EXPECT_TRUE(gauge.setProgress(99));

    // The bar is filled from the left in proportion to the value.
    gauge.setProgress(50);
    const QImage image = gauge.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(5, 2)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(360, 2)), QColor(Qt::white));
}

// Cancel only raises flags; with no phase running that is all it does.
class CancelOnlyView : public JobView
{
public:
    void jobStarted() override { ++changes; }
    void statusChanged(const JobStatus&) override { ++changes; }
    void jobEnded(const JobEnd&) override { ++changes; }
    int changes = 0;
};

TEST(ProgressWindow, CancelWithNoPhaseOnlySetsCancelled)
{
    CancelOnlyView view;
    JobController controller(view, std::make_unique<VideoService>(ServiceHosts{}), JobFolders{},
                             nullptr);
    ProgressWindow window;
    window.setController(&controller);
    EXPECT_FALSE(controller.current().cancelled);
    QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(controller.current().cancelled);
    EXPECT_EQ(view.changes, 0);
}

} // namespace
} // namespace clipvane

#include "core/job/jobcontroller.h"
#include "core/job/jobstartup.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "support/testenv.h"
#include "support/withoutoverride.h"
#include "ui/common/messages.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/skin/folderchooser.h"
#include "ui/skin/folderfield.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

// Each test gets a main window of its own and its own folder beside the
// "executable", so one test's settings never reach the next.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_beside = test::NewFolder(QStringLiteral("beside"));
        platform::SetExecutableFolderForTests(QFile::encodeName(m_beside).toStdString());
        MessageBoxRecorder::take();
    }

    void TearDown() override
    {
        platform::SetShellOpenerForTests({});
        FolderChooserAnswers::clear();
    }

    static std::unique_ptr<MainWindow> makeWindow() { return std::make_unique<MainWindow>(); }

    template <class T> static T* child(QWidget* form, const char* name)
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no control named " << name;
        return widget;
    }

    QString setTxt() const { return m_beside + QStringLiteral("/set.txt"); }

    QString m_beside;
};

struct ControlCase
{
    const char* name;
    QRect geometry;
    const char* text; // nullptr: not checked
    bool bold;
    bool focusable;
};

TEST_F(MainWindowTest, EveryControlIsInItsPlaceWithItsTextAndFont)
{
    auto form = makeWindow();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Clipvane 1.0"));
    EXPECT_EQ(form->size(), QSize(408, 253));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window must not be resizable";
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(176, 206, 241));

    const ControlCase controls[] = {
        {"Image1", {8, 8, 314, 54}, nullptr, false, false},
        {"sSpeedButton2", {336, 8, 57, 49}, "Help", false, false},
        {"sLabel1", {8, 72, 102, 13}, "MySpaceTV URL:", true, false},
        {"sEdit1", {8, 88, 385, 21}, "", false, true},
        {"sLabel2", {8, 112, 340, 13}, nullptr, false, false},
        {"sSpeedButton1", {280, 144, 113, 35}, "Start", true, false},
        {"sLabel4", {8, 154, 52, 13}, "Save as:", true, false},
        {"sComboBox1", {64, 150, 97, 21}, nullptr, false, true},
        {"sLabel3", {8, 184, 82, 13}, "Output Folder:", true, false},
        {"sDirectoryEdit1", {8, 200, 385, 21}, nullptr, false, true},
        {"sCheckBox1", {8, 224, 219, 20}, "Open video file when process completes", false, true},
    };
    for (const ControlCase& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = child<QWidget>(form.get(), c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), form.get());
        EXPECT_EQ(widget->geometry(), c.geometry);
        EXPECT_EQ(widget->font().bold(), c.bold);
        EXPECT_EQ(widget->font().pixelSize(), kSkinFontPixelSize);
        EXPECT_EQ(widget->font().family(), QString::fromLatin1(kSkinFontFamily));
        EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, c.focusable);
        if (c.text) {
            const QVariant text = widget->property("text");
            EXPECT_EQ(text.toString(), QString::fromLatin1(c.text));
        }
    }

    EXPECT_FALSE(child<QLabel>(form.get(), "Image1")->pixmap().isNull());
    EXPECT_EQ(child<QToolButton>(form.get(), "sSpeedButton2")->toolButtonStyle(),
              Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(child<QToolButton>(form.get(), "sSpeedButton1")->toolButtonStyle(),
              Qt::ToolButtonTextBesideIcon);
    EXPECT_TRUE(child<QCheckBox>(form.get(), "sCheckBox1")->isChecked());
    EXPECT_GT(child<QLineEdit>(form.get(), "sEdit1")->maxLength(), 1000000);
}

TEST_F(MainWindowTest, ExampleLineShowsItsAmpersandAsAPlainCharacter)
{
    auto form = makeWindow();
    auto* label = child<QLabel>(form.get(), "sLabel2");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Example: http://")));
    EXPECT_TRUE(label->text().contains(QStringLiteral("/video/play?vid=")));
    EXPECT_TRUE(label->text().contains(QStringLiteral("&fr=")));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->buddy(), nullptr) << "a buddy would turn '&' into an accelerator";
    EXPECT_TRUE(label->wordWrap());
}

TEST_F(MainWindowTest, TabCycleIsAddressFormatCheckBoxFolder)
{
    auto form = makeWindow();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    child<QWidget>(form.get(), "sEdit1")->setFocus();
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(QLatin1Char(',')),
              QStringLiteral("sEdit1,sComboBox1,sCheckBox1,sDirectoryEdit1,sEdit1"));
}

TEST_F(MainWindowTest, TheSaveAsChoiceIsMadeByKeyboardAndKeptBetweenRuns)
{
    const QString conf =
        QFile::decodeName(QByteArray::fromStdString(platform::UserConfigFolder())) +
        QStringLiteral("clipvane.conf");
    QFile::remove(conf);
    {
        auto form = makeWindow();
        auto* box = child<QComboBox>(form.get(), "sComboBox1");
        ASSERT_NE(box, nullptr);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        EXPECT_EQ(items, (QStringList{QStringLiteral("AVI"), QStringLiteral("MP4"),
                                      QStringLiteral("Original")}));
        EXPECT_EQ(form->outputFormat(), OutputFormat::Avi) << "the designed AVI by default";
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(form->outputFormat(), OutputFormat::Original);
    }
    // A new start finds the choice; set.txt stays its three lines.
    {
        auto form = makeWindow();
        EXPECT_EQ(form->outputFormat(), OutputFormat::Original);
        form->setOutputFormat(OutputFormat::Mp4);
    }
    EXPECT_NE(test::ReadFile(conf).find("format=mp4"), std::string::npos) << test::ReadFile(conf);
    const std::string settings =
        test::ReadFile(QFile::decodeName(QByteArray::fromStdString(platform::SettingsFolder())) +
                       QStringLiteral("set.txt"));
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 3) << settings;
    QFile::remove(conf);
}

TEST_F(MainWindowTest, HelpMenuHasItsItemsAndOpensAtThePointer)
{
    auto form = makeWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    QStringList items;
    for (QAction* action : form->helpMenu()->actions())
        items << action->objectName() + QLatin1Char('=') +
                     (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items.join(QLatin1Char('|')),
              QStringLiteral("Contents1=&Contents|AboutTolrand1=&About Clipvane...|MenuItem1=-|"
                             "VisitTolrandWebSite1=&Visit Tolrand Web Site ->"));

    const QPoint pointer = form->geometry().topLeft() + QPoint(40, 150);
    QCursor::setPos(pointer);
    QTest::mouseClick(child<QToolButton>(form.get(), "sSpeedButton2"), Qt::LeftButton);
    ASSERT_TRUE(form->helpMenu()->isVisible());
    EXPECT_EQ(form->helpMenu()->pos(), pointer);
    form->helpMenu()->hide();
}

TEST_F(MainWindowTest, ContentsAndWebSiteGoToTheDesktop)
{
    std::vector<QUrl> opened;
    platform::SetShellOpenerForTests([&](const QUrl& url) { opened.push_back(url); });
    auto form = makeWindow();
    form->findChild<QAction*>(QStringLiteral("Contents1"))->trigger();
    form->findChild<QAction*>(QStringLiteral("VisitTolrandWebSite1"))->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(m_beside + QStringLiteral("/help.htm")));
    EXPECT_EQ(opened[1].path(), QStringLiteral("/clipvane.htm"));
    EXPECT_EQ(opened[1].scheme(), QStringLiteral("http"));
    EXPECT_TRUE(MessageBoxRecorder::take().empty()) << "the launches report nothing of their own";
}

TEST_F(MainWindowTest, StartsWithTheDesktopFolderAndAPrivateTempFolder)
{
    auto form = makeWindow();
    EXPECT_EQ(form->outputFolder(), platform::DesktopFolder() + "/");
    EXPECT_TRUE(platform::FolderExists(DefaultTempFolder()));
    EXPECT_TRUE(form->job().folders().tempReady);
    EXPECT_EQ(form->job().folders().temp, DefaultTempFolder());
    EXPECT_TRUE(form->jobTimer()->isActive());
    EXPECT_TRUE(form->startupTimer()->isActive());
    EXPECT_EQ(form->jobTimer()->interval(), 1000);
    EXPECT_EQ(form->startupTimer()->interval(), 1000);
}

TEST_F(MainWindowTest, WithoutADesktopFolderTheHomeFolderIsTheDefault)
{
    const QString desktop = QFile::decodeName(QByteArray::fromStdString(platform::DesktopFolder()));
    const QString aside = desktop + QStringLiteral(".aside");
    ASSERT_TRUE(QDir().rename(desktop, aside));
    {
        auto form = makeWindow();
        EXPECT_EQ(form->outputFolder(), platform::HomeFolder());
    }
    ASSERT_TRUE(QDir().rename(aside, desktop));
}

TEST_F(MainWindowTest, FolderFieldTakesNoTypingPastingCuttingOrDrops)
{
    auto form = makeWindow();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* field = child<FolderField>(form.get(), "sDirectoryEdit1");
    field->setFocus();
    const QString before = field->text();

    QTest::keyClicks(field, QStringLiteral("abc"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Delete);
    QApplication::clipboard()->setText(QStringLiteral("/pasted/"));
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(field->text(), before);

    // The field's own menu offers no way around it either.
    std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    for (QAction* action : menu->actions()) {
        const QString text = action->text();
        if (text.contains(QStringLiteral("Paste")) || text.contains(QStringLiteral("Cu&t")) ||
            text.contains(QStringLiteral("Delete")) || text.contains(QStringLiteral("Undo"))) {
            EXPECT_FALSE(action->isEnabled()) << text.toStdString();
        }
    }
    EXPECT_FALSE(field->acceptDrops());

    EXPECT_EQ(field->browseButton()->width(), FolderField::kButtonWidth);
    EXPECT_EQ(field->browseButton()->geometry().right(), field->width() - 1);
    // Nothing can be typed, so no length limit can cut a path that is set.
    const std::string deep = "/" + std::string(150, 'a') + "/" + std::string(149, 'b') + "/";
    form->setOutputFolder(deep);
    EXPECT_EQ(form->outputFolder(), deep);
}

TEST_F(MainWindowTest, ChooserResultIsNormalisedAndCancelKeepsTheField)
{
    auto form = makeWindow();
    auto* field = child<FolderField>(form.get(), "sDirectoryEdit1");
    const QString chosen = test::NewFolder(QStringLiteral("chosen"));

    FolderChooserAnswers::setNext(chosen.toStdString());
    QTest::mouseClick(field->browseButton(), Qt::LeftButton);
    EXPECT_EQ(field->text(), chosen + QStringLiteral("/"));

    FolderChooserAnswers::setNext(""); // closed without a choice
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(field->text(), chosen + QStringLiteral("/"));

    const QString other = test::NewFolder(QStringLiteral("other"));
    FolderChooserAnswers::setNext(other.toStdString());
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(field->text(), other + QStringLiteral("/"));

    // A name that is no UTF-8 comes back as the bytes the chooser gave.
    const std::string latin1 = other.toStdString() + "/\xE0 voir";
    FolderChooserAnswers::setNext(latin1);
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(form->outputFolder(), latin1 + "/");
}

TEST_F(MainWindowTest, EmptyFolderTextBecomesTheHomeFolder)
{
    auto form = makeWindow();
    form->setOutputFolder("");
    EXPECT_EQ(form->outputFolder(), platform::HomeFolder());
    form->setOutputFolder("/srv/clips");
    EXPECT_EQ(form->outputFolder(), "/srv/clips/");
}

TEST_F(MainWindowTest, SettingsAreAppliedOnceBySecondTimerAndWrittenAtTheEnd)
{
    const QString folder = test::NewFolder(QStringLiteral("videos"));
    test::WriteFile(setTxt(), QFile::encodeName(folder).toStdString() + "\r\n100\r\n200\r\n");
    {
        auto form = makeWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->startupTimer()->isActive(); }, 10000));
        EXPECT_EQ(form->outputFolder(), QFile::encodeName(folder).toStdString() + "/");
        EXPECT_EQ(form->y(), 100);
        EXPECT_EQ(form->x(), 200);
        EXPECT_TRUE(MessageBoxRecorder::take().empty());
        form->move(-4, -7);
    }
    EXPECT_EQ(test::ReadFile(setTxt()),
              QFile::encodeName(folder).toStdString() + "/\r\n-7\r\n-4\r\n");
}

TEST_F(MainWindowTest, AProgramFolderItCannotWriteKeepsItsFilesInTheConfigFolder)
{
    const QString config =
        QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/clipvane");
    QDir(config).removeRecursively();
    const std::string folder =
        QFile::encodeName(test::NewFolder(QStringLiteral("videos"))).toStdString();
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(m_beside, readOnly));
    {
        // As a user who cannot write to /usr/bin.
        test::WithoutOverride asAnyUser;
        EXPECT_EQ(platform::SettingsFolder(), QFile::encodeName(config).toStdString() + "/");
        test::WriteFile(config + QStringLiteral("/set.txt"), folder + "\r\n100\r\n200\r\n");
        {
            auto form = makeWindow();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->startupTimer()->isActive(); }, 10000));
            EXPECT_EQ(form->outputFolder(), folder + "/");
            EXPECT_EQ(form->y(), 100);
            form->move(-4, -7);
        }
        EXPECT_EQ(test::ReadFile(config + QStringLiteral("/set.txt")),
                  folder + "/\r\n-7\r\n-4\r\n");
        EXPECT_TRUE(QFile::exists(config + QStringLiteral("/done.txt")));
        EXPECT_TRUE(QFile::exists(config + QStringLiteral("/done2.txt")));
        EXPECT_TRUE(MessageBoxRecorder::take().empty());
    }
    EXPECT_FALSE(QFile::exists(setTxt())) << "nothing beside the program";
    ASSERT_TRUE(QFile::setPermissions(m_beside, readOnly | QFile::WriteOwner));
    // A program folder it can write (a portable install, a build): beside it.
    EXPECT_EQ(platform::SettingsFolder(), QFile::encodeName(m_beside).toStdString() + "/");
    QDir(config).removeRecursively();
}

TEST_F(MainWindowTest, APlaceOffEveryScreenBecomesTheCentre)
{
    const struct
    {
        const char* name;
        int top;
        int left;
        bool kept;
    } cases[] = {
        {"on the screen", 100, 200, true},
        {"a little past the top left corner", -7, -4, true},
        {"far up and left", -5000, -5000, false},
        {"right of every screen", 100, 20000, false},
        {"below every screen", 20000, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(setTxt(), "/srv/clips\r\n" + std::to_string(c.top) + "\r\n" +
                                      std::to_string(c.left) + "\r\n");
        auto form = makeWindow();
        const QPoint centred = form->pos();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->startupTimer()->isActive(); }, 10000));
        EXPECT_EQ(form->pos(), c.kept ? QPoint(c.left, c.top) : centred);
        EXPECT_TRUE(MessageBoxRecorder::take().empty());
    }
}

TEST_F(MainWindowTest, BadSettingsAreReportedAndTheWindowKeepsItsPlace)
{
    test::WriteFile(setTxt(), "/srv/clips\r\nabc\r\n200\r\n");
    auto form = makeWindow();
    const QPoint centred = form->pos();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->startupTimer()->isActive(); }, 10000));
    EXPECT_EQ(form->outputFolder(), "/srv/clips/");
    EXPECT_EQ(form->pos(), centred);
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("'abc' is not a valid integer value."));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
}

TEST_F(MainWindowTest, UnwritableSettingsAreReportedAtTheEnd)
{
    auto form = makeWindow();
    QDir(m_beside).mkdir(QStringLiteral("set.txt")); // a folder where the file should go
    form.reset();
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Cannot create file \"") + setTxt() +
                                         QStringLiteral("\". ")))
        << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
}

TEST_F(MainWindowTest, ClosesWhenNoJobRuns)
{
    // The refusal while a job runs is seen in the whole-job tests.
    auto form = makeWindow();
    form->show();
    EXPECT_TRUE(form->mayClose());
    EXPECT_TRUE(form->close());
}

} // namespace
} // namespace clipvane

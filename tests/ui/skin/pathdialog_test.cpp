#include "platform/folders.h"
#include "support/testenv.h"
#include "ui/common/messages.h"
#include "ui/skin/folderchooser.h"
#include "ui/skin/folderchooserdialog.h"
#include "ui/skin/newfoldername.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane {
namespace {

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

class PathDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxRecorder::take();
        m_folder = Bytes(test::NewFolder(QStringLiteral("chooser")));
        m_dialog.selectFolder(m_folder);
    }

    QPushButton* button(const char* name)
    {
        return m_dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    QTreeView* tree() { return m_dialog.findChild<QTreeView*>(QStringLiteral("FolderTree")); }

    // The in-place editor the tree opened, if any.
    QLineEdit* editor() { return tree() ? tree()->viewport()->findChild<QLineEdit*>() : nullptr; }

    void showDialog()
    {
        m_dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dialog));
    }

    // The names the tree shows below a folder, in their order.
    QStringList shownBelow(const std::string& folder)
    {
        const QModelIndex at = tree()->currentIndex();
        m_dialog.selectFolder(folder);
        const QModelIndex parent = tree()->currentIndex();
        QStringList names;
        for (int row = 0; row < tree()->model()->rowCount(parent); ++row)
            names << tree()->model()->index(row, 0, parent).data().toString();
        tree()->setCurrentIndex(at);
        return names;
    }

    std::string m_folder;
    FolderChooserDialog m_dialog;
};

TEST_F(PathDialogTest, WindowHasItsCaptionSizeAndButtons)
{
    EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("Select directory"));
    EXPECT_EQ(m_dialog.size(), QSize(319, 397));
    EXPECT_EQ(m_dialog.minimumSize(), QSize(275, 250));
    ASSERT_NE(button("CreateButton"), nullptr);
    ASSERT_NE(button("OKButton"), nullptr);
    ASSERT_NE(button("CancelButton"), nullptr);
    EXPECT_TRUE(button("OKButton")->isDefault());
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder);
    EXPECT_TRUE(button("OKButton")->isEnabled());
}

TEST_F(PathDialogTest, TopLevelIsDesktopHomeAndTheRootWithIcons)
{
    const std::string home = platform::HomeFolder();
    const std::string desktop = home + "Desktop";
    const QAbstractItemModel* model = tree()->model();
    ASSERT_EQ(model->rowCount(), 3);
    const QStringList labels{QStringLiteral("Desktop"), QStringLiteral("Home"),
                             QStringLiteral("File system")};
    const std::vector<std::string> paths{desktop, home.substr(0, home.size() - 1), "/"};
    for (int row = 0; row < 3; ++row) {
        const QModelIndex index = model->index(row, 0);
        EXPECT_EQ(index.data().toString(), labels[row]);
        EXPECT_EQ(static_cast<const FolderTreeModel*>(model)->path(index), paths[row]);
        EXPECT_FALSE(index.data(Qt::DecorationRole).value<QIcon>().isNull()) << row;
        EXPECT_FALSE(index.flags() & Qt::ItemIsEditable) << "a place is not renamed";
    }
    EXPECT_FALSE(FolderIcon().isNull());

    // An account without a desktop folder has no entry for it.
    ASSERT_EQ(::rename(desktop.c_str(), (desktop + ".away").c_str()), 0);
    const std::vector<FolderRoot> roots = StandardFolderRoots();
    ASSERT_EQ(::rename((desktop + ".away").c_str(), desktop.c_str()), 0);
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].label, QStringLiteral("Home"));
    EXPECT_EQ(roots[1].path, "/");
}

TEST_F(PathDialogTest, TheIconThemeIsPreferredToTheBuiltInPictures)
{
    // A theme of our own that has a home picture and nothing else.
    const QString themes = test::NewFolder(QStringLiteral("icons"));
    QDir().mkpath(themes + QStringLiteral("/mine/16x16/places"));
    test::WriteFile(themes + QStringLiteral("/mine/index.theme"),
                    "[Icon Theme]\nName=mine\nDirectories=16x16/places\n\n"
                    "[16x16/places]\nSize=16\nContext=Places\nType=Fixed\n");
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(themes + QStringLiteral("/mine/16x16/places/user-home.png")));
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({themes});
    QIcon::setThemeName(QStringLiteral("mine"));
    // A theme icon looks its picture up again when the theme changes, so it
    // is looked at before the old theme comes back.
    for (const FolderRoot& root : StandardFolderRoots()) {
        EXPECT_FALSE(root.icon.isNull()) << root.label.toStdString();
        if (root.label == QStringLiteral("Home"))
            EXPECT_EQ(root.icon.name(), QStringLiteral("user-home"));
        else
            EXPECT_TRUE(root.icon.name().isEmpty()) << "the theme has none, the built-in one";
    }
    QIcon::setThemeName(oldTheme);
    QIcon::setThemeSearchPaths(oldPaths);
}

TEST_F(PathDialogTest, HiddenFoldersAreLeftOutUnlessOnTheWayToTheChosenOne)
{
    // Not read yet: the fixture opened only the folder above it.
    const std::string folder = m_folder + "/h";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    for (const char* name : {"b", ".cache", "A", "a10", "a9"})
        ASSERT_EQ(::mkdir((folder + "/" + name).c_str(), 0755), 0);
    test::WriteFile(QFile::decodeName(QByteArray::fromStdString(folder)) + QStringLiteral("/file"),
                    "not a folder");
    EXPECT_EQ(shownBelow(folder), (QStringList{QStringLiteral("A"), QStringLiteral("a9"),
                                               QStringLiteral("a10"), QStringLiteral("b")}));

    ASSERT_EQ(::mkdir((folder + "/.cache/x").c_str(), 0755), 0);
    m_dialog.selectFolder(folder + "/.cache/x");
    EXPECT_EQ(m_dialog.selectedFolder(), folder + "/.cache/x");
    EXPECT_TRUE(shownBelow(folder).contains(QStringLiteral(".cache")));
}

TEST_F(PathDialogTest, ThePreselectedFolderIsOpenedAndInSight)
{
    // Enough neighbours above it that it starts far below the first screen.
    for (int n = 0; n < 80; ++n)
        ASSERT_EQ(::mkdir((m_folder + "/a" + std::to_string(100 + n)).c_str(), 0755), 0);
    const std::string target = m_folder + "/zz";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((target + "/inner").c_str(), 0755), 0);

    FolderChooserDialog dialog;
    dialog.selectFolder(target + "/"); // the field's text ends with the separator
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("FolderTree"));
    const QModelIndex current = view->currentIndex();
    EXPECT_EQ(dialog.selectedFolder(), target);
    EXPECT_TRUE(view->isExpanded(current));
    EXPECT_TRUE(view->viewport()->rect().contains(view->visualRect(current)))
        << "the chosen folder must be on screen";
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->isEnabled());
}

TEST_F(PathDialogTest, AFolderThatIsGoneLeavesNothingToChoose)
{
    FolderChooserDialog dialog;
    dialog.selectFolder(m_folder + "/gone/");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("FolderTree"));
    view->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(view->currentIndex().isValid()) << "the focus must not pick a folder";
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->isEnabled());
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("CreateButton"))->isEnabled());
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter chooses nothing";
    EXPECT_EQ(dialog.selectedFolder(), "");
}

TEST_F(PathDialogTest, AFolderNamedInLatin1IsChosenByteForByte)
{
    const std::string latin1 = m_folder + "/clips \xE0 voir";
    ASSERT_EQ(::mkdir(latin1.c_str(), 0755), 0);
    m_dialog.selectFolder(latin1);
    EXPECT_EQ(m_dialog.selectedFolder(), latin1);
    EXPECT_EQ(m_dialog.createFolder(), latin1 + "/New folder1");
    EXPECT_TRUE(platform::FolderExists(latin1 + "/New folder1"));
    // Qt's own clean-up cannot name it.
    ::rmdir((latin1 + "/New folder1").c_str());
    ::rmdir(latin1.c_str());
}

TEST_F(PathDialogTest, CreateNamesNewFoldersWithTheFirstFreeNumber)
{
    EXPECT_EQ(m_dialog.createFolder(), m_folder + "/New folder1");
    m_dialog.selectFolder(m_folder);
    EXPECT_EQ(m_dialog.createFolder(), m_folder + "/New folder2");
    EXPECT_TRUE(platform::FolderExists(m_folder + "/New folder1"));
    EXPECT_TRUE(platform::FolderExists(m_folder + "/New folder2"));
    // The new folder is selected and its name opened for editing.
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + "/New folder2");
    EXPECT_TRUE(MessageBoxRecorder::take().empty());
}

TEST_F(PathDialogTest, CreateSkipsANumberWhoseFolderExists)
{
    ASSERT_EQ(::mkdir((m_folder + "/New folder1").c_str(), 0755), 0);
    EXPECT_EQ(NextNewFolderName(m_folder), "New folder2");
    EXPECT_EQ(m_dialog.createFolder(), m_folder + "/New folder2");
}

TEST_F(PathDialogTest, CreateThatFailsShowsTheErrorBoxAndStaysOpen)
{
    // A file takes the name, so the folder cannot be made.
    test::WriteFile(QFile::decodeName(QByteArray::fromStdString(m_folder)) +
                        QStringLiteral("/New folder1"),
                    "x");
    EXPECT_EQ(m_dialog.createFolder(), "");
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QString::fromStdString("Directory " + m_folder) +
                                 QStringLiteral("/New folder1 can`t be created!"));
    EXPECT_EQ(boxes[0].icon, BoxIcon::Stop);
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder);
}

TEST_F(PathDialogTest, OkWhileEditingEndsTheEditAndRenamesThenOkCloses)
{
    showDialog();
    ASSERT_FALSE(m_dialog.createFolder().empty());
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("Clips"));

    QTest::mouseClick(button("OKButton"), Qt::LeftButton);
    EXPECT_TRUE(m_dialog.isVisible()) << "OK during an edit must leave the chooser open";
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform::FolderExists(m_folder + "/Clips"); }, 5000));
    EXPECT_FALSE(platform::FolderExists(m_folder + "/New folder1"));

    QTest::mouseClick(button("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + "/Clips");
}

TEST_F(PathDialogTest, CancelWhileEditingStaysOpenThenCancelCloses)
{
    showDialog();
    ASSERT_FALSE(m_dialog.createFolder().empty());
    ASSERT_NE(editor(), nullptr);
    QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
    EXPECT_TRUE(m_dialog.isVisible());
    QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Rejected);
}

struct RefusedRename
{
    const char* name;
    const char* typed;
};

class RefusedRenameTable : public PathDialogTest,
                           public ::testing::WithParamInterface<RefusedRename>
{
};

TEST_P(RefusedRenameTable, IsReportedInAPlainBoxAndTheOldNameKept)
{
    // A folder of that name already there, empty: a plain rename would
    // quietly put the renamed one in its place.
    ASSERT_EQ(::mkdir((m_folder + "/Taken").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((m_folder + "/a").c_str(), 0755), 0);
    showDialog();
    ASSERT_FALSE(m_dialog.createFolder().empty());
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromUtf8(GetParam().typed));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents(); // the view commits the edit from its queue
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Rename to ") + QString::fromUtf8(GetParam().typed) + " failed");
    EXPECT_EQ(boxes[0].icon, BoxIcon::None) << "a message, not a stop box";
    EXPECT_TRUE(platform::FolderExists(m_folder + "/New folder1"));
    EXPECT_TRUE(platform::FolderExists(m_folder + "/Taken"));
    EXPECT_EQ(platform::SubfolderNames(m_folder + "/a").size(), 0u);
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + "/New folder1");
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedRenameTable,
                         ::testing::Values(RefusedRename{"taken", "Taken"},
                                           RefusedRename{"slash", "a/b"},
                                           RefusedRename{"dotdot", ".."}),
                         [](const ::testing::TestParamInfo<RefusedRename>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(PathDialogTest, ARenamedFolderMovesToItsPlaceAndTheDiskIsReadAgainOnOpening)
{
    for (const char* name : {"b", "d"})
        ASSERT_EQ(::mkdir((m_folder + "/" + name).c_str(), 0755), 0);
    showDialog();
    ASSERT_FALSE(m_dialog.createFolder().empty());
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("c"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(MessageBoxRecorder::take().empty());
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + "/c");

    // Made and removed behind the chooser's back: seen when the folder is
    // opened again.
    ASSERT_EQ(::mkdir((m_folder + "/a").c_str(), 0755), 0);
    ASSERT_EQ(::rmdir((m_folder + "/d").c_str()), 0);
    m_dialog.selectFolder(m_folder);
    tree()->collapse(tree()->currentIndex());
    tree()->expand(tree()->currentIndex());
    EXPECT_EQ(shownBelow(m_folder),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

// Presses a button of the chooser once its window is up, as the user would.
void PressInTheChooser(const char* buttonName)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, buttonName] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->deleteLater();
        auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(buttonName));
        if (button->isEnabled())
            button->click();
        else
            dialog->reject();
    });
    timer->start(20);
}

TEST_F(PathDialogTest, ChooseFolderOpensOnTheFieldsFolderAndGivesTheChoiceBack)
{
    FolderChooserAnswers::clear();
    const std::string latin1 = m_folder + "/\xE0 voir";
    ASSERT_EQ(::mkdir(latin1.c_str(), 0755), 0);
    const QString before = QDir::currentPath();

    PressInTheChooser("OKButton");
    EXPECT_EQ(ChooseFolder(nullptr, latin1 + "/"), latin1);
    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(std::string(here), latin1) << "the field's folder becomes the current one";

    // A folder that is gone: nothing to choose, and the current folder stays.
    PressInTheChooser("OKButton");
    EXPECT_EQ(ChooseFolder(nullptr, m_folder + "/gone/"), std::nullopt);
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(std::string(here), latin1);

    QDir::setCurrent(before);
    ::rmdir(latin1.c_str());
}

} // namespace
} // namespace clipvane

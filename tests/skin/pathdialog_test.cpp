#include "support/testenv.h"
#include "ui/common/messages.h"
#include "ui/skin/folderchooserdialog.h"
#include "ui/skin/newfoldername.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

class PathDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBoxRecorder::take();
        m_folder = test::NewFolder(QStringLiteral("chooser"));
        m_dialog.selectFolder(m_folder);
    }

    QPushButton* button(const char* name)
    {
        return m_dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // The in-place editor the tree opened, if any.
    QLineEdit* editor()
    {
        auto* tree = m_dialog.findChild<QTreeView*>(QStringLiteral("FolderTree"));
        return tree ? tree->viewport()->findChild<QLineEdit*>() : nullptr;
    }

    QString m_folder;
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

TEST_F(PathDialogTest, CreateNamesNewFoldersWithTheFirstFreeNumber)
{
    EXPECT_EQ(m_dialog.createFolder(), m_folder + QStringLiteral("/New folder1"));
    m_dialog.selectFolder(m_folder);
    EXPECT_EQ(m_dialog.createFolder(), m_folder + QStringLiteral("/New folder2"));
    EXPECT_TRUE(QDir(m_folder + QStringLiteral("/New folder1")).exists());
    EXPECT_TRUE(QDir(m_folder + QStringLiteral("/New folder2")).exists());
    // The new folder is selected and its name opened for editing.
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + QStringLiteral("/New folder2"));
    EXPECT_TRUE(MessageBoxRecorder::take().empty());
}

TEST_F(PathDialogTest, CreateSkipsANumberWhoseFolderExists)
{
    QDir(m_folder).mkdir(QStringLiteral("New folder1"));
    EXPECT_EQ(NextNewFolderName(m_folder), QStringLiteral("New folder2"));
    EXPECT_EQ(m_dialog.createFolder(), m_folder + QStringLiteral("/New folder2"));
}

TEST_F(PathDialogTest, CreateThatFailsShowsTheErrorBoxAndStaysOpen)
{
    // A file takes the name, so the folder cannot be made.
    test::WriteFile(m_folder + QStringLiteral("/New folder1"), "x");
    EXPECT_EQ(m_dialog.createFolder(), QString());
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Directory ") + m_folder +
                                 QStringLiteral("/New folder1 can`t be created!"));
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder);
}

TEST_F(PathDialogTest, OkWhileEditingEndsTheEditAndRenamesThenOkCloses)
{
    m_dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dialog));
    ASSERT_FALSE(m_dialog.createFolder().isEmpty());
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("Clips"));

    QTest::mouseClick(button("OKButton"), Qt::LeftButton);
    EXPECT_TRUE(m_dialog.isVisible()) << "OK during an edit must leave the chooser open";
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QDir(m_folder + QStringLiteral("/Clips")).exists(); }, 5000));
    EXPECT_FALSE(QDir(m_folder + QStringLiteral("/New folder1")).exists());

    QTest::mouseClick(button("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog.selectedFolder(), m_folder + QStringLiteral("/Clips"));
}

TEST_F(PathDialogTest, CancelWhileEditingStaysOpenThenCancelCloses)
{
    m_dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dialog));
    ASSERT_FALSE(m_dialog.createFolder().isEmpty());
    ASSERT_NE(editor(), nullptr);
    QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
    EXPECT_TRUE(m_dialog.isVisible());
    QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Rejected);
}

TEST_F(PathDialogTest, RefusedRenameIsReportedAndTheOldNameKept)
{
    m_dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dialog));
    ASSERT_FALSE(m_dialog.createFolder().isEmpty());
    QLineEdit* edit = editor();
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("a/b"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents(); // the view commits the edit from its queue
    const auto boxes = MessageBoxRecorder::take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Rename to a/b failed"));
    EXPECT_TRUE(QDir(m_folder + QStringLiteral("/New folder1")).exists());
}

} // namespace
} // namespace clipvane

#include "ui/skin/folderchooserdialog.h"

#include "platform/folders.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"
#include "ui/skin/newfoldername.h"
#include "ui/skin/skin.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace clipvane {

// The tree, with a way to ask whether a name is being edited right now.
class FolderTreeView : public QTreeView
{
public:
    using QTreeView::QTreeView;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
};

FolderTreeModel::FolderTreeModel(QObject* parent) : QFileSystemModel(parent)
{
    setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    setReadOnly(false);
    setRootPath(QDir::rootPath());
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QFileSystemModel::flags(index);
    if (index.isValid() && index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return QFileSystemModel::setData(index, value, role);
    const QString newName = value.toString();
    if (newName == fileName(index))
        return false;
    // Renaming needs write access to the folder that holds the item; an item
    // the file system would never let us rename just drops the edit.
    const QString parent = QFileInfo(filePath(index)).absolutePath();
    if (filePath(index) == QDir::rootPath() ||
        !platform::FolderWritable(QFile::encodeName(parent).toStdString()))
        return false;
    if (!QFileSystemModel::setData(index, value, role)) {
        ShowErrorBox("Rename to " + newName.toStdString() + " failed");
        return false;
    }
    return true;
}

FolderChooserDialog::FolderChooserDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPathDialogForm"));
    setWindowTitle(QStringLiteral("Select directory"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(275, 250);
    resize(319, 397);
    CentreOnScreen(this);

    m_model = new FolderTreeModel(this);
    m_tree = new FolderTreeView(this);
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);

    m_create = new QPushButton(QStringLiteral("Create"), this);
    m_create->setObjectName(QStringLiteral("CreateButton"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_create);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(buttons);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { Guarded([this] { updateButtons(); }); });
    connect(m_create, &QPushButton::clicked, this, [this] { Guarded([this] { createFolder(); }); });
    connect(m_ok, &QPushButton::clicked, this, [this] { Guarded([this] { okClicked(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Guarded([this] { reject(); }); });
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { Guarded([this, p] { showContextMenu(p); }); });
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            m_editEndedByButton = old && old != m_tree && m_tree->isAncestorOf(old) &&
                                  (now == m_ok || now == m_cancel);
        });
    updateButtons();
}

FolderChooserDialog::~FolderChooserDialog()
{
    // The children go before QObject lets go of its connections, and their
    // going moves the focus: the watch must not see a half-destroyed dialog.
    disconnect(m_focusWatch);
}

void FolderChooserDialog::selectFolder(const QString& path)
{
    const QModelIndex index = m_model->index(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    updateButtons();
}

QString FolderChooserDialog::selectedFolder() const
{
    const QModelIndex index = m_tree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void FolderChooserDialog::updateButtons()
{
    const QString folder = selectedFolder();
    const bool usable = !folder.isEmpty() && QFileInfo(folder).isDir();
    m_ok->setEnabled(usable);
    m_create->setEnabled(usable);
}

QString FolderChooserDialog::createFolder()
{
    const QString parentPath = selectedFolder();
    if (parentPath.isEmpty() || !QFileInfo(parentPath).isDir())
        return {};
    const QString name = NextNewFolderName(parentPath);
    const QString path = QDir(parentPath).filePath(name);
    const QModelIndex parentIndex = m_model->index(parentPath);
    const QModelIndex created = m_model->mkdir(parentIndex, name);
    if (!created.isValid() || !QFileInfo(path).isDir()) {
        ShowErrorBox("Directory " + QDir::toNativeSeparators(path).toStdString() +
                     " can`t be created!");
        return {};
    }
    m_tree->expand(parentIndex);
    m_tree->setCurrentIndex(created);
    m_tree->expand(created);
    m_tree->scrollTo(created);
    m_tree->edit(created);
    return path;
}

bool FolderChooserDialog::editingOrJustEdited()
{
    const bool editing = m_tree->isEditing() || m_editEndedByButton;
    m_editEndedByButton = false;
    return editing;
}

void FolderChooserDialog::okClicked()
{
    if (editingOrJustEdited()) {
        // Taking the focus back ends the edit and keeps the typed name.
        m_tree->setFocus();
        return;
    }
    if (!selectedFolder().isEmpty())
        accept();
}

void FolderChooserDialog::reject()
{
    if (editingOrJustEdited())
        return;
    QDialog::reject();
}

void FolderChooserDialog::showContextMenu(const QPoint& position)
{
    const QModelIndex index = m_tree->indexAt(position);
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    QMenu menu(this);
    QAction* newFolder = menu.addAction(QStringLiteral("New folder"));
    QAction* rename = menu.addAction(QStringLiteral("Rename"));
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(position));
    if (chosen == newFolder)
        createFolder();
    else if (chosen == rename)
        m_tree->edit(index);
}

} // namespace clipvane

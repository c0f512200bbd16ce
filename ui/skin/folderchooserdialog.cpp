#include "ui/skin/folderchooserdialog.h"

#include "platform/folders.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"
#include "ui/skin/newfoldername.h"
#include "ui/skin/skin.h"

#include <QApplication>
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

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        // A view makes its first item current when it gets the focus with
        // none; here that would offer a folder the user never picked, and
        // Enter would choose it.
        const bool hadCurrent = currentIndex().isValid();
        QTreeView::focusInEvent(event);
        if (!hadCurrent && currentIndex().isValid())
            selectionModel()->clear();
    }
};

FolderChooserDialog::FolderChooserDialog(QWidget* parent)
    : FolderChooserDialog(StandardFolderRoots(), parent)
{
}

FolderChooserDialog::FolderChooserDialog(std::vector<FolderRoot> roots, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TPathDialogForm"));
    setWindowTitle(QStringLiteral("Select directory"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(275, 250);
    resize(319, 397);
    CentreOnScreen(this);

    m_model = new FolderTreeModel(std::move(roots), this);
    m_tree = new FolderTreeView(this);
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setModel(m_model);
    m_tree->header()->hide();
    m_tree->setUniformRowHeights(true);
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
    // An opened folder is read again, so what changed on the disk since shows.
    connect(m_tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        Guarded([this, index] { m_model->refresh(index); });
    });
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

void FolderChooserDialog::selectFolder(const std::string& path)
{
    const QModelIndex index = m_model->find(path);
    if (!index.isValid()) {
        m_tree->selectionModel()->clear();
        updateButtons();
        return;
    }
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        m_tree->expand(above);
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    showCurrent();
    updateButtons();
}

std::string FolderChooserDialog::selectedFolder() const
{
    return m_model->path(m_tree->currentIndex());
}

void FolderChooserDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Before the dialog has its size the view cannot tell what is in sight.
    showCurrent();
}

void FolderChooserDialog::showCurrent()
{
    const QModelIndex current = m_tree->currentIndex();
    if (current.isValid())
        m_tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void FolderChooserDialog::updateButtons()
{
    const std::string folder = selectedFolder();
    const bool usable = !folder.empty() && platform::FolderExists(folder);
    m_ok->setEnabled(usable);
    m_create->setEnabled(usable);
}

std::string FolderChooserDialog::createFolder()
{
    const std::string parentPath = selectedFolder();
    if (parentPath.empty() || !platform::FolderExists(parentPath))
        return {};
    const std::string name = NextNewFolderName(parentPath);
    std::string path = ChildPath(parentPath, name);
    platform::CreateFolder(path);
    const QModelIndex parentIndex = m_tree->currentIndex();
    m_model->refresh(parentIndex);
    const QModelIndex created = m_model->child(parentIndex, name);
    if (!created.isValid() || !platform::FolderExists(path)) {
        ShowErrorBox("Directory " + path + " can`t be created!");
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
    if (!selectedFolder().empty())
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
    newFolder->setEnabled(m_create->isEnabled());
    rename->setEnabled(m_model->flags(index).testFlag(Qt::ItemIsEditable));
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(position));
    if (chosen == newFolder)
        createFolder();
    else if (chosen == rename)
        m_tree->edit(index);
}

} // namespace clipvane

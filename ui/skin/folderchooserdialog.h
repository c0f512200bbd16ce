#pragma once

#include <QDialog>
#include <QFileSystemModel>

class QPushButton;

namespace clipvane {

class FolderTreeView;

// The folder tree of the chooser. Every folder name can be edited in place;
// a rename happens only where the file system lets this user rename the
// folder, and a refused rename is reported as "Rename to %s failed".
class FolderTreeModel : public QFileSystemModel
{
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
};

// The folder chooser: a tree of folders with Create, OK and Cancel.
class FolderChooserDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FolderChooserDialog(QWidget* parent = nullptr);
    ~FolderChooserDialog() override;

    void selectFolder(const QString& path);
    QString selectedFolder() const;

    // Makes "New folder<n>" inside the selected folder and opens its name for
    // editing. Returns the new folder's path, or empty when it failed.
    QString createFolder();

    void reject() override;

private:
    void updateButtons();
    void okClicked();
    void showContextMenu(const QPoint& position);
    bool editingOrJustEdited();

    FolderTreeModel* m_model;
    FolderTreeView* m_tree;
    QPushButton* m_create;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    // A click on OK or Cancel first takes the focus from the name editor,
    // which ends the edit; this remembers that the click came during one.
    bool m_editEndedByButton = false;
    QMetaObject::Connection m_focusWatch;
};

} // namespace clipvane

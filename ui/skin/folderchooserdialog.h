#pragma once

#include "ui/skin/foldertreemodel.h"

#include <QDialog>
#include <string>
#include <vector>

class QPushButton;

namespace clipvane {

class FolderTreeView;

// The folder chooser: the desktop, home and file-system tree of folders with
// Create, OK and Cancel. Paths go in and out as raw bytes.
class FolderChooserDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FolderChooserDialog(QWidget* parent = nullptr);
    FolderChooserDialog(std::vector<FolderRoot> roots, QWidget* parent);
    ~FolderChooserDialog() override;

    // Opens the tree down to the folder and makes it current; a path that
    // names no folder leaves nothing current, so nothing can be chosen.
    void selectFolder(const std::string& path);
    std::string selectedFolder() const;

    // Makes "New folder<n>" inside the selected folder and opens its name for
    // editing. Returns the new folder's path, or empty when it failed.
    std::string createFolder();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateButtons();
    void okClicked();
    void showContextMenu(const QPoint& position);
    bool editingOrJustEdited();
    void showCurrent();

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

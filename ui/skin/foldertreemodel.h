#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace clipvane {

// A top-level entry of the folder tree: a place the user knows by name.
struct FolderRoot
{
    QString label;
    std::string path; // raw bytes, absolute
    QIcon icon;
};

// `name` inside `folder`, with one "/" between them.
std::string ChildPath(const std::string& folder, const std::string& name);

// The desktop folder (when it exists), the home folder and the file system
// root, with the icon theme's pictures or our own.
std::vector<FolderRoot> StandardFolderRoots();

// The picture of an ordinary folder in the tree.
QIcon FolderIcon();

// The chooser's tree: the roots, and below them the folders of the disk,
// read when a folder is first opened. Folders are named by their raw bytes,
// so a name that is not valid UTF-8 is shown with replacement characters but
// still chosen and renamed exactly. Hidden folders are left out, except those
// on the way to a folder that was looked up.
class FolderTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit FolderTreeModel(std::vector<FolderRoot> roots, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A rename happens only where the file system lets this user rename the
    // folder (other edits are dropped); a refused rename is reported as
    // "Rename to %s failed". An existing folder is never replaced.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The folder's path as raw bytes, without a trailing "/" but for "/".
    std::string path(const QModelIndex& index) const;

    // The item of an existing folder, under the root that holds it most
    // closely (the desktop before home before "/"), reading the folders on
    // the way. Invalid when the path names no folder.
    QModelIndex find(const std::string& folder);

    // Reads the folder's subfolders again: items of folders that stayed keep
    // their place (and their opened state in a view), gone ones go.
    void refresh(const QModelIndex& index);

    // The subfolder of that name among those read, or invalid.
    QModelIndex child(const QModelIndex& parent, const std::string& name) const;

private:
    struct Node;

    static std::unique_ptr<Node> newFolderNode(Node* parent, const std::string& name);
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::string pathOf(const Node* node) const;
    std::vector<std::string> readSubfolders(const Node* node) const;
    bool sortsBefore(const std::string& a, const std::string& b) const;
    std::size_t sortedPlace(const Node* parent, const std::string& name, const Node* skip) const;
    void renumber(Node* parent);
    void moveToSortedPlace(Node* node);
    // A view keeps an expander on a folder until it is told the folder has
    // no subfolders after all.
    void announceChildless();

    std::unique_ptr<Node> m_top;
    std::vector<FolderRoot> m_roots;
    std::set<std::string> m_revealed; // hidden folders to show anyway
    QIcon m_folderIcon;
};

} // namespace clipvane

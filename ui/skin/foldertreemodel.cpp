#include "ui/skin/foldertreemodel.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"

#include <QFile>
#include <QTimer>
#include <algorithm>
#include <optional>

namespace clipvane {

struct FolderTreeModel::Node
{
    Node* parent = nullptr;
    int row = 0;
    int root = -1;    // the entry in m_roots, for a top-level item
    std::string name; // raw bytes; unused for a top-level item
    QString label;
    bool read = false;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

// The desktop's picture when its icon theme has one, else our own.
QIcon ThemeIcon(const char* name, const char* builtIn)
{
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QIcon(QStringLiteral(":/pictures/") + QString::fromLatin1(builtIn)));
}

// The folders of an absolute path from the top: "/a//b/./c/" gives a, b, c,
// and ".." takes the folder before it away, as a shell's cd does. Nothing
// for a relative path.
std::optional<std::vector<std::string>> PathParts(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

// The path of those parts, "/" for none; empty for a relative path.
std::string CleanAbsolute(const std::string& path)
{
    const auto parts = PathParts(path);
    if (!parts)
        return {};
    std::string clean = "/";
    for (const std::string& part : *parts)
        clean = ChildPath(clean, part);
    return clean;
}

bool IsHidden(const std::string& name)
{
    return !name.empty() && name[0] == '.';
}

// A name the file system could take as one folder in the same place.
bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// Names as a file manager lists them: letters without regard to case, runs
// of digits by their value, so "a9" comes before "a10".
int NaturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a[startA] == u'0')
                ++startA;
            while (startB + 1 < endB && b[startB] == u'0')
                ++startB;
            const qsizetype lengthA = endA - startA;
            const qsizetype lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB ? -1 : 1;
            if (const int order = QStringView(a)
                                      .sliced(startA, lengthA)
                                      .compare(QStringView(b).sliced(startB, lengthB));
                order != 0)
                return order;
            i = endA;
            j = endB;
            continue;
        }
        const char32_t x = QChar::toCaseFolded(a[i].unicode());
        const char32_t y = QChar::toCaseFolded(b[j].unicode());
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return QString::compare(a, b);
}

QString Shown(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

} // namespace

std::string ChildPath(const std::string& folder, const std::string& name)
{
    return (!folder.empty() && folder.back() == '/' ? folder : folder + "/") + name;
}

std::vector<FolderRoot> StandardFolderRoots()
{
    std::vector<FolderRoot> roots;
    const std::string desktop = CleanAbsolute(platform::DesktopFolder());
    const std::string home = CleanAbsolute(platform::HomeFolder());
    if (!desktop.empty() && desktop != home && platform::FolderExists(desktop))
        roots.push_back(
            {QStringLiteral("Desktop"), desktop, ThemeIcon("user-desktop", "place-desktop.png")});
    if (!home.empty() && home != "/")
        roots.push_back({QStringLiteral("Home"), home, ThemeIcon("user-home", "place-home.png")});
    roots.push_back(
        {QStringLiteral("File system"), "/", ThemeIcon("drive-harddisk", "place-drive.png")});
    return roots;
}

QIcon FolderIcon()
{
    return ThemeIcon("folder", "folder.png");
}

FolderTreeModel::FolderTreeModel(std::vector<FolderRoot> roots, QObject* parent)
    : QAbstractItemModel(parent), m_top(std::make_unique<Node>()), m_roots(std::move(roots)),
      m_folderIcon(FolderIcon())
{
    m_top->read = true;
    for (std::size_t i = 0; i < m_roots.size(); ++i) {
        m_roots[i].path = CleanAbsolute(m_roots[i].path);
        auto node = std::make_unique<Node>();
        node->parent = m_top.get();
        node->row = static_cast<int>(i);
        node->root = static_cast<int>(i);
        node->label = m_roots[i].label;
        m_top->children.push_back(std::move(node));
    }
}

FolderTreeModel::~FolderTreeModel() = default;

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::newFolderNode(Node* parent,
                                                                      const std::string& name)
{
    auto node = std::make_unique<Node>();
    node->parent = parent;
    node->name = name;
    node->label = Shown(name);
    return node;
}

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_top.get();
}

QModelIndex FolderTreeModel::indexOf(const Node* node) const
{
    if (!node || node == m_top.get())
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

std::string FolderTreeModel::pathOf(const Node* node) const
{
    if (node->root >= 0)
        return m_roots[static_cast<std::size_t>(node->root)].path;
    return ChildPath(pathOf(node->parent), node->name);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->label;
    case Qt::DecorationRole:
        return node->root >= 0 ? m_roots[static_cast<std::size_t>(node->root)].icon : m_folderIcon;
    case Qt::ToolTipRole:
        return Shown(pathOf(node));
    default:
        return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // The places at the top are not folders one renames from here.
    if (nodeOf(index)->root < 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    Node* node = nodeOf(index);
    if (node->root >= 0)
        return false;
    const QString newLabel = value.toString();
    if (newLabel == node->label)
        return false;
    // Renaming needs write access to the folder that holds the item; an item
    // the file system would never let us rename just drops the edit.
    const std::string parentPath = pathOf(node->parent);
    if (!platform::FolderWritable(parentPath))
        return false;
    const std::string newName = QFile::encodeName(newLabel).toStdString();
    const std::string base = parentPath == "/" ? parentPath : parentPath + "/";
    if (!IsPlainName(newName) || !platform::RenameEntry(base + node->name, base + newName).ok()) {
        ShowMessage("Rename to " + newLabel.toStdString() + " failed");
        return false;
    }
    node->name = newName;
    node->label = Shown(newName);
    if (IsHidden(newName))
        m_revealed.insert(ChildPath(parentPath, newName));
    emit dataChanged(index, index);
    moveToSortedPlace(node);
    return true;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    // Reading every shown folder to learn whether it holds any would cost a
    // disk look per row; a folder not yet opened is taken to have some.
    return node->read ? !node->children.empty() : true;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const
{
    return !nodeOf(parent)->read;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent)
{
    Node* node = nodeOf(parent);
    if (node->read)
        return;
    node->read = true;
    std::vector<std::string> names = readSubfolders(node);
    if (names.empty()) {
        announceChildless();
        return;
    }
    std::sort(names.begin(), names.end(),
              [this](const std::string& a, const std::string& b) { return sortsBefore(a, b); });
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    for (const std::string& name : names)
        node->children.push_back(newFolderNode(node, name));
    renumber(node);
    endInsertRows();
}

std::string FolderTreeModel::path(const QModelIndex& index) const
{
    return index.isValid() ? pathOf(nodeOf(index)) : std::string();
}

QModelIndex FolderTreeModel::find(const std::string& folder)
{
    const std::string clean = CleanAbsolute(folder);
    if (clean.empty() || !platform::FolderExists(clean))
        return {};
    // The closest root is the one with the fewest parts left to walk.
    const auto parts = PathParts(clean);
    const Node* best = nullptr;
    std::size_t walkFrom = 0;
    for (const auto& root : m_top->children) {
        const auto rootParts = PathParts(m_roots[static_cast<std::size_t>(root->root)].path);
        if (rootParts && rootParts->size() <= parts->size() &&
            std::equal(rootParts->begin(), rootParts->end(), parts->begin()) &&
            (!best || rootParts->size() > walkFrom)) {
            best = root.get();
            walkFrom = rootParts->size();
        }
    }
    if (!best)
        return {};
    QModelIndex at = indexOf(best);
    for (auto part = parts->begin() + static_cast<std::ptrdiff_t>(walkFrom); part != parts->end();
         ++part) {
        fetchMore(at);
        QModelIndex next = child(at, *part);
        if (!next.isValid()) {
            // Hidden, or made since the folder was read.
            m_revealed.insert(ChildPath(path(at), *part));
            refresh(at);
            next = child(at, *part);
        }
        if (!next.isValid())
            return {};
        at = next;
    }
    return at;
}

void FolderTreeModel::refresh(const QModelIndex& index)
{
    Node* node = nodeOf(index);
    if (!node->read) {
        fetchMore(index);
        return;
    }
    const std::vector<std::string> names = readSubfolders(node);
    const std::set<std::string> present(names.begin(), names.end());
    const bool hadChildren = !node->children.empty();
    for (int row = static_cast<int>(node->children.size()) - 1; row >= 0; --row) {
        if (present.count(node->children[static_cast<std::size_t>(row)]->name))
            continue;
        beginRemoveRows(index, row, row);
        node->children.erase(node->children.begin() + row);
        renumber(node);
        endRemoveRows();
    }
    // A set, not a search a name: a folder may hold thousands of folders.
    std::set<std::string> shown;
    for (const auto& kept : node->children)
        shown.insert(kept->name);
    for (const std::string& name : names) {
        if (shown.count(name))
            continue;
        const int place = static_cast<int>(sortedPlace(node, name, nullptr));
        beginInsertRows(index, place, place);
        node->children.insert(node->children.begin() + place, newFolderNode(node, name));
        renumber(node);
        endInsertRows();
    }
    if (hadChildren && node->children.empty())
        announceChildless();
}

QModelIndex FolderTreeModel::child(const QModelIndex& parent, const std::string& name) const
{
    for (const auto& node : nodeOf(parent)->children) {
        if (node->root < 0 && node->name == name)
            return indexOf(node.get());
    }
    return {};
}

std::vector<std::string> FolderTreeModel::readSubfolders(const Node* node) const
{
    const std::string folder = pathOf(node);
    std::vector<std::string> names = platform::SubfolderNames(folder);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) {
                                   return IsHidden(name) &&
                                          !m_revealed.count(ChildPath(folder, name));
                               }),
                names.end());
    return names;
}

bool FolderTreeModel::sortsBefore(const std::string& a, const std::string& b) const
{
    const int order = NaturalCompare(Shown(a), Shown(b));
    return order != 0 ? order < 0 : a < b;
}

std::size_t FolderTreeModel::sortedPlace(const Node* parent, const std::string& name,
                                         const Node* skip) const
{
    std::size_t place = 0;
    for (const auto& other : parent->children) {
        if (other.get() != skip && sortsBefore(other->name, name))
            ++place;
    }
    return place;
}

void FolderTreeModel::renumber(Node* parent)
{
    for (std::size_t i = 0; i < parent->children.size(); ++i)
        parent->children[i]->row = static_cast<int>(i);
}

void FolderTreeModel::moveToSortedPlace(Node* node)
{
    Node* parent = node->parent;
    const int from = node->row;
    const int to = static_cast<int>(sortedPlace(parent, node->name, node));
    if (to == from)
        return;
    const QModelIndex holder = indexOf(parent);
    // The destination counts rows as they stand before the move.
    if (!beginMoveRows(holder, from, from, holder, to > from ? to + 1 : to))
        return;
    auto moving = std::move(parent->children[static_cast<std::size_t>(from)]);
    parent->children.erase(parent->children.begin() + from);
    parent->children.insert(parent->children.begin() + to, std::move(moving));
    renumber(parent);
    endMoveRows();
}

void FolderTreeModel::announceChildless()
{
    // Queued: this is often reached from inside the view's own expanding.
    QTimer::singleShot(0, this, [this] {
        Guarded([this] {
            emit layoutAboutToBeChanged();
            emit layoutChanged();
        });
    });
}

} // namespace clipvane

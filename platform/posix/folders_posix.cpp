#include "platform/folders.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane::platform {

namespace {

std::string g_executableFolderOverride;

std::string withSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

std::string ExecutableFolder()
{
    if (!g_executableFolderOverride.empty())
        return g_executableFolderOverride;
    return withSlash(bytes(QCoreApplication::applicationDirPath()));
}

void SetExecutableFolderForTests(const std::string& folder)
{
    g_executableFolderOverride = folder.empty() ? std::string() : withSlash(folder);
}

std::string SettingsFolder()
{
    std::string beside = ExecutableFolder();
    // As the effective user: what this process may really do.
    if (::faccessat(AT_FDCWD, beside.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return beside;
    return UserConfigFolder();
}

std::string UserConfigFolder()
{
    std::string own =
        withSlash(bytes(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))) +
        "clipvane/";
    for (std::size_t i = 1; i < own.size(); ++i)
        if (own[i] == '/')
            ::mkdir(own.substr(0, i).c_str(), 0700);
    return own;
}

std::string HelpPage()
{
    std::string beside = ExecutableFolder() + "help.htm";
    struct stat st
    {
    };
    if (::stat(beside.c_str(), &st) == 0)
        return beside;
    const std::string shared = ExecutableFolder() + "../share/clipvane/help.htm";
    return ::stat(shared.c_str(), &st) == 0 ? shared : beside;
}

std::string DesktopFolder()
{
    return bytes(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

std::string HomeFolder()
{
    return withSlash(bytes(QStandardPaths::writableLocation(QStandardPaths::HomeLocation)));
}

std::string CacheFolder()
{
    return withSlash(bytes(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
}

std::string DataFolder()
{
    return withSlash(bytes(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

bool FileExists(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderWritable(const std::string& path)
{
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

void CreateFolder(const std::string& path)
{
    (void)::mkdir(path.c_str(), 0777);
}

void MakeCurrentFolder(const std::string& path)
{
    (void)::chdir(path.c_str());
}

std::vector<std::string> SubfolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st
            {
            };
            isFolder = ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (isFolder)
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

Status PreparePrivateFolder(const std::string& path)
{
    std::string bare = path;
    while (bare.size() > 1 && bare.back() == '/')
        bare.pop_back();

    // The parent (the user's cache folder) may not exist on a fresh account.
    if (const auto slash = bare.rfind('/'); slash != std::string::npos && slash > 0) {
        const std::string parent = bare.substr(0, slash);
        for (std::size_t i = 1; i <= parent.size(); ++i) {
            if (i == parent.size() || parent[i] == '/')
                (void)::mkdir(parent.substr(0, i).c_str(), 0700);
        }
    }

    if (::mkdir(bare.c_str(), 0700) != 0 && errno != EEXIST)
        return Failure{
            "The temporary folder \"" + path + "\" cannot be created. " + ErrorText(errno), errno};

    struct stat st
    {
    };
    if (::lstat(bare.c_str(), &st) != 0)
        return Failure{"The temporary folder \"" + path + "\" cannot be used. " + ErrorText(errno),
                       errno};
    if (S_ISLNK(st.st_mode))
        return Failure{
            "The temporary folder \"" + path +
            "\" is a symbolic link. Clipvane does not use it; remove the link and start again."};
    if (!S_ISDIR(st.st_mode))
        return Failure{
            "The temporary folder \"" + path +
            "\" is not a folder. Clipvane does not use it; remove the file and start again."};
    if (st.st_uid != ::geteuid())
        return Failure{
            "The temporary folder \"" + path +
            "\" belongs to another user. Clipvane does not use it; remove it and start again."};
    if ((st.st_mode & 0777) != 0700 && ::chmod(bare.c_str(), 0700) != 0)
        return Failure{"The temporary folder \"" + path + "\" cannot be made private. " +
                           ErrorText(errno),
                       errno};
    return {};
}

std::string ErrorText(int errorNumber)
{
    return std::strerror(errorNumber);
}

} // namespace clipvane::platform

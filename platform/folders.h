#pragma once

#include "platform/result.h"

#include <string>
#include <vector>

// Folders and files as the program sees them. Every folder path returned here
// ends in "/", so a file name can be appended directly.
namespace clipvane::platform {

// The folder of the running executable: where "set.txt", "hosts.ini" and
// "help.htm" live.
std::string ExecutableFolder();
// Tests run the windows inside a test binary; this points "beside the
// executable" at a folder of their own. An empty text restores the real one.
void SetExecutableFolderForTests(const std::string& folder);

// Where the program keeps "set.txt", the first-run markers and looks for
// "hosts.ini": beside the executable when this user may write there (a
// portable folder, a build folder), else the per-user configuration folder
// "clipvane/" (an installed program under /usr/bin), made when missing.
std::string SettingsFolder();

// This user's configuration folder for the program ("clipvane/" in the
// per-user configuration folder), made when missing.
std::string UserConfigFolder();

// The help page: beside the executable, else in the shared data folder of an
// installed program ("../share/clipvane/" from it).
std::string HelpPage();

// The user's desktop folder, or empty when the platform names none.
std::string DesktopFolder();
// The user's home folder: the output folder when nothing better is known.
std::string HomeFolder();
// Per-user cache and data folders (they need not exist yet).
std::string CacheFolder();
std::string DataFolder();

// True for an existing regular file; folders do not count.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Whether this user may create, rename and remove entries in the folder.
bool FolderWritable(const std::string& path);

// Creates a folder; the result is deliberately not reported.
void CreateFolder(const std::string& path);

// Makes the folder the process's current directory; the result is
// deliberately not reported.
void MakeCurrentFolder(const std::string& path);

// The names of the folders inside `folder` (links to folders count, hidden
// ones too), as raw bytes and in no particular order; empty when it cannot be
// read.
std::vector<std::string> SubfolderNames(const std::string& folder);

// Makes sure `path` is a folder that only this user can reach: created with
// mode 0700 when missing, tightened to 0700 when it is ours. Fails, saying
// what is wrong with it, when the folder is not fit to use.
Status PreparePrivateFolder(const std::string& path);

// The platform's description of an error number.
std::string ErrorText(int errorNumber);

} // namespace clipvane::platform

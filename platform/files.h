#pragma once

#include "platform/result.h"

#include <cstddef>
#include <string>

namespace clipvane::platform {

// A file this process alone writes: created new or emptied, never through a
// symbolic link, and locked against other openers until it is closed. Writes
// are gathered in a small buffer: a download may write thousands of small
// chunks, and a system call each would cost more than the network.
class ExclusiveFile
{
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Fails with "Cannot create file "<path>". <reason>".
    Status create(const std::string& path);
    // Writes every byte or says why not (possibly only when the buffer goes
    // to the disk, at a later write or at close).
    Status write(const char* data, std::size_t size);
    // Succeeds when everything written reached the file.
    Status close();

private:
    Status flush();

    int m_fd = -1;
    std::string m_buffer;
};

// Writes a whole file with the given mode; errors as ExclusiveFile's.
Status WriteWholeFile(const std::string& path, const std::string& bytes, unsigned mode);

// Writes a whole file beside `path` under a temporary name, then renames it
// into place: whoever looks finds the old file or the new one, never a part
// of it, and a failed write leaves the old one as it was. Whatever stood at
// `path` (a file, a link) is replaced, never followed. Errors as
// ExclusiveFile's, naming `path`.
Status ReplaceFileAtomically(const std::string& path, const std::string& bytes, unsigned mode);

// Moves a file, also to another file system (copy, then remove). An existing
// target is never replaced. On failure the source stays as it was and no
// partial target is left; the failure's text is the system's reason.
Status MoveFile(const std::string& from, const std::string& to);

// Puts `from` in the place of `to` (same file system), replacing it.
Status ReplaceFileWith(const std::string& from, const std::string& to);

// Renames a file or folder within its file system. An existing target is
// never replaced. The failure's text is the system's reason.
Status RenameEntry(const std::string& from, const std::string& to);

// Whether a failure was the disk (or the user's share of it) being full.
bool IsDiskFull(const Failure& failure);
// What the system calls a full disk: "No space left on device".
std::string DiskFullText();

// Removes a file; the result is deliberately not reported.
void DeleteFile(const std::string& path);

} // namespace clipvane::platform

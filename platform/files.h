#pragma once

#include <cstddef>
#include <string>

namespace clipvane::platform {

// A file this process alone writes: created new or emptied, never through a
// symbolic link, and locked against other openers until it is closed.
class ExclusiveFile
{
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Empty on success, else "Cannot create file "<path>". <reason>".
    std::string create(const std::string& path);
    // Writes every byte or says why not.
    std::string write(const char* data, std::size_t size);
    void close();

private:
    int m_fd = -1;
};

// Writes a whole file with the given mode; errors as ExclusiveFile's.
std::string WriteWholeFile(const std::string& path, const std::string& bytes, unsigned mode);

// Moves a file, also to another file system (copy, then remove). An existing
// target is never replaced. Empty on success, else the reason; on failure
// the source stays as it was and no partial target is left.
std::string MoveFile(const std::string& from, const std::string& to);

// Removes a file; the result is deliberately not reported.
void DeleteFile(const std::string& path);

} // namespace clipvane::platform

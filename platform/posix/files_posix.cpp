#include "platform/files.h"
#include "platform/folders.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane::platform {

namespace {

Failure cannotCreate(const std::string& path, int error)
{
    return {"Cannot create file \"" + path + "\". " + ErrorText(error), error};
}

Failure writeError(int error)
{
    return {"Stream write error: " + ErrorText(error), error};
}

Failure systemFailure(int error)
{
    return {ErrorText(error), error};
}

} // namespace

ExclusiveFile::~ExclusiveFile()
{
    (void)close();
}

Status ExclusiveFile::create(const std::string& path)
{
    (void)close();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return cannotCreate(path, errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return cannotCreate(path, error);
    }
    m_fd = fd;
    return {};
}

Status ExclusiveFile::write(const char* data, std::size_t size)
{
    constexpr std::size_t kBuffer = std::size_t{64} * 1024;
    if (m_buffer.empty() && size >= kBuffer) {
        // Large enough already: straight to the file, without a copy.
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return writeError(n < 0 ? errno : ENOSPC);
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return {};
    }
    m_buffer.append(data, size);
    if (m_buffer.size() >= kBuffer)
        return flush();
    return {};
}

Status ExclusiveFile::flush()
{
    const char* data = m_buffer.data();
    std::size_t size = m_buffer.size();
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_buffer.clear();
            return writeError(n < 0 ? errno : ENOSPC);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    m_buffer.clear();
    return {};
}

Status ExclusiveFile::close()
{
    if (m_fd < 0)
        return {};
    Status result = flush();
    if (::close(m_fd) != 0 && result.ok()) // also releases the lock
        result = writeError(errno);
    m_fd = -1;
    return result;
}

Status WriteWholeFile(const std::string& path, const std::string& bytes, unsigned mode)
{
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return cannotCreate(path, errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return writeError(error);
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, mode);
    if (::close(fd) != 0)
        return writeError(errno);
    return {};
}

Status ReplaceFileAtomically(const std::string& path, const std::string& bytes, unsigned mode)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return cannotCreate(path, errno);
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return cannotCreate(path, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    // On the disk before the name points at it: a power cut must not leave
    // the new name on an empty file.
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return cannotCreate(path, error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return cannotCreate(path, error);
    }
    return {};
}

namespace {

Status copyThenRemove(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return systemFailure(errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return systemFailure(error);
    }
    int problem = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            problem = errno;
            break;
        }
        if (n == 0)
            break;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                problem = w < 0 ? errno : ENOSPC;
                break;
            }
            done += w;
        }
        if (problem != 0)
            break;
    }
    if (problem == 0 && ::fsync(out) != 0)
        problem = errno;
    if (::close(out) != 0 && problem == 0)
        problem = errno;
    ::close(in);
    if (problem != 0) {
        ::unlink(to.c_str());
        return systemFailure(problem);
    }
    ::unlink(from.c_str());
    return {};
}

} // namespace

namespace {

// 0 or the error number.
int renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS)
        return error;
    // A file system without the no-replace rename: test, then rename.
    struct stat st
    {
    };
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

Status RenameEntry(const std::string& from, const std::string& to)
{
    const int error = renameNoReplace(from, to);
    if (error == 0)
        return {};
    return systemFailure(error);
}

Status ReplaceFileWith(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return systemFailure(errno);
    return {};
}

Status MoveFile(const std::string& from, const std::string& to)
{
    const int error = renameNoReplace(from, to);
    if (error == 0)
        return {};
    if (error == EXDEV)
        return copyThenRemove(from, to);
    return systemFailure(error);
}

bool IsDiskFull(const Failure& failure)
{
    return failure.errorNumber == ENOSPC || failure.errorNumber == EDQUOT;
}

std::string DiskFullText()
{
    return ErrorText(ENOSPC);
}

void DeleteFile(const std::string& path)
{
    (void)::unlink(path.c_str());
}

} // namespace clipvane::platform

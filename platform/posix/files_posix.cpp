#include "platform/files.h"

#include "platform/folders.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clipvane::platform {

namespace {

std::string cannotCreate(const std::string& path, int error)
{
    return "Cannot create file \"" + path + "\". " + ErrorText(error);
}

} // namespace

ExclusiveFile::~ExclusiveFile()
{
    close();
}

std::string ExclusiveFile::create(const std::string& path)
{
    close();
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

std::string ExclusiveFile::write(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return "Stream write error: " + ErrorText(n < 0 ? errno : ENOSPC);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

void ExclusiveFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd); // also releases the lock
    m_fd = -1;
}

std::string WriteWholeFile(const std::string& path, const std::string& bytes, unsigned mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return cannotCreate(path, errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return "Stream write error";
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, mode);
    if (::close(fd) != 0)
        return "Stream write error";
    return {};
}

void DeleteFile(const std::string& path)
{
    (void)::unlink(path.c_str());
}

} // namespace clipvane::platform

#include "platform/singleinstance.h"

#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace clipvane::platform {

// An abstract-namespace Unix socket: no file to clean up, per user through the
// uid in its name, and released by the kernel when the process ends.
std::string SingleInstance::platformName(const std::string& name)
{
    return name + "-" + std::to_string(::getuid());
}

SingleInstance::SingleInstance(const std::string& name)
{
    const std::string full = platformName(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (full.size() + 1 > sizeof(address.sun_path))
        return;
    std::memcpy(address.sun_path + 1, full.data(), full.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + full.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 1) != 0) {
        ::close(fd);
        return;
    }
    m_handle = fd;
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    if (m_handle >= 0) {
        ::close(m_handle);
        m_handle = -1;
    }
}

} // namespace clipvane::platform

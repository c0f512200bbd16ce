#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace clipvane::test {

// Root may write anywhere; dropping the capability lets permissions apply.
class WithoutOverride
{
public:
    WithoutOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        ::syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutOverride() { ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
};

} // namespace clipvane::test

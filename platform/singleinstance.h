#pragma once

#include <string>

namespace clipvane::platform {

// One running instance per user. The first process to take the name holds it
// until release() or its end; the kernel frees it even after a crash.
class SingleInstance
{
public:
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool acquired() const { return m_handle >= 0; }
    void release();

    // The name as the platform sees it, so tests can look for the holder.
    static std::string platformName(const std::string& name);

private:
    int m_handle = -1;
};

} // namespace clipvane::platform

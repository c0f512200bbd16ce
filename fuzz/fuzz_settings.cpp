// The settings reader on any file: it applies lines or raises an Error.
#include "core/base/error.h"
#include "core/settings/settingsfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class Sink : public clipvane::SettingsTarget
{
public:
    void setOutputFolder(const std::string&) override {}
    void setTop(std::int32_t) override {}
    void setLeft(std::int32_t) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sink sink;
    try {
        clipvane::ApplySettingsText(std::string(reinterpret_cast<const char*>(data), size), sink);
    } catch (const clipvane::Error&) {
    }
    return 0;
}

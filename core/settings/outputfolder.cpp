#include "core/settings/outputfolder.h"

#include "platform/folders.h"

namespace clipvane {

std::string NormalizeOutputFolder(const std::string& text)
{
    std::string result = text.empty() ? platform::HomeFolder() : text;
    if (result.back() != '/')
        result += '/';
    return result;
}

} // namespace clipvane

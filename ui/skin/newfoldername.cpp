#include "ui/skin/newfoldername.h"

#include "platform/folders.h"

namespace clipvane {

std::string NextNewFolderName(const std::string& parent)
{
    const std::string base = !parent.empty() && parent.back() == '/' ? parent : parent + "/";
    for (int n = 1;; ++n) {
        const std::string name = "New folder" + std::to_string(n);
        if (!platform::FolderExists(base + name))
            return name;
    }
}

} // namespace clipvane

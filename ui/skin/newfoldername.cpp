#include "ui/skin/newfoldername.h"

#include "platform/folders.h"
#include "ui/skin/foldertreemodel.h"

namespace clipvane {

std::string NextNewFolderName(const std::string& parent)
{
    for (int n = 1;; ++n) {
        std::string name = "New folder" + std::to_string(n);
        if (!platform::FolderExists(ChildPath(parent, name)))
            return name;
    }
}

} // namespace clipvane

#pragma once

#include <string>

namespace clipvane {

// "New folder" followed by the smallest number from 1 up whose folder does not
// exist yet inside `parent` (raw bytes). A file of that name does not count,
// so making the folder then fails and is reported.
std::string NextNewFolderName(const std::string& parent);

} // namespace clipvane

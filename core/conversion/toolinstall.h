#pragma once

#include "platform/result.h"

#include <string>

namespace clipvane {

// Puts the converter adapter into the tool folder as "nnn.exe" and returns
// the folder (ending in "/"). The file is written when it is missing, when it
// is a part of the adapter (an install cut short) or an older adapter of
// ours; any other file there is left alone. The write is atomic: the file is
// the old one or the whole new one.
[[nodiscard]] Result<std::string> InstallConverterTool();

// Whether the file at `tool` is to be replaced by `adapter`, by the rules
// above.
bool ToolNeedsWriting(const std::string& tool, const std::string& adapter);

// The version an installed adapter of ours tells when asked (1 for those from
// before the question); -1 for any other file, which is run for at most a
// few seconds to find out.
int InstalledAdapterVersion(const std::string& tool);

// The tool folder for this user.
std::string ConverterToolFolder();

// Windows had short path forms; here a path is its own short form.
std::string ShortPath(const std::string& path);

} // namespace clipvane

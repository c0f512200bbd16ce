#pragma once

#include <string>

namespace clipvane {

// Puts the converter adapter into the tool folder as "nnn.exe" and sets the
// job's ToolFolder (ending in "/"). A missing file is written; one that is
// there is left alone, whatever it holds. Writing errors are raised.
void InstallConverterTool();

// The tool folder for this user.
std::string ConverterToolFolder();

// Windows had short path forms; here a path is its own short form.
std::string ShortPath(const std::string& path);

} // namespace clipvane

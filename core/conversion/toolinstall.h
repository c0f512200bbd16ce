#pragma once

#include <string>

namespace clipvane {

// Puts the converter adapter into the tool folder as "nnn.exe" and returns
// the folder (ending in "/"). A missing file is written; one that is there is
// left alone, whatever it holds. Writing errors are raised.
std::string InstallConverterTool();

// The tool folder for this user.
std::string ConverterToolFolder();

// Windows had short path forms; here a path is its own short form.
std::string ShortPath(const std::string& path);

} // namespace clipvane

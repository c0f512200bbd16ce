#pragma once

#include <string>

namespace clipvane {

// The output-folder field's rule: an empty text becomes the home folder, and a
// text that does not end in "/" gets one. A well-formed text comes back as is.
std::string NormalizeOutputFolder(const std::string& text);

// What keeps a job from saving into `folder`: that it does not exist, is no
// folder or cannot be written by this user; empty when nothing does.
std::string OutputFolderProblem(const std::string& folder);

} // namespace clipvane

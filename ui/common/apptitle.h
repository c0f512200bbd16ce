#pragma once

namespace clipvane {

// The application title: the caption of every message box and of the main
// window, and the program's name on the task bar.
inline constexpr const char* kApplicationTitle = "Clipvane 1.0";

} // namespace clipvane

#pragma once

#include <cstdint>
#include <string>

namespace clipvane {

// A byte count as whole kilobytes, digits grouped by three from the right with
// a blank before every full group (so "␣126 KB" and "1 953 125 KB").
std::string FormatKilobytes(std::int64_t bytes);

} // namespace clipvane

#include "core/download/kilobytes.h"

namespace clipvane {

std::string FormatKilobytes(std::int64_t bytes)
{
    const std::string digits = std::to_string(bytes / 1024);
    std::string result;
    std::size_t k = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        result.insert(result.begin(), *it);
        if (++k % 3 == 0)
            result.insert(result.begin(), ' ');
    }
    return result + " KB";
}

} // namespace clipvane

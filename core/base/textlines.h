#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clipvane {

// Walks the lines of a text the way the program's text lists split them: CR
// LF, a lone CR and a lone LF each end a line, a terminator at the very end
// adds no empty line, and the first NUL byte ends the text. One line at a
// time, as a view into the text: a text of millions of lines costs nothing
// more than itself.
class LineCursor
{
public:
    explicit LineCursor(std::string_view text);
    // The next line, or false when there is none.
    bool next(std::string_view& line);

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// All the lines at once, by the same rules.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace clipvane

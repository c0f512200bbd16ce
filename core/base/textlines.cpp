#include "core/base/textlines.h"

namespace clipvane {

LineCursor::LineCursor(std::string_view text) : m_text(text)
{
    if (const auto nul = m_text.find('\0'); nul != std::string_view::npos)
        m_text = m_text.substr(0, nul);
}

bool LineCursor::next(std::string_view& line)
{
    if (m_at >= m_text.size())
        return false;
    const auto end = m_text.find_first_of("\r\n", m_at);
    if (end == std::string_view::npos) {
        line = m_text.substr(m_at);
        m_at = m_text.size();
        return true;
    }
    line = m_text.substr(m_at, end - m_at);
    m_at = end + 1;
    if (m_text[end] == '\r' && m_at < m_text.size() && m_text[m_at] == '\n')
        ++m_at;
    return true;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    LineCursor cursor(text);
    for (std::string_view line; cursor.next(line);)
        lines.emplace_back(line);
    return lines;
}

} // namespace clipvane

#include "core/source/playlistbounds.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace clipvane {

namespace {

constexpr std::size_t kFarTooMuch = std::size_t{1} << 40;

// The document's markup as one byte a code unit: enough to find tags,
// quotes, names and references in UTF-16 and UTF-32 as in UTF-8. A code
// unit beyond ASCII becomes a letter that means nothing to markup.
std::string markupView(const std::string& d)
{
    auto byteAt = [&d](std::size_t i) { return static_cast<unsigned char>(d[i]); };
    std::size_t unit = 1;
    bool little = true;
    if (d.size() >= 4 && byteAt(0) == 0xFF && byteAt(1) == 0xFE && byteAt(2) == 0 && byteAt(3) == 0)
        unit = 4;
    else if (d.size() >= 4 && byteAt(0) == 0 && byteAt(1) == 0 && byteAt(2) == 0xFE &&
             byteAt(3) == 0xFF)
        unit = 4, little = false;
    else if ((d.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) ||
             (d.size() >= 4 && byteAt(0) == '<' && byteAt(1) == 0 && byteAt(2) != 0))
        unit = 2;
    else if ((d.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF) ||
             (d.size() >= 4 && byteAt(0) == 0 && byteAt(1) == '<' && byteAt(3) != 0))
        unit = 2, little = false;
    if (unit == 1)
        return d;
    std::string view;
    view.reserve(d.size() / unit);
    for (std::size_t i = 0; i + unit <= d.size(); i += unit) {
        unsigned long value = 0;
        for (std::size_t k = 0; k < unit; ++k)
            value |= static_cast<unsigned long>(byteAt(i + (little ? k : unit - 1 - k))) << (8 * k);
        view += value < 0x80 ? static_cast<char>(value) : 'x';
    }
    return view;
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int lineOf(std::string_view text, std::size_t at)
{
    return 1 + static_cast<int>(
                   std::count(text.begin(), text.begin() + std::min(at, text.size()), '\n'));
}

// The general entity references "&name;" of `text`, by name (character
// references are no entities).
std::map<std::string, std::size_t> references(std::string_view text)
{
    std::map<std::string, std::size_t> found;
    for (std::size_t at = text.find('&'); at != std::string_view::npos;
         at = text.find('&', at + 1)) {
        std::size_t end = at + 1;
        while (end < text.size() && isNameChar(text[end]))
            ++end;
        if (end > at + 1 && end < text.size() && text[end] == ';')
            ++found[std::string(text.substr(at + 1, end - at - 1))];
    }
    return found;
}

class Entities
{
public:
    // Reads the declarations of an internal subset; false for a parameter
    // entity, which no playlist needs and which could declare without end.
    bool read(std::string_view subset)
    {
        for (std::size_t at = subset.find("<!ENTITY"); at != std::string_view::npos;
             at = subset.find("<!ENTITY", at + 1)) {
            std::size_t i = at + 8;
            while (i < subset.size() && isBlank(subset[i]))
                ++i;
            if (i < subset.size() && subset[i] == '%')
                return false;
            const std::size_t nameStart = i;
            while (i < subset.size() && isNameChar(subset[i]))
                ++i;
            const std::string name(subset.substr(nameStart, i - nameStart));
            while (i < subset.size() && isBlank(subset[i]))
                ++i;
            if (i >= subset.size() || (subset[i] != '"' && subset[i] != '\''))
                continue; // an external entity: never loaded
            const char quote = subset[i];
            const std::size_t close = subset.find(quote, i + 1);
            if (close == std::string_view::npos)
                continue;
            m_values.emplace(name, subset.substr(i + 1, close - i - 1));
        }
        return true;
    }

    // What `name` becomes once every reference in it is replaced.
    std::size_t expandedSize(const std::string& name)
    {
        if (const auto known = m_sizes.find(name); known != m_sizes.end())
            return known->second;
        const auto value = m_values.find(name);
        if (value == m_values.end() || !m_visiting.insert(name).second)
            return 0; // unknown, or a loop: the parser refuses either by itself
        std::size_t size = value->second.size();
        for (const auto& [inner, count] : references(value->second))
            size = std::min(kFarTooMuch, size + std::min(kFarTooMuch, count * expandedSize(inner)));
        m_visiting.erase(name);
        m_sizes[name] = size;
        return size;
    }

private:
    std::map<std::string, std::string_view> m_values;
    std::map<std::string, std::size_t> m_sizes;
    std::set<std::string> m_visiting;
};

// The first element of more than kMostAttributesOfAnElement attributes.
std::optional<std::size_t> crowdedElement(std::string_view text)
{
    for (std::size_t at = text.find('<'); at != std::string_view::npos;) {
        std::size_t attributes = 0;
        char quote = 0;
        std::size_t i = at + 1;
        if (i < text.size() && (text[i] == '!' || text[i] == '?' || text[i] == '/')) {
            at = text.find('<', i);
            continue;
        }
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '=') {
                if (++attributes > kMostAttributesOfAnElement)
                    return at;
            } else if (c == '>') {
                break;
            }
        }
        at = text.find('<', i);
    }
    return std::nullopt;
}

} // namespace

std::optional<PlaylistBoundsProblem> CheckPlaylistBounds(const std::string& document)
{
    const std::string view = markupView(document);
    const std::string_view text(view);

    if (const auto crowded = crowdedElement(text))
        return PlaylistBoundsProblem{
            lineOf(text, *crowded), "an element has more than " +
                                        std::to_string(kMostAttributesOfAnElement) + " attributes"};

    const std::size_t doctype = text.find("<!DOCTYPE");
    if (doctype == std::string_view::npos)
        return std::nullopt;
    const std::size_t open = text.find('[', doctype);
    const std::size_t firstTag = text.find('<', doctype + 1);
    if (open == std::string_view::npos || (firstTag != std::string_view::npos && firstTag < open &&
                                           text.compare(firstTag, 2, "<!") != 0))
        return std::nullopt;
    const std::size_t close = text.find("]>", open);
    const std::string_view subset = text.substr(
        open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
    Entities entities;
    if (!entities.read(subset))
        return PlaylistBoundsProblem{lineOf(text, doctype), "parameter entities are not allowed"};
    if (close == std::string_view::npos)
        return std::nullopt;

    std::size_t growth = 0;
    for (const auto& [name, count] : references(text.substr(close + 2)))
        growth = std::min(kFarTooMuch,
                          growth + std::min(kFarTooMuch, count * entities.expandedSize(name)));
    if (growth > kEntityGrowthFactor * document.size() + kEntityGrowthAllowance)
        return PlaylistBoundsProblem{lineOf(text, doctype), "its entities would make it " +
                                                                std::to_string(growth) +
                                                                " bytes long"};
    return std::nullopt;
}

} // namespace clipvane

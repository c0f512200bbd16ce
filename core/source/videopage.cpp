#include "core/source/videopage.h"

#include "core/base/asciicase.h"
#include "core/base/textlines.h"
#include "core/source/webfetch.h"

#include <QLocale>
#include <QTime>
#include <optional>
#include <vector>

namespace clipvane {

namespace {

constexpr std::string_view kIdMarker = "y_up_eautostart"; // folded
constexpr std::string_view kTitleOpen = "<title>";
constexpr std::string_view kTitleClose = "</title>";
constexpr std::string_view kServiceSuffix = " - yahoo! video"; // folded
constexpr std::size_t kCutLength = 255;
constexpr std::size_t kLongestTitle = 53;
constexpr std::size_t kCutTitle = 50;

std::string clipIdOf(std::string line)
{
    if (const auto first = line.find('\''); first != std::string::npos)
        line.erase(0, first + 1);
    if (const auto next = line.find('\''); next != std::string::npos)
        line.erase(next, kCutLength);
    return line;
}

// The title tags are found in any letter case: a page that writes <TITLE>
// passes the test, so it is cut by the same tags.
std::string titleOf(std::string line)
{
    const auto open = AsciiLower(line).find(kTitleOpen);
    line.erase(0, open + kTitleOpen.size());
    if (const auto close = AsciiLower(line).find(kTitleClose); close != std::string::npos)
        line.erase(close, kCutLength);
    if (const auto suffix = AsciiLower(line).find(kServiceSuffix); suffix != std::string::npos)
        line.erase(suffix, kServiceSuffix.size());
    return line;
}

// Byte offsets of the characters of a valid UTF-8 text, or nothing.
std::optional<std::vector<std::size_t>> utf8Starts(const std::string& text)
{
    std::vector<std::size_t> starts;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > text.size())
            return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            value = (value << 6) | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return std::nullopt;
        starts.push_back(i);
        i += length;
    }
    return starts;
}

} // namespace

std::string CleanTitle(std::string title)
{
    for (const char bad : {'\\', '/', ':', '?', '*', '"', '<', '>'})
        for (char& c : title)
            if (c == bad)
                c = '_';

    if (const auto starts = utf8Starts(title)) {
        if (starts->size() > kLongestTitle)
            title = title.substr(0, (*starts)[kCutTitle]) + "...";
    } else if (title.size() > kLongestTitle) {
        title = title.substr(0, kCutTitle) + "...";
    }
    return title;
}

ScrapedPage ScrapePage(std::string_view body, const std::string& timeOfDay)
{
    ScrapedPage page;
    const std::vector<std::string> lines = SplitLines(body);
    for (const std::string& line : lines) {
        if (!page.clipId.empty())
            break;
        if (AsciiLower(line).find(kIdMarker) != std::string::npos)
            page.clipId = clipIdOf(line);
    }
    for (const std::string& line : lines) {
        if (!page.title.empty())
            break;
        if (AsciiLower(line).find(kTitleOpen) != std::string::npos)
            page.title = titleOf(line);
    }
    if (page.title.empty())
        page.title = "video" + timeOfDay;
    page.title = CleanTitle(page.title);
    return page;
}

std::string LongTimeOfDay()
{
    // Qt's long format adds the time zone, which a time of day does not have.
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('s')))
        format = QStringLiteral("HH:mm:ss");
    return locale.toString(QTime::currentTime(), format).toStdString();
}

ScrapedPage ScrapeVideoPage(const std::string& address)
{
    return ScrapePage(FetchUrlText(address), LongTimeOfDay());
}

} // namespace clipvane

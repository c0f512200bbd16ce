#include "core/source/videopage.h"

#include "core/base/asciicase.h"
#include "core/base/textlines.h"
#include "core/base/utf8.h"
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

// Delete(text, at, 255), the old string routine: what lies past the 255
// characters stays.
std::string withoutCut(std::string_view text, std::size_t at)
{
    std::string result(text.substr(0, at));
    if (at + kCutLength < text.size())
        result.append(text.substr(at + kCutLength));
    return result;
}

std::string clipIdOf(std::string_view line)
{
    if (const auto first = line.find('\''); first != std::string_view::npos)
        line.remove_prefix(first + 1);
    if (const auto next = line.find('\''); next != std::string_view::npos)
        return withoutCut(line, next);
    return std::string(line);
}

// The title tags are found in any letter case: a page that writes <TITLE>
// passes the test, so it is cut by the same tags.
std::string titleOf(std::string_view line)
{
    line.remove_prefix(FindNoCase(line, kTitleOpen) + kTitleOpen.size());
    std::string title;
    if (const auto close = FindNoCase(line, kTitleClose); close != std::string_view::npos)
        title = withoutCut(line, close);
    else
        title = line;
    if (const auto suffix = FindNoCase(title, kServiceSuffix); suffix != std::string::npos)
        title.erase(suffix, kServiceSuffix.size());
    return title;
}

// Of a text that is valid UTF-8: where its character `cutAt` starts, and
// whether it has more than `longest` characters. Nothing for another text.
// The whole text is looked at (one bad byte anywhere makes it not UTF-8),
// but no more is kept than two numbers.
struct Utf8Cut
{
    std::size_t cutOffset = 0;
    bool tooLong = false;
};
std::optional<Utf8Cut> utf8Cut(const std::string& text, std::size_t cutAt, std::size_t longest)
{
    Utf8Cut cut;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8CharLength(text, i);
        if (length == 0)
            return std::nullopt;
        if (characters == cutAt)
            cut.cutOffset = i;
        ++characters;
        i += length;
    }
    cut.tooLong = characters > longest;
    return cut;
}

} // namespace

std::string CleanTitle(std::string title)
{
    for (char& c : title)
        for (const char bad : {'\\', '/', ':', '?', '*', '"', '<', '>'})
            if (c == bad)
                c = '_';

    if (const auto cut = utf8Cut(title, kCutTitle, kLongestTitle)) {
        if (cut->tooLong)
            title = title.substr(0, cut->cutOffset) + "...";
    } else if (title.size() > kLongestTitle) {
        title = title.substr(0, kCutTitle) + "...";
    }
    return title;
}

std::string FindClipId(std::string_view body)
{
    std::string clipId;
    LineCursor ids(body);
    for (std::string_view line; clipId.empty() && ids.next(line);)
        if (FindNoCase(line, kIdMarker) != std::string_view::npos)
            clipId = clipIdOf(line);
    return clipId;
}

ScrapedPage ScrapePage(std::string_view body, const std::string& timeOfDay)
{
    ScrapedPage page;
    page.clipId = FindClipId(body);
    LineCursor titles(body);
    for (std::string_view line; page.title.empty() && titles.next(line);)
        if (FindNoCase(line, kTitleOpen) != std::string_view::npos)
            page.title = titleOf(line);
    if (page.title.empty())
        page.title = "video" + timeOfDay;
    page.title = CleanTitle(std::move(page.title));
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

ScrapedPage ScrapeVideoPage(const std::string& address, const StopFlag* stop)
{
    return ScrapePage(FetchUrlText(address, stop), LongTimeOfDay());
}

} // namespace clipvane

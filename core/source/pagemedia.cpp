#include "core/source/pagemedia.h"

#include "core/base/asciicase.h"
#include "core/base/utf8.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>
#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <memory>
#include <optional>

namespace clipvane {

namespace {

// The parts of a page that name a video, gathered as the parser goes.
struct Gathered
{
    // Open Graph's structured video properties: each og:video (or a second
    // address of a kind already given) starts a video of its own.
    struct OpenGraphVideo
    {
        std::string secure, url, plain, type;
    };
    struct Source
    {
        std::string address;
        std::string type;
    };

    std::string base;
    bool baseSeen = false;
    std::vector<OpenGraphVideo> openGraph;
    std::vector<std::string> twitterStreams;
    std::string ogTitle, twitterTitle, htmlTitle;
    bool titleSeen = false;
    int inTitle = 0;
    bool inJsonLd = false;
    std::string jsonLd;
    std::vector<std::string> jsonLdBlocks;
    int videoDepth = 0;
    std::vector<std::vector<Source>> videos;
    std::vector<std::string> iframes;
};

std::string text(const xmlChar* value)
{
    return value ? reinterpret_cast<const char*>(value) : std::string();
}

std::optional<std::string> attribute(const xmlChar** attributes, const char* name)
{
    for (const xmlChar** a = attributes; a && a[0]; a += 2)
        if (AsciiLower(text(a[0])) == name)
            return text(a[1]);
    return std::nullopt;
}

void noteMeta(Gathered& g, const xmlChar** attributes)
{
    const std::string key = AsciiLower(
        attribute(attributes, "property").value_or(attribute(attributes, "name").value_or("")));
    const std::optional<std::string> content = attribute(attributes, "content");
    if (!content || key.empty())
        return;
    auto current = [&g](std::string Gathered::OpenGraphVideo::*field) -> std::string& {
        if (g.openGraph.empty() || !(g.openGraph.back().*field).empty())
            g.openGraph.emplace_back();
        return g.openGraph.back().*field;
    };
    if (key == "og:video")
        current(&Gathered::OpenGraphVideo::plain) = *content;
    else if (key == "og:video:url")
        current(&Gathered::OpenGraphVideo::url) = *content;
    else if (key == "og:video:secure_url")
        current(&Gathered::OpenGraphVideo::secure) = *content;
    else if (key == "og:video:type" && !g.openGraph.empty())
        g.openGraph.back().type = AsciiLower(*content);
    else if (key == "twitter:player:stream")
        g.twitterStreams.push_back(*content);
    else if (key == "og:title" && g.ogTitle.empty())
        g.ogTitle = *content;
    else if (key == "twitter:title" && g.twitterTitle.empty())
        g.twitterTitle = *content;
}

void startElement(void* context, const xmlChar* rawName, const xmlChar** attributes)
{
    auto& g = *static_cast<Gathered*>(context);
    const std::string name = AsciiLower(text(rawName));
    if (name == "meta") {
        noteMeta(g, attributes);
    } else if (name == "base" && !g.baseSeen) {
        if (const auto href = attribute(attributes, "href")) {
            g.base = *href;
            g.baseSeen = true;
        }
    } else if (name == "title") {
        ++g.inTitle;
    } else if (name == "script") {
        const std::string type = AsciiLower(attribute(attributes, "type").value_or(""));
        g.inJsonLd = type.find("ld+json") != std::string::npos;
        g.jsonLd.clear();
    } else if (name == "video") {
        ++g.videoDepth;
        g.videos.emplace_back();
        for (const char* which : {"src", "data-src"})
            if (const auto address = attribute(attributes, which))
                g.videos.back().push_back({*address, {}});
    } else if (name == "source" && g.videoDepth > 0) {
        const std::string type = AsciiLower(attribute(attributes, "type").value_or(""));
        for (const char* which : {"src", "data-src"})
            if (const auto address = attribute(attributes, which))
                g.videos.back().push_back({*address, type});
    } else if (name == "iframe") {
        for (const char* which : {"src", "data-src"})
            if (const auto address = attribute(attributes, which))
                g.iframes.push_back(*address);
    }
}

void endElement(void* context, const xmlChar* rawName)
{
    auto& g = *static_cast<Gathered*>(context);
    const std::string name = AsciiLower(text(rawName));
    if (name == "title" && g.inTitle > 0) {
        --g.inTitle;
        g.titleSeen = true;
    } else if (name == "script" && g.inJsonLd) {
        g.jsonLdBlocks.push_back(std::move(g.jsonLd));
        g.jsonLd.clear();
        g.inJsonLd = false;
    } else if (name == "video" && g.videoDepth > 0) {
        --g.videoDepth;
    }
}

constexpr std::size_t kLongestTitleText = std::size_t{64} * 1024;

void characters(void* context, const xmlChar* chars, int length)
{
    auto& g = *static_cast<Gathered*>(context);
    const std::string_view piece(reinterpret_cast<const char*>(chars),
                                 static_cast<std::size_t>(std::max(length, 0)));
    if (g.inJsonLd)
        g.jsonLd.append(piece);
    else if (g.inTitle > 0 && !g.titleSeen && g.htmlTitle.size() < kLongestTitleText)
        // A file name keeps some fifty characters of it; a page whose title
        // runs for megabytes is not held whole.
        g.htmlTitle.append(piece.substr(0, kLongestTitleText - g.htmlTitle.size()));
}

void ignoreMessage(void*, xmlErrorPtr) {}

// Blanks of any kind become one, and none stand at either end.
std::string collapsed(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// The charset a page declares in its first bytes, as browsers look for it.
std::string declaredCharset(std::string_view page)
{
    const std::string head = AsciiLower(page.substr(0, 4096));
    for (std::size_t at = head.find("<meta"); at != std::string::npos;
         at = head.find("<meta", at + 5)) {
        const auto end = head.find('>', at);
        const std::string tag = head.substr(at, end == std::string::npos ? 512 : end - at);
        const auto charset = tag.find("charset=");
        if (charset == std::string::npos)
            continue;
        std::size_t i = charset + 8;
        while (i < tag.size() && (tag[i] == '"' || tag[i] == '\'' || tag[i] == ' '))
            ++i;
        std::size_t j = i;
        while (j < tag.size() && tag[j] != '"' && tag[j] != '\'' && tag[j] != ' ' &&
               tag[j] != ';' && tag[j] != '/')
            ++j;
        if (j > i)
            return tag.substr(i, j - i);
    }
    return {};
}

bool validUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = Utf8CharLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

void gather(std::string_view page, const std::string& address, const std::string& charset,
            Gathered& g)
{
    htmlSAXHandler sax{};
    sax.startElement = startElement;
    sax.endElement = endElement;
    sax.characters = characters;
    sax.cdataBlock = characters;
    sax.serror = ignoreMessage;

    std::string encoding = charset.empty() ? declaredCharset(page) : AsciiLower(charset);
    if (encoding.empty())
        encoding = validUtf8(page) ? "utf-8" : "windows-1252";
    // Latin-1 as the web means it: Windows-1252, whose extra letters a page
    // that says ISO-8859-1 uses all the same.
    if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "us-ascii")
        encoding = "windows-1252";

    std::unique_ptr<htmlParserCtxt, decltype(&htmlFreeParserCtxt)> context(
        htmlCreatePushParserCtxt(&sax, &g, nullptr, 0, address.c_str(), XML_CHAR_ENCODING_NONE),
        htmlFreeParserCtxt);
    if (!context)
        return;
    htmlCtxtUseOptions(context.get(), HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
    // A byte order mark says more than any declaration; else the declared
    // or guessed charset, when the parser knows it.
    const bool marked =
        page.size() >= 2 &&
        ((page[0] == '\xFF' && page[1] == '\xFE') || (page[0] == '\xFE' && page[1] == '\xFF') ||
         (page.size() >= 3 && page[0] == '\xEF' && page[1] == '\xBB' && page[2] == '\xBF'));
    if (!marked)
        if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(encoding.c_str()))
            xmlSwitchToEncoding(context.get(), handler);
    constexpr std::size_t kChunk = std::size_t{64} * 1024;
    for (std::size_t at = 0; at < page.size(); at += kChunk) {
        const std::size_t size = std::min(kChunk, page.size() - at);
        if (htmlParseChunk(context.get(), page.data() + at, static_cast<int>(size), 0) != 0 &&
            context->disableSAX)
            break;
    }
    htmlParseChunk(context.get(), nullptr, 0, 1);
}

bool isVideoObject(const QJsonObject& object)
{
    const QJsonValue type = object.value(QStringLiteral("@type"));
    if (type.isString())
        return type.toString() == QStringLiteral("VideoObject");
    if (type.isArray()) {
        const QJsonArray types = type.toArray();
        for (qsizetype i = 0; i < types.size(); ++i)
            if (types.at(i).toString() == QStringLiteral("VideoObject"))
                return true;
    }
    return false;
}

std::string firstString(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().toStdString();
    if (value.isArray()) {
        const QJsonArray items = value.toArray();
        for (qsizetype i = 0; i < items.size(); ++i)
            if (std::string s = firstString(items.at(i)); !s.empty())
                return s;
    }
    if (value.isObject())
        return firstString(value.toObject().value(QStringLiteral("url")));
    return {};
}

// Every VideoObject, however deep (in @graph, arrays, other objects).
void videoObjects(const QJsonValue& value, std::vector<QJsonObject>& found, int depth = 0)
{
    if (depth > 64)
        return;
    if (value.isArray()) {
        const QJsonArray items = value.toArray();
        for (qsizetype i = 0; i < items.size(); ++i)
            videoObjects(items.at(i), found, depth + 1);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (isVideoObject(object))
            found.push_back(object);
        for (auto it = object.begin(); it != object.end(); ++it)
            videoObjects(it.value(), found, depth + 1);
    }
}

std::optional<QJsonDocument> readJson(std::string block)
{
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(block), &error);
    if (error.error == QJsonParseError::NoError)
        return document;
    // Old pages wrap it for browsers that did not know scripts.
    for (const char* wrapper : {"<!--", "-->", "<![CDATA[", "]]>", "//"}) {
        for (auto at = block.find(wrapper); at != std::string::npos; at = block.find(wrapper))
            block.erase(at, std::string(wrapper).size());
    }
    document = QJsonDocument::fromJson(QByteArray::fromStdString(block), &error);
    if (error.error == QJsonParseError::NoError)
        return document;
    return std::nullopt;
}

bool isPlaceholder(const std::string& address)
{
    const std::string a = AsciiLower(collapsed(address));
    return a.empty() || a == "//:0" || a.rfind("about:", 0) == 0 || a.rfind("blob:", 0) == 0 ||
           a.rfind("data:", 0) == 0 || a.rfind("javascript:", 0) == 0 || a == "#";
}

std::string pathOf(const std::string& address)
{
    const QUrl url(QString::fromStdString(address));
    return AsciiLower(url.path().toStdString());
}

bool endsWith(const std::string& text, const char* suffix)
{
    const std::string s(suffix);
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

// MP4 first, HLS next, what cannot be told after, WebM last.
int preference(const Gathered::Source& source)
{
    const std::string path = pathOf(source.address);
    if (source.type.find("mp4") != std::string::npos || endsWith(path, ".mp4") ||
        endsWith(path, ".m4v"))
        return 0;
    if (source.type.find("mpegurl") != std::string::npos || endsWith(path, ".m3u8"))
        return 1;
    if (source.type.find("webm") != std::string::npos || endsWith(path, ".webm"))
        return 3;
    return 2;
}

bool hasMediaExtension(const std::string& address)
{
    const std::string path = pathOf(address);
    for (const char* extension : {".mp4", ".m4v", ".webm", ".m3u8", ".mov", ".flv", ".ts", ".mkv"})
        if (endsWith(path, extension))
            return true;
    return false;
}

} // namespace

std::string AbsoluteWebAddress(const std::string& base, const std::string& reference)
{
    if (isPlaceholder(reference))
        return {};
    const QUrl from(QString::fromStdString(base));
    const QUrl to(QString::fromStdString(collapsed(reference)), QUrl::TolerantMode);
    if (!to.isValid())
        return {};
    const QUrl resolved = from.resolved(to);
    const QString scheme = resolved.scheme().toLower();
    if ((scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) ||
        resolved.host().isEmpty() || !resolved.isValid())
        return {};
    return resolved.toString(QUrl::FullyEncoded).toStdString();
}

bool LooksLikeHls(const std::string& address)
{
    return endsWith(pathOf(address), ".m3u8");
}

std::string CharsetOf(const std::string& contentType)
{
    const std::string lower = AsciiLower(contentType);
    const auto at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string value = lower.substr(at + 8);
    value = value.substr(0, value.find(';'));
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    return collapsed(value);
}

PageFindings FindPageMedia(std::string_view page, const std::string& pageAddress,
                           const std::string& charset)
{
    Gathered g;
    if (page.find('\0') != std::string_view::npos) {
        // A browser reads on past a NUL byte; the parser would stop there.
        std::string copy(page);
        std::replace(copy.begin(), copy.end(), '\0', ' ');
        gather(copy, pageAddress, charset, g);
    } else {
        gather(page, pageAddress, charset, g);
    }

    PageFindings found;
    const std::string base =
        g.baseSeen ? AbsoluteWebAddress(pageAddress, g.base) : std::string(pageAddress);
    const std::string& from = base.empty() ? pageAddress : base;
    auto add = [&](const std::string& reference) {
        const std::string address = AbsoluteWebAddress(from, reference);
        if (!address.empty() && endsWith(pathOf(address), ".swf"))
            return;
        if (!address.empty() &&
            std::find(found.media.begin(), found.media.end(), address) == found.media.end())
            found.media.push_back(address);
    };

    for (const Gathered::OpenGraphVideo& video : g.openGraph) {
        // A player page, or Flash, stands for no media of its own; only an
        // address that names a media file is taken from such an entry.
        const bool player = video.type.find("html") != std::string::npos ||
                            video.type.find("flash") != std::string::npos;
        for (const std::string* address : {&video.secure, &video.url, &video.plain})
            if (!address->empty() && (!player || hasMediaExtension(*address)))
                add(*address);
    }
    for (const std::string& stream : g.twitterStreams)
        add(stream);

    std::string jsonLdName;
    for (const std::string& block : g.jsonLdBlocks) {
        const std::optional<QJsonDocument> document = readJson(block);
        if (!document)
            continue;
        std::vector<QJsonObject> objects;
        videoObjects(document->isArray() ? QJsonValue(document->array())
                                         : QJsonValue(document->object()),
                     objects);
        for (const QJsonObject& object : objects) {
            add(firstString(object.value(QStringLiteral("contentUrl"))));
            if (jsonLdName.empty())
                jsonLdName = firstString(object.value(QStringLiteral("name")));
        }
    }

    for (std::vector<Gathered::Source> sources : g.videos) {
        std::stable_sort(sources.begin(), sources.end(),
                         [](const Gathered::Source& a, const Gathered::Source& b) {
                             return preference(a) < preference(b);
                         });
        for (const Gathered::Source& source : sources)
            add(source.address);
    }

    for (const std::string& reference : g.iframes) {
        const std::string address = AbsoluteWebAddress(from, reference);
        if (!address.empty() &&
            std::find(found.players.begin(), found.players.end(), address) == found.players.end())
            found.players.push_back(address);
    }

    for (const std::string* title : {&g.ogTitle, &g.twitterTitle, &jsonLdName, &g.htmlTitle}) {
        found.title = collapsed(*title);
        if (!found.title.empty())
            break;
    }
    return found;
}

} // namespace clipvane

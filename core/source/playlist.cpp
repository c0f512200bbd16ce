#include "core/source/playlist.h"

#include "core/base/asciicase.h"
#include "core/base/error.h"
#include "core/source/playlistbounds.h"
#include "core/source/webfetch.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <memory>

namespace clipvane {

namespace {

const char* text(const xmlChar* value)
{
    return reinterpret_cast<const char*>(value);
}

// The name a node goes by in a document object model: elements and
// attributes with their prefix, the other kinds by their "#" names.
std::string nodeName(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        if (node->ns && node->ns->prefix)
            return std::string(text(node->ns->prefix)) + ":" + text(node->name);
        return text(node->name);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    default:
        return node->name ? text(node->name) : "";
    }
}

std::string readError(const char* why, int line)
{
    return "The playlist cannot be read (line " + std::to_string(line) + "): " + why;
}

void ignoreParserMessage(void*, xmlErrorPtr) {}

// The line end added after the document, written in the document's own
// encoding: in UTF-16 the two bytes CR LF would be one character that is
// no blank, and the parser would refuse what follows the root.
std::string LineEndIn(const std::string& body)
{
    auto byteAt = [&body](std::size_t i) {
        return i < body.size() ? static_cast<unsigned char>(body[i]) : 0x100u;
    };
    const bool utf32 =
        (byteAt(0) == 0xFF && byteAt(1) == 0xFE && byteAt(2) == 0 && byteAt(3) == 0) ||
        (byteAt(0) == 0 && byteAt(1) == 0 && byteAt(2) == 0xFE && byteAt(3) == 0xFF);
    if (utf32)
        return {}; // where nothing follows the root, nothing needs to be added
    if ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == '<' && byteAt(1) == 0))
        return std::string("\r\0\n\0", 4);
    if ((byteAt(0) == 0xFE && byteAt(1) == 0xFF) || (byteAt(0) == 0 && byteAt(1) == '<'))
        return std::string("\0\r\0\n", 4);
    return "\r\n";
}

std::string attribute(xmlNode* stream, const char* name)
{
    xmlChar* value = xmlGetNoNsProp(stream, reinterpret_cast<const xmlChar*>(name));
    if (!value) {
        const std::string why = std::string("the STREAM element has no ") + name + " attribute";
        throw Error(readError(why.c_str(), static_cast<int>(xmlGetLineNo(stream))));
    }
    std::string result = text(value);
    xmlFree(value);
    return result;
}

} // namespace

XmlDocument::~XmlDocument()
{
    close();
}

void XmlDocument::close()
{
    if (m_document)
        xmlFreeDoc(m_document);
    m_document = nullptr;
}

void XmlDocument::loadFromText(const std::string& body)
{
    close();
    if (const auto problem = CheckPlaylistBounds(body))
        throw Error(readError(problem->why.c_str(), problem->line));
    const std::string xml = body + LineEndIn(body);
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                         xmlFreeParserCtxt);
    if (!context)
        throw Error(readError("out of memory", 0));
    // The parser's own messages go nowhere: the error below carries them.
    xmlSetStructuredErrorFunc(nullptr, ignoreParserMessage);
    m_document = xmlCtxtReadMemory(context.get(), xml.data(), static_cast<int>(xml.size()),
                                   "playlist.xml", nullptr, XML_PARSE_NONET);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!m_document || !context->wellFormed) {
        std::string why = "the document is not well-formed";
        int line = 0;
        if (const xmlError* error = xmlCtxtGetLastError(context.get()); error && error->message) {
            why = error->message;
            while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
                why.pop_back();
            line = error->line;
        }
        close();
        throw Error(readError(why.c_str(), line));
    }
}

xmlNode* XmlDocument::documentElement() const
{
    return m_document ? xmlDocGetRootElement(m_document) : nullptr;
}

xmlNode* FindChildNode(xmlNode* node, const std::string& name)
{
    if (!node)
        return nullptr;
    const std::string wanted = AsciiUpper(name);
    xmlNode* found = nullptr;
    for (xmlNode* child = node->children; child; child = child->next)
        if (AsciiUpper(nodeName(child)) == wanted)
            found = child;
    return found;
}

std::string BuildStreamUrl(const XmlDocument& document)
{
    xmlNode* stream = FindChildNode(document.documentElement(), "STREAM");
    if (!stream)
        return {};
    // A child of another kind may carry the name; only an element has attributes.
    if (stream->type != XML_ELEMENT_NODE)
        throw Error(
            readError("the STREAM node is not an element", static_cast<int>(xmlGetLineNo(stream))));
    const std::string prefix = attribute(stream, "URLPREFIX");
    const std::string server = attribute(stream, "SERVER");
    const std::string path = attribute(stream, "PATH");
    const std::string query = attribute(stream, "QUERYSTRING");
    return prefix + server + path + "?" + query;
}

std::string ResolveFlvUrl(XmlDocument& document, const std::string& address, const StopFlag* stop)
{
    document.loadFromText(FetchUrlText(address, stop));
    return BuildStreamUrl(document);
}

} // namespace clipvane

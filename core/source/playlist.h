#pragma once

#include "core/source/internet.h"

#include <string>

// libxml2's own names for its document and node.
struct _xmlDoc;  // NOLINT(bugprone-reserved-identifier)
struct _xmlNode; // NOLINT(bugprone-reserved-identifier)

namespace clipvane {

// The XML document object the main window keeps for the playlist. Each load
// replaces the document before it; the last one stays until the next load.
// The parser never reads files or the network, loads no DTD and no external
// entity; internal entities are resolved.
class XmlDocument
{
public:
    XmlDocument() = default;
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Parses `text`; a document the parser rejects raises an Error that names
    // the parser's reason and line, and leaves no document loaded.
    void loadFromText(const std::string& text);
    void close();

    _xmlNode* documentElement() const;

private:
    _xmlDoc* m_document = nullptr;
};

// The last direct child of `node`, of any kind, whose name equals `name` with
// ASCII letters folded to upper case; nullptr when there is none.
_xmlNode* FindChildNode(_xmlNode* node, const std::string& name);

// URLPREFIX + SERVER + PATH + "?" + QUERYSTRING of the root's STREAM child;
// empty when there is none. A missing attribute raises an Error.
std::string BuildStreamUrl(const XmlDocument& document);

// Fetches the playlist at `address` into `document` and builds the stream
// address from it.
std::string ResolveFlvUrl(XmlDocument& document, const std::string& address,
                          const StopFlag* stop = nullptr);

} // namespace clipvane

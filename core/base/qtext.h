#pragma once

#include <QString>
#include <string>

namespace clipvane {

// Texts travel as byte strings; only what is shown, or handed to Qt's file
// classes, becomes a QString. These are the two crossings.
QString ToQString(const std::string& bytes);
std::string ToBytes(const QString& text);

// File names are bytes on Linux: these keep names that are not valid UTF-8.
QString PathToQString(const std::string& path);
std::string PathToBytes(const QString& path);

} // namespace clipvane

#pragma once

#include <cstdint>
#include <string>

namespace clipvane {

// What the settings file sets, in the order it sets it.
class SettingsTarget
{
public:
    virtual ~SettingsTarget() = default;
    virtual void setOutputFolder(const std::string& folder) = 0;
    virtual void setTop(std::int32_t top) = 0;
    virtual void setLeft(std::int32_t left) = 0;
};

// Applies "set.txt" line by line: the folder, the top edge, the left edge.
// A missing file applies nothing. A short file or a line that is not a number
// stops the reading with an error after the lines before it were applied.
void ApplySettingsFile(const std::string& path, SettingsTarget& target);

// The same rules on the file's bytes (for a file that was read already).
void ApplySettingsText(const std::string& text, SettingsTarget& target);

// The file's bytes: three lines, each ended by CR LF.
std::string FormatSettings(const std::string& folder, std::int32_t top, std::int32_t left);

// Replaces the file whole; raises "Cannot create file ..." when it cannot.
void WriteSettingsFile(const std::string& path, const std::string& folder, std::int32_t top,
                       std::int32_t left);

std::string CannotOpenFileMessage(const std::string& path, const std::string& cause);
std::string CannotCreateFileMessage(const std::string& path, const std::string& cause);
std::string ListIndexMessage(int index);

} // namespace clipvane

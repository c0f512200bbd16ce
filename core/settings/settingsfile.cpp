#include "core/settings/settingsfile.h"

#include "core/base/error.h"
#include "core/base/strtoint.h"
#include "core/base/textlines.h"
#include "platform/files.h"
#include "platform/folders.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

namespace clipvane {

std::string CannotOpenFileMessage(const std::string& path, const std::string& cause)
{
    return "Cannot open file \"" + path + "\". " + cause;
}

std::string CannotCreateFileMessage(const std::string& path, const std::string& cause)
{
    return "Cannot create file \"" + path + "\". " + cause;
}

std::string ListIndexMessage(int index)
{
    return "List index out of bounds (" + std::to_string(index) + ")";
}

void ApplySettingsFile(const std::string& path, SettingsTarget& target)
{
    if (!platform::FileExists(path))
        return;

    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(CannotOpenFileMessage(path, platform::ErrorText(errno)));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ApplySettingsText(text, target);
}

void ApplySettingsText(const std::string& text, SettingsTarget& target)
{
    const std::vector<std::string> lines = SplitLines(text);

    auto line = [&lines](int index) -> const std::string& {
        if (index >= static_cast<int>(lines.size()))
            throw ListError(ListIndexMessage(index));
        return lines[static_cast<std::size_t>(index)];
    };

    target.setOutputFolder(line(0));
    target.setTop(StrToInt(line(1)));
    target.setLeft(StrToInt(line(2)));
}

std::string FormatSettings(const std::string& folder, std::int32_t top, std::int32_t left)
{
    return folder + "\r\n" + std::to_string(top) + "\r\n" + std::to_string(left) + "\r\n";
}

void WriteSettingsFile(const std::string& path, const std::string& folder, std::int32_t top,
                       std::int32_t left)
{
    // A write that fails (a full disk, a power cut) keeps the old file.
    const Status written =
        platform::ReplaceFileAtomically(path, FormatSettings(folder, top, left), 0644);
    if (!written)
        throw FileError(written.failure().text);
}

} // namespace clipvane

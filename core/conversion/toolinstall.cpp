#include "core/conversion/toolinstall.h"

#include "core/base/error.h"
#include "platform/files.h"
#include "platform/folders.h"

#include <QFile>

namespace clipvane {

namespace {

// The adapter travels inside the program as a resource, as the converter did.
constexpr const char* kConverterResource = ":/converter/nnn";
constexpr const char* kConverterResourceName = "#1";

void makeParents(const std::string& folder)
{
    for (std::size_t i = 1; i < folder.size(); ++i)
        if (folder[i] == '/')
            platform::CreateFolder(folder.substr(0, i));
}

} // namespace

std::string ConverterToolFolder()
{
    return platform::DataFolder() + "tolrand_yt_1/";
}

std::string ShortPath(const std::string& path)
{
    return path;
}

std::string InstallConverterTool()
{
    const std::string folder = ConverterToolFolder();
    const std::string tool = folder + "nnn.exe";
    if (!platform::FolderExists(folder)) {
        makeParents(folder);
        platform::CreateFolder(folder);
    }
    // A tool folder left without its converter gets one; a file that is
    // there (perhaps a converter of the user's own) is never replaced.
    if (!platform::FileExists(tool)) {
        QFile resource(QString::fromLatin1(kConverterResource));
        if (!resource.open(QIODevice::ReadOnly))
            throw EFileError(std::string("Resource ") + kConverterResourceName + " not found");
        const QByteArray bytes = resource.readAll();
        const std::string error = platform::WriteWholeFile(tool, bytes.toStdString(), 0755);
        if (!error.empty())
            throw EFileError(error);
    }
    return ShortPath(folder);
}

} // namespace clipvane

#include "core/conversion/toolinstall.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"

#include <QFile>
#include <QProcess>

namespace clipvane {

namespace {

// The adapter travels inside the program as a resource, as the converter did.
constexpr const char* kConverterResource = ":/converter/nnn";
constexpr const char* kConverterResourceName = "#1";
constexpr std::string_view kVersionAnswer = "clipvane-nnn-adapter ";
// What adapters from before the version query say first, whatever they are asked.
constexpr std::string_view kFirstAdapterBanner = "nnn.exe, the Clipvane converter adapter";
constexpr int kLongestVersionQueryMs = 2000;

void makeParents(const std::string& folder)
{
    for (std::size_t i = 1; i < folder.size(); ++i)
        if (folder[i] == '/')
            platform::CreateFolder(folder.substr(0, i));
}

// Up to `limit` bytes of the file (one more tells it is longer).
std::string readPrefix(const std::string& path, std::size_t limit)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(static_cast<qint64>(limit)).toStdString();
}

} // namespace

int InstalledAdapterVersion(const std::string& tool)
{
    QProcess query;
    query.setProcessChannelMode(QProcess::MergedChannels);
    query.setStandardInputFile(QProcess::nullDevice());
    const std::int64_t parent = platform::CurrentProcessId();
    query.setChildProcessModifier([parent] { platform::PrepareChildProcess(parent); });
    query.start(QFile::decodeName(QByteArray::fromStdString(tool)),
                {QStringLiteral("--adapter-version")}, QIODevice::ReadOnly);
    if (!query.waitForStarted(kLongestVersionQueryMs))
        return -1;
    // A file that is no adapter of ours may do anything when run; it gets
    // no more time than an answer takes.
    if (!query.waitForFinished(kLongestVersionQueryMs)) {
        platform::KillProcessGroup(query.processId());
        query.waitForFinished(kLongestVersionQueryMs);
    }
    const std::string said = query.readAll().left(4096).toStdString();

    if (said.rfind(kFirstAdapterBanner, 0) == 0)
        return 1;
    if (said.rfind(kVersionAnswer, 0) != 0)
        return -1;
    int version = 0;
    for (std::size_t i = kVersionAnswer.size(); i < said.size() && said[i] >= '0' && said[i] <= '9';
         ++i) {
        version = version * 10 + (said[i] - '0');
        if (version > 1000000)
            return -1;
    }
    return version;
}

std::string ConverterToolFolder()
{
    return platform::DataFolder() + "tolrand_yt_1/";
}

std::string ShortPath(const std::string& path)
{
    return path;
}

Result<std::string> InstallConverterTool()
{
    const std::string folder = ConverterToolFolder();
    const std::string tool = folder + "nnn.exe";
    if (!platform::FolderExists(folder)) {
        makeParents(folder);
        platform::CreateFolder(folder);
    }
    QFile resource(QString::fromLatin1(kConverterResource));
    if (!resource.open(QIODevice::ReadOnly))
        return Failure{std::string("Resource ") + kConverterResourceName + " not found"};
    const std::string bytes = resource.readAll().toStdString();

    if (ToolNeedsWriting(tool, bytes)) {
        // Beside it, then renamed into place: an install cut short leaves no
        // half-written converter behind.
        if (Status written = platform::ReplaceFileAtomically(tool, bytes, 0755); !written)
            return written.failure();
    }
    return ShortPath(folder);
}

bool ToolNeedsWriting(const std::string& tool, const std::string& adapter)
{
    if (!platform::FileExists(tool))
        return true;
    const std::string installed = readPrefix(tool, adapter.size() + 1);
    if (installed == adapter)
        return false;
    // An earlier install cut short: a part of this very adapter.
    if (installed.size() < adapter.size() && adapter.compare(0, installed.size(), installed) == 0)
        return true;
    // An older adapter of ours is brought up to date; anything else (a
    // converter the user put there on purpose) is left as it is.
    const int version = InstalledAdapterVersion(tool);
    return version > 0 && version < CLIPVANE_ADAPTER_VERSION;
}

} // namespace clipvane

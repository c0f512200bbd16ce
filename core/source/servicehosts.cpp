#include "core/source/servicehosts.h"

#include "platform/folders.h"

#include <QFile>
#include <QSettings>
#include <optional>

namespace clipvane {

namespace {

std::optional<ServiceHosts> g_current;

void readKey(QSettings& ini, const char* key, std::string& value)
{
    const QVariant v = ini.value(QString::fromLatin1(key));
    if (v.isValid() && !v.toString().isEmpty())
        value = v.toString().toStdString();
}

std::string http(const std::string& host, const std::string& pathAndQuery)
{
    return "http://" + host + pathAndQuery;
}

} // namespace

ServiceHosts LoadServiceHosts(const std::string& iniPath)
{
    ServiceHosts hosts;
    const QString path = QFile::decodeName(QByteArray::fromStdString(iniPath));
    if (!QFile::exists(path))
        return hosts;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("hosts"));
    readKey(ini, "video", hosts.video);
    readKey(ini, "sequence", hosts.sequence);
    readKey(ini, "playlist", hosts.playlist);
    readKey(ini, "maker", hosts.maker);
    readKey(ini, "codec", hosts.codec);
    ini.endGroup();
    ini.beginGroup(QStringLiteral("mail"));
    readKey(ini, "support", hosts.support);
    ini.endGroup();
    return hosts;
}

const ServiceHosts& CurrentHosts()
{
    if (!g_current)
        g_current = LoadServiceHosts(platform::SettingsFolder() + "hosts.ini");
    return *g_current;
}

void SetCurrentHosts(const ServiceHosts& hosts)
{
    g_current = hosts;
}

std::string ExamplePageAddress(const ServiceHosts& hosts)
{
    return http(hosts.video, "/video/play?vid=1001&fr=cv");
}

std::string SequenceAddress(const ServiceHosts& hosts, const std::string& clipId)
{
    return http(hosts.sequence, "/ver/242/process/getSequence.php?&node_id=" + clipId);
}

std::string PlaylistAddress(const ServiceHosts& hosts, const std::string& streamId)
{
    return http(hosts.playlist, "/makeplaylist.dll?sid=" + streamId + "&pt=xml&t=flv&sdm=web");
}

std::string ProbeAddress(const ServiceHosts& hosts)
{
    return http(hosts.maker, "/files/vidudoz/test.txt");
}

std::string ProductPageAddress(const ServiceHosts& hosts)
{
    return http(hosts.maker, "/clipvane.htm");
}

std::string CodecInstallerAddress(const ServiceHosts& hosts)
{
    return http(hosts.codec, "/divx/DivXInstaller.exe");
}

} // namespace clipvane

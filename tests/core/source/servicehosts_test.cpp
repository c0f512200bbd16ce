#include "core/source/servicehosts.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(ServiceHosts, IniOverridesWhatItNamesAndKeepsTheRest)
{
    const QString ini = test::NewFolder(QStringLiteral("hosts")) + QStringLiteral("/hosts.ini");
    test::WriteFile(ini, "[hosts]\r\nsequence=127.0.0.1:8642\nplaylist=127.0.0.1:8643\nmaker=\n"
                         "[mail]\nsupport=help@local.example\n");
    const ServiceHosts hosts = LoadServiceHosts(QFile::encodeName(ini).toStdString());
    const ServiceHosts builtIn;
    EXPECT_EQ(hosts.sequence, "127.0.0.1:8642");
    EXPECT_EQ(hosts.playlist, "127.0.0.1:8643");
    EXPECT_EQ(hosts.maker, builtIn.maker) << "an empty value keeps the built-in host";
    EXPECT_EQ(hosts.codec, builtIn.codec);
    EXPECT_EQ(hosts.support, "help@local.example");

    EXPECT_EQ(SequenceAddress(hosts, "12345"),
              "http://127.0.0.1:8642/ver/242/process/getSequence.php?&node_id=12345");
    EXPECT_EQ(PlaylistAddress(hosts, "ab=c"),
              "http://127.0.0.1:8643/makeplaylist.dll?sid=ab=c&pt=xml&t=flv&sdm=web");
}

TEST(ServiceHosts, MissingFileGivesTheBuiltInExampleHosts)
{
    const ServiceHosts hosts = LoadServiceHosts("/nonexistent/hosts.ini");
    for (const std::string* host :
         {&hosts.video, &hosts.sequence, &hosts.playlist, &hosts.maker, &hosts.codec})
        EXPECT_TRUE(host->ends_with(".example")) << *host;
    EXPECT_EQ(ProbeAddress(hosts), "http://" + hosts.maker + "/files/vidudoz/test.txt");
    EXPECT_EQ(ProductPageAddress(hosts), "http://" + hosts.maker + "/clipvane.htm");
    EXPECT_EQ(CodecInstallerAddress(hosts), "http://" + hosts.codec + "/divx/DivXInstaller.exe");
}

} // namespace
} // namespace clipvane

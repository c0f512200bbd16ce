#include "support/testcertificates.h"

#include "support/testenv.h"

#include <QFile>
#include <QProcess>

namespace clipvane::test {

namespace {

bool Openssl(const QStringList& arguments, const QString& folder)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"), arguments);
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

TestCertificates Make()
{
    const QString folder = NewFolder(QStringLiteral("certificates"));
    const QStringList key = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    const QString names = QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost");
    WriteFile(folder + QStringLiteral("/server.ext"), names.toStdString() + "\n");
    const bool made =
        Openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + key +
                    QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                                QStringLiteral("-out"), QStringLiteral("ca.pem"),
                                QStringLiteral("-days"), QStringLiteral("2"),
                                QStringLiteral("-subj"), QStringLiteral("/CN=Clipvane Test CA")},
                folder) &&
        Openssl(QStringList{QStringLiteral("req")} + key +
                    QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                QStringLiteral("-out"), QStringLiteral("server.csr"),
                                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")},
                folder) &&
        Openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                 QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                 QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                 QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                 QStringLiteral("server.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                 QStringLiteral("-extfile"), QStringLiteral("server.ext")},
                folder) &&
        Openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + key +
                    QStringList{QStringLiteral("-keyout"), QStringLiteral("stranger.key"),
                                QStringLiteral("-out"), QStringLiteral("stranger.pem"),
                                QStringLiteral("-days"), QStringLiteral("2"),
                                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                                QStringLiteral("-addext"), names},
                folder);
    if (!made)
        return {};
    auto path = [&folder](const char* name) {
        return QFile::encodeName(folder + QStringLiteral("/") + QLatin1String(name)).toStdString();
    };
    return {path("ca.pem"), path("server.pem"), path("server.key"), path("stranger.pem"),
            path("stranger.key")};
}

} // namespace

const TestCertificates& Certificates()
{
    static const TestCertificates made = Make();
    return made;
}

} // namespace clipvane::test

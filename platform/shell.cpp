#include "platform/shell.h"

#include <QDesktopServices>
#include <QFile>

namespace clipvane::platform {

namespace {

std::function<void(const QUrl&)> g_opener;

void open(const QUrl& url)
{
    if (g_opener)
        g_opener(url);
    else
        (void)QDesktopServices::openUrl(url);
}

} // namespace

void OpenDocument(const std::string& path)
{
    // From the path's own bytes, percent-encoded: a name that is no UTF-8
    // must not turn into another name on the way.
    open(QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/")));
}

void OpenWebAddress(const std::string& address)
{
    open(QUrl(QString::fromStdString(address)));
}

void OpenMailTo(const std::string& mailbox)
{
    open(QUrl(QStringLiteral("mailto:") + QString::fromStdString(mailbox)));
}

void SetShellOpenerForTests(std::function<void(const QUrl&)> opener)
{
    g_opener = std::move(opener);
}

} // namespace clipvane::platform

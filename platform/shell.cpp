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
    open(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
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

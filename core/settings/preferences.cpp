#include "core/settings/preferences.h"

#include "platform/folders.h"

#include <QFile>
#include <QSettings>

namespace clipvane {

namespace {

QString qpath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

Preferences::Preferences() : m_path(platform::UserConfigFolder() + "clipvane.conf") {}

OutputFormat Preferences::outputFormat() const
{
    const QSettings settings(qpath(m_path), QSettings::IniFormat);
    const std::string word = settings.value(QStringLiteral("save/format")).toString().toStdString();
    return FormatOfWord(word).value_or(OutputFormat::Avi);
}

void Preferences::setOutputFormat(OutputFormat format)
{
    QSettings settings(qpath(m_path), QSettings::IniFormat);
    settings.setValue(QStringLiteral("save/format"), QString::fromLatin1(FormatWord(format)));
    settings.sync();
}

std::int64_t Preferences::unknownLengthCeiling() const
{
    const QSettings settings(qpath(m_path), QSettings::IniFormat);
    bool ok = false;
    const qlonglong gib =
        settings.value(QStringLiteral("download/unknownLengthLimitGiB")).toLongLong(&ok);
    const std::int64_t limit =
        ok && gib > 0 && gib < qlonglong{1024} * 1024 ? gib : kDefaultUnknownLengthLimitGiB;
    return limit * 1024 * 1024 * 1024;
}

} // namespace clipvane

#include "core/base/qtext.h"

#include <QFile>

namespace clipvane {

QString ToQString(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

std::string ToBytes(const QString& text)
{
    return text.toStdString();
}

QString PathToQString(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathToBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace clipvane

#include "ui/skin/newfoldername.h"

#include <QDir>
#include <QFileInfo>

namespace clipvane {

QString NextNewFolderName(const QString& parent)
{
    const QDir dir(parent);
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("New folder") + QString::number(n);
        if (!QFileInfo(dir.filePath(name)).isDir())
            return name;
    }
}

} // namespace clipvane

#pragma once

#include <QString>

namespace clipvane {

// "New folder" followed by the smallest number from 1 up whose folder does not
// exist yet inside `parent`. A file of that name does not count, so making
// the folder then fails and is reported.
QString NextNewFolderName(const QString& parent);

} // namespace clipvane

#pragma once

#include <QString>

namespace clipvane {

// "New folder" followed by the smallest number from 1 up whose folder does not
// exist yet inside `parent`.
QString NextNewFolderName(const QString& parent);

} // namespace clipvane

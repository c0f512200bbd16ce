#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace clipvane {

// Opens the folder chooser on the field's text and returns the chosen folder's
// full path, or nothing when the user closed it without a choice.
std::optional<QString> ChooseFolder(QWidget* parent, const QString& current);

// Test seam: the next ChooseFolder returns this answer without a window. An
// empty text stands for closing the chooser without a choice.
class FolderChooserAnswers
{
public:
    static void setNext(const QString& folderOrEmpty);
    static void clear();
};

} // namespace clipvane

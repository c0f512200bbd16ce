#pragma once

#include <optional>
#include <string>

class QWidget;

namespace clipvane {

// Opens the folder chooser on the field's folder (raw bytes) and returns the
// chosen folder's full path, or nothing when the user closed it without a
// choice.
std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& current);

// Test seam: the next ChooseFolder returns this answer without a window. An
// empty text stands for closing the chooser without a choice.
class FolderChooserAnswers
{
public:
    static void setNext(const std::string& folderOrEmpty);
    static void clear();
};

} // namespace clipvane

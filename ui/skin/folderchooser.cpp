#include "ui/skin/folderchooser.h"

#include "platform/folders.h"
#include "ui/skin/folderchooserdialog.h"

namespace clipvane {

namespace {

std::optional<std::string> g_nextAnswer;

} // namespace

std::optional<std::string> ChooseFolder(QWidget* parent, const std::string& current)
{
    if (g_nextAnswer) {
        const std::string answer = *g_nextAnswer;
        g_nextAnswer.reset();
        if (answer.empty())
            return std::nullopt;
        return answer;
    }

    FolderChooserDialog dialog(parent);
    if (!current.empty() && platform::FolderExists(current)) {
        // The chooser starts where the user last was, as the system's own
        // dialogs do; a folder that is gone leaves the current one alone.
        platform::MakeCurrentFolder(current);
        dialog.selectFolder(current);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const std::string chosen = dialog.selectedFolder();
    if (chosen.empty() || !platform::FolderExists(chosen))
        return std::nullopt;
    return chosen;
}

void FolderChooserAnswers::setNext(const std::string& folderOrEmpty)
{
    g_nextAnswer = folderOrEmpty;
}

void FolderChooserAnswers::clear()
{
    g_nextAnswer.reset();
}

} // namespace clipvane

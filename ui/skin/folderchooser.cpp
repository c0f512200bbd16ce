#include "ui/skin/folderchooser.h"

#include "ui/skin/folderchooserdialog.h"

#include <QDir>
#include <QFileInfo>

namespace clipvane {

namespace {

std::optional<QString> g_nextAnswer;

} // namespace

std::optional<QString> ChooseFolder(QWidget* parent, const QString& current)
{
    if (g_nextAnswer) {
        const QString answer = *g_nextAnswer;
        g_nextAnswer.reset();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }

    QString start;
    if (!current.isEmpty() && QFileInfo(current).isDir()) {
        start = current;
        QDir::setCurrent(start);
    }

    FolderChooserDialog dialog(parent);
    if (!start.isEmpty())
        dialog.selectFolder(start);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString chosen = dialog.selectedFolder();
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return std::nullopt;
    return chosen;
}

void FolderChooserAnswers::setNext(const QString& folderOrEmpty)
{
    g_nextAnswer = folderOrEmpty;
}

void FolderChooserAnswers::clear()
{
    g_nextAnswer.reset();
}

} // namespace clipvane

#include "ui/skin/folderfield.h"

#include "core/base/qtext.h"
#include "ui/common/guard.h"
#include "ui/skin/folderchooser.h"

#include <QKeyEvent>
#include <QToolButton>
#include <limits>

namespace clipvane {

FolderField::FolderField(QWidget* parent) : QLineEdit(parent), m_button(new QToolButton(this))
{
    // Read-only refuses typing, paste, cut and drops alike; selecting and
    // copying the path stay possible.
    setReadOnly(true);
    setAcceptDrops(false);
    // The old field's 255 characters limited typing, which this one takes
    // none of; a path the settings or the chooser set is kept whole.
    setMaxLength(std::numeric_limits<int>::max());
    setTextMargins(0, 0, kButtonWidth, 0);

    m_button->setObjectName(QStringLiteral("BrowseButton"));
    m_button->setIcon(QIcon(QStringLiteral(":/pictures/openfolder.png")));
    m_button->setIconSize(QSize(16, 16));
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setToolTip(QStringLiteral("Choose the output folder (Alt+Down)"));
    connect(m_button, &QToolButton::clicked, this, [this] { Guarded([this] { browse(); }); });
}

std::string FolderField::folder() const
{
    if (text() == PathToQString(m_folder))
        return m_folder;
    return PathToBytes(text());
}

void FolderField::setFolder(const std::string& folder)
{
    m_folder = folder;
    setText(PathToQString(folder));
}

void FolderField::browse()
{
    if (const auto chosen = ChooseFolder(window(), folder()))
        setFolder(*chosen);
}

void FolderField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        Guarded([this] { browse(); });
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FolderField::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    m_button->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());
}

} // namespace clipvane

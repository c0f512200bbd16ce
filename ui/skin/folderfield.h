#pragma once

#include <QLineEdit>

class QToolButton;

namespace clipvane {

// The output-folder field: shows a folder, is read-only to the keyboard (no
// typing, pasting, cutting or dropping), and changes through its browse button
// or Alt+Down, which open the folder chooser.
class FolderField : public QLineEdit
{
    Q_OBJECT
public:
    explicit FolderField(QWidget* parent = nullptr);

    QToolButton* browseButton() const { return m_button; }

    // Opens the folder chooser; a chosen folder becomes the text.
    void browse();

    static constexpr int kButtonWidth = 22;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_button;
};

} // namespace clipvane

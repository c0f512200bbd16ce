#pragma once

#include <QLineEdit>
#include <string>

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

    // The folder as raw bytes. The text cannot hold every byte of a name (a
    // folder named in Latin-1); the bytes it was set to are what counts, as
    // long as the field still shows them.
    std::string folder() const;
    void setFolder(const std::string& folder);

    // Opens the folder chooser; a chosen folder becomes the field's folder.
    void browse();

    static constexpr int kButtonWidth = 22;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_button;
    std::string m_folder;
};

} // namespace clipvane

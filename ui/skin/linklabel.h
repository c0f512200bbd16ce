#pragma once

#include <QLabel>

namespace clipvane {

// A label that works as a link: blue, underlined, a hand cursor, and a click.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace clipvane

#pragma once

#include <QDialog>

namespace clipvane {

// The first-run window that offers the video codec.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};

} // namespace clipvane

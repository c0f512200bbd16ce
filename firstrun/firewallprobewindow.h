#pragma once

#include <QDialog>

namespace clipvane {

// The first-run window that lets the firewall ask about the program.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};

} // namespace clipvane

#pragma once

#include <QDialog>

namespace clipvane {

// The About box: product name, version and the maker's links.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

} // namespace clipvane

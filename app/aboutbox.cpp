#include "app/aboutbox.h"

namespace clipvane {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About"));
}

} // namespace clipvane

#include "job/progresswindow.h"

namespace clipvane {

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TForm2"));
}

} // namespace clipvane

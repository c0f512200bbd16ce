#include "firstrun/firewallprobewindow.h"

namespace clipvane {

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm4"));
}

} // namespace clipvane

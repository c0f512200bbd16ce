#include "firstrun/codecofferwindow.h"

namespace clipvane {

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm3"));
}

} // namespace clipvane

#include "firstrun/firewallprobewindow.h"

#include "gui/guard.h"
#include "gui/messages.h"
#include "source/servicehosts.h"
#include "skin/skin.h"
#include "ui_firewallprobewindow.h"


namespace clipvane {

TForm4::TForm4(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm4>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(544, 464);
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/firewall.bmp")));
    // Sized to its text: this font is a little wider than the one the
    // window was laid out with, and the colon must not be cut off.
    ui->Label2->adjustSize();
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
}

TForm4::~TForm4() = default;

void TForm4::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ui->Button1->setFocus();
}

void TForm4::Button1Click()
{
    if (IdHTTP1.Probe(CurrentHosts().maker, "/files/vidudoz/test.txt")) {
        ShowMessage("Done! :)");
        accept();
    } else {
        ShowMessage("Error. :(");
    }
}

} // namespace clipvane

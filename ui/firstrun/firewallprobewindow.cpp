#include "ui/firstrun/firewallprobewindow.h"

#include "core/source/servicehosts.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"
#include "ui/skin/skin.h"
#include "ui_firewallprobewindow.h"

namespace clipvane {

FirewallProbeWindow::FirewallProbeWindow(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FirewallProbeWindow>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(544, 464);
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/firewall.bmp")));
    // Sized to its text: this font is a little wider than the one the
    // window was laid out with, and the colon must not be cut off.
    ui->Label2->adjustSize();
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Guarded([this] { sendProbe(); }); });
}

FirewallProbeWindow::~FirewallProbeWindow() = default;

void FirewallProbeWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ui->Button1->setFocus();
}

void FirewallProbeWindow::sendProbe()
{
    if (m_probeClient.Probe(CurrentHosts().maker, "/files/vidudoz/test.txt")) {
        ShowMessage("Done! :)");
        accept();
    } else {
        ShowMessage("Error. :(");
    }
}

} // namespace clipvane

#include "ui/firstrun/firewallprobewindow.h"

#include "core/source/servicehosts.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"
#include "ui/skin/skin.h"
#include "ui_firewallprobewindow.h"

#include <QThread>

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

FirewallProbeWindow::~FirewallProbeWindow()
{
    if (m_probe) {
        m_probeClient.stop();
        m_probe->wait();
        delete m_probe;
    }
}

void FirewallProbeWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ui->Button1->setFocus();
}

void FirewallProbeWindow::sendProbe()
{
    if (m_probe)
        return; // one probe at a time: its cookies are the next one's
    ui->Button1->setEnabled(false);
    const std::string host = CurrentHosts().maker;
    m_probe = QThread::create(
        [this, host] { m_probeSucceeded = m_probeClient.probe(host, "/files/vidudoz/test.txt"); });
    connect(m_probe, &QThread::finished, this, [this] { Guarded([this] { probeFinished(); }); });
    m_probe->start();
}

void FirewallProbeWindow::probeFinished()
{
    m_probe->wait();
    delete m_probe;
    m_probe = nullptr;
    ui->Button1->setEnabled(true);
    ui->Button1->setFocus(); // where disabling it had taken the focus from
    // Closed meanwhile: nobody waits for the answer any more.
    if (!isVisible())
        return;
    if (m_probeSucceeded) {
        ShowMessage("Done! :)");
        accept();
    } else {
        ShowMessage("Error. :(");
    }
}

} // namespace clipvane

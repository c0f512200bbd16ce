#pragma once

#include "core/firstrun/probeclient.h"

#include <QDialog>
#include <memory>

namespace Ui {
class FirewallProbeWindow;
}

namespace clipvane {

// The first-run window that lets the firewall ask about the program: "Start"
// sends one test request to the maker's host.
class FirewallProbeWindow : public QDialog
{
    Q_OBJECT
public:
    explicit FirewallProbeWindow(QWidget* parent = nullptr);
    ~FirewallProbeWindow() override;

    // "Start": one test request to the maker's host.
    void sendProbe();

    const FirewallProbeClient& probeClient() const { return m_probeClient; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::FirewallProbeWindow> ui;
    // The probe's client lives as long as the window, keeping its cookies.
    FirewallProbeClient m_probeClient;
};

} // namespace clipvane

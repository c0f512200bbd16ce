#pragma once

#include "core/firstrun/probeclient.h"

#include <QDialog>
#include <atomic>
#include <memory>

class QThread;

namespace Ui {
class FirewallProbeWindow;
}

namespace clipvane {

// The first-run window (layout name TForm4) that lets the firewall ask about
// the program: "Start" sends one test request to the maker's host. The
// request runs on a thread of its own; the window answers meanwhile.
class FirewallProbeWindow : public QDialog
{
    Q_OBJECT
public:
    explicit FirewallProbeWindow(QWidget* parent = nullptr);
    ~FirewallProbeWindow() override;

    // "Start": one test request to the maker's host; its answer is said
    // once it has come.
    void sendProbe();
    bool probing() const { return m_probe != nullptr; }

    const FirewallProbeClient& probeClient() const { return m_probeClient; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void probeFinished();

    std::unique_ptr<Ui::FirewallProbeWindow> ui;
    // The probe's client lives as long as the window, keeping its cookies.
    FirewallProbeClient m_probeClient;
    QThread* m_probe = nullptr;
    std::atomic<bool> m_probeSucceeded{false};
};

} // namespace clipvane

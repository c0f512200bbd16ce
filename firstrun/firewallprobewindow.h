#pragma once

#include "firstrun/probeclient.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TForm4;
}

namespace clipvane {

// The first-run window that lets the firewall ask about the program: "Start"
// sends one test request to the maker's host.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    void Button1Click();

    // The probe's client lives as long as the window, keeping its cookies.
    FirewallProbeClient IdHTTP1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TForm4> ui;
};

} // namespace clipvane

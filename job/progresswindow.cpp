#include "job/progresswindow.h"

#include "gui/guard.h"
#include "job/jobcontroller.h"
#include "skin/gauge.h"
#include "skin/skin.h"
#include "ui_progresswindow.h"

#include <QCloseEvent>

namespace clipvane {

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(389, 163);
    SkinWindow(this);
    ui->sLabel1->adjustSize();
    ui->sLabel2->adjustSize();
    CentreOnScreen(this);
    connect(ui->sSpeedButton1, &QToolButton::clicked, this, [this] { Guarded([this] { sSpeedButton1Click(); }); });
}

TForm2::~TForm2() = default;

QLabel* TForm2::sLabel1() const
{
    return ui->sLabel1;
}
QLabel* TForm2::sLabel3() const
{
    return ui->sLabel3;
}
TsGauge* TForm2::sGauge1() const
{
    return ui->sGauge1;
}
TsGauge* TForm2::sGauge2() const
{
    return ui->sGauge2;
}
QToolButton* TForm2::sSpeedButton1() const
{
    return ui->sSpeedButton1;
}

// The resolution phase keeps the main thread away from the event loop, so
// every change is painted at once.
void TForm2::setOperation(const QString& text)
{
    ui->sLabel1->setText(text);
    ui->sLabel1->adjustSize(); // a long text widens the label to the right
    ui->sLabel1->repaint();
}

void TForm2::repaintOperation()
{
    ui->sLabel1->repaint();
}

void TForm2::setTitle(const QString& text)
{
    ui->sLabel3->setText(text);
    ui->sLabel3->repaint();
}

void TForm2::setStepGauge(int value)
{
    if (ui->sGauge1->setProgress(value))
        ui->sGauge1->repaint();
}

void TForm2::setTotalGauge(int value)
{
    if (ui->sGauge2->setProgress(value))
        ui->sGauge2->repaint();
}

bool TForm2::FormCloseQuery()
{
    return false;
}

void TForm2::closeEvent(QCloseEvent* event)
{
    bool allowed = false;
    Guarded([&] { allowed = FormCloseQuery(); });
    if (!allowed)
        event->ignore();
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // Escape closes nothing here either.
    event->ignore();
}

void TForm2::sSpeedButton1Click()
{
    if (m_controller)
        m_controller->Cancel();
}

} // namespace clipvane

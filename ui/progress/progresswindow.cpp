#include "ui/progress/progresswindow.h"

#include "core/job/jobcontroller.h"
#include "ui/common/guard.h"
#include "ui/skin/gauge.h"
#include "ui/skin/skin.h"
#include "ui_progresswindow.h"

#include <QCloseEvent>

namespace clipvane {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::ProgressWindow>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(389, 163);
    SkinWindow(this);
    ui->sLabel1->adjustSize();
    ui->sLabel2->adjustSize();
    CentreOnScreen(this);
    connect(ui->sSpeedButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { cancelJob(); }); });
}

ProgressWindow::~ProgressWindow() = default;

QLabel* ProgressWindow::operationLabel() const
{
    return ui->sLabel1;
}
QLabel* ProgressWindow::titleLabel() const
{
    return ui->sLabel3;
}
Gauge* ProgressWindow::stepGauge() const
{
    return ui->sGauge1;
}
Gauge* ProgressWindow::totalGauge() const
{
    return ui->sGauge2;
}
QToolButton* ProgressWindow::cancelButton() const
{
    return ui->sSpeedButton1;
}

void ProgressWindow::setOperation(const QString& text)
{
    ui->sLabel1->setText(text);
    ui->sLabel1->adjustSize(); // a long text widens the label to the right
}

void ProgressWindow::setTitle(const QString& text)
{
    ui->sLabel3->setText(text);
}

void ProgressWindow::setStepGauge(int value)
{
    ui->sGauge1->setProgress(value);
}

void ProgressWindow::setTotalGauge(int value)
{
    ui->sGauge2->setProgress(value);
}

bool ProgressWindow::mayClose()
{
    return false;
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    bool allowed = false;
    Guarded([&] { allowed = mayClose(); });
    if (!allowed)
        event->ignore();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape closes nothing here either.
    event->ignore();
}

void ProgressWindow::cancelJob()
{
    if (m_controller)
        m_controller->cancel();
}

} // namespace clipvane

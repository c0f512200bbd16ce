#include "ui/progress/progresswindow.h"

#include "core/job/jobcontroller.h"
#include "ui/common/guard.h"
#include "ui/skin/gauge.h"
#include "ui/skin/skin.h"
#include "ui_progresswindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>

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

void ProgressWindow::showPainted()
{
    show();
    raise();
    QElapsedTimer waited;
    waited.start();
    // Bounded: a platform that never says so must not hold the job.
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    repaint();
}

QLabel* ProgressWindow::sLabel1() const
{
    return ui->sLabel1;
}
QLabel* ProgressWindow::sLabel3() const
{
    return ui->sLabel3;
}
Gauge* ProgressWindow::sGauge1() const
{
    return ui->sGauge1;
}
Gauge* ProgressWindow::sGauge2() const
{
    return ui->sGauge2;
}
QToolButton* ProgressWindow::sSpeedButton1() const
{
    return ui->sSpeedButton1;
}

// The resolution phase keeps the main thread away from the event loop, so
// every change is painted at once.
void ProgressWindow::setOperation(const QString& text)
{
    ui->sLabel1->setText(text);
    ui->sLabel1->adjustSize(); // a long text widens the label to the right
    ui->sLabel1->repaint();
}

void ProgressWindow::repaintOperation()
{
    ui->sLabel1->repaint();
}

void ProgressWindow::setTitle(const QString& text)
{
    ui->sLabel3->setText(text);
    ui->sLabel3->repaint();
}

void ProgressWindow::setStepGauge(int value)
{
    if (ui->sGauge1->setProgress(value))
        ui->sGauge1->repaint();
}

void ProgressWindow::setTotalGauge(int value)
{
    if (ui->sGauge2->setProgress(value))
        ui->sGauge2->repaint();
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

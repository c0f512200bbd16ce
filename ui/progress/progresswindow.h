#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QToolButton;

namespace Ui {
class ProgressWindow;
}

namespace clipvane {

class JobController;
class Gauge;

// The progress window that stands in for the main window while a job runs:
// the title, the current operation, the step and total gauges and Cancel.
// It refuses every request to close; only the job hides it.
class ProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);
    ~ProgressWindow() override;

    void setController(JobController* controller) { m_controller = controller; }

    // Shows the window and paints it before returning: the job is about to
    // keep the main thread from the event loop, and a window the platform
    // has not exposed yet takes no paint (on X11 it would stay black).
    void showPainted();

    // The label and gauge writes of the job, each shown at once.
    void setOperation(const QString& text);
    void repaintOperation();
    void setTitle(const QString& text);
    void setStepGauge(int value);
    void setTotalGauge(int value);

    QLabel* sLabel1() const;
    QLabel* sLabel3() const;
    Gauge* sGauge1() const;
    Gauge* sGauge2() const;
    QToolButton* sSpeedButton1() const;

    bool mayClose();
    void cancelJob();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::ProgressWindow> ui;
    JobController* m_controller = nullptr;
};

} // namespace clipvane

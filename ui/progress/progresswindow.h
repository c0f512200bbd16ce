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

// The progress window (layout name TForm2) that stands in for the main
// window while a job runs: the title, the current operation, the step and
// total gauges and Cancel. It refuses every request to close; only the job
// hides it.
class ProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);
    ~ProgressWindow() override;

    void setController(JobController* controller) { m_controller = controller; }

    void setOperation(const QString& text);
    void setTitle(const QString& text);
    void setStepGauge(int value);
    void setTotalGauge(int value);

    QLabel* operationLabel() const;    // sLabel1
    QLabel* titleLabel() const;        // sLabel3
    Gauge* stepGauge() const;          // sGauge1
    Gauge* totalGauge() const;         // sGauge2
    QToolButton* cancelButton() const; // sSpeedButton1

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

#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QToolButton;

namespace Ui {
class TForm2;
}

namespace clipvane {

class JobController;
class TsGauge;

// The progress window that stands in for the main window while a job runs:
// the title, the current operation, the step and total gauges and Cancel.
// It refuses every request to close; only the job hides it.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    void setController(JobController* controller) { m_controller = controller; }

    // The label and gauge writes of the job, each shown at once.
    void setOperation(const QString& text);
    void repaintOperation();
    void setTitle(const QString& text);
    void setStepGauge(int value);
    void setTotalGauge(int value);

    QLabel* sLabel1() const;
    QLabel* sLabel3() const;
    TsGauge* sGauge1() const;
    TsGauge* sGauge2() const;
    QToolButton* sSpeedButton1() const;

    bool FormCloseQuery();
    void sSpeedButton1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::TForm2> ui;
    JobController* m_controller = nullptr;
};

} // namespace clipvane

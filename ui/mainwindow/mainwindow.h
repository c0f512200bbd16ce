#pragma once

#include "core/conversion/outputformat.h"

#include <QWidget>
#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QMenu;
class QTimer;

namespace Ui {
class MainWindow;
}

namespace clipvane {

class AboutBox;
class CodecOfferWindow;
class FirewallProbeWindow;
class JobController;
class ProgressWindow;
class WindowJobView;

// The main window (layout name TForm1): the page address, the output folder,
// the open-when-done option, Start and the Help menu. Its handlers pass what
// the user did to the job controller and to plain functions.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The windows made after this one, which its handlers show.
    void attachWindows(ProgressWindow* progress, CodecOfferWindow* codecOffer,
                       FirewallProbeWindow* firewallProbe, AboutBox* about);

    // Handlers.
    void startJob();
    void showHelpMenu();
    void openHelpPage();
    void showAboutBox();
    void visitWebSite();
    void runDeferredStartup(); // the first-run windows, then the settings file
    void tickJob();
    bool mayClose() const;

    std::string outputFolder() const;
    void setOutputFolder(const std::string& folder);
    std::string address() const;
    void clearAddress();
    bool openWhenDone() const;

    JobController& job() { return *m_job; }
    WindowJobView& jobView() { return *m_jobView; }
    QLineEdit* addressEdit() const; // sEdit1
    QComboBox* formatBox() const;   // sComboBox1, "Save as:"
    OutputFormat outputFormat() const;
    void setOutputFormat(OutputFormat format);
    QTimer* jobTimer() const { return m_jobTimer; }         // layout name Timer1
    QTimer* startupTimer() const { return m_startupTimer; } // layout name Timer2
    QMenu* helpMenu() const { return m_helpMenu; }          // layout name PopupMenu1

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Settings;
    class FirstRun;

    void prepareJobs();
    void saveSettings();
    void keepOutputFolderNormal();
    void keepReachable();
    void buildMenu();
    void connectHandlers();

    std::unique_ptr<Ui::MainWindow> ui;
    ProgressWindow* m_progress = nullptr;
    CodecOfferWindow* m_codecOffer = nullptr;
    FirewallProbeWindow* m_firewallProbe = nullptr;
    AboutBox* m_about = nullptr;
    std::unique_ptr<WindowJobView> m_jobView;
    std::unique_ptr<JobController> m_job;
    QTimer* m_jobTimer = nullptr;
    QTimer* m_startupTimer = nullptr;
    QMenu* m_helpMenu = nullptr;
    // While the report of a failed tick is up, later ticks wait their turn
    // instead of piling more reports on top of it.
    bool m_inTick = false;
};

} // namespace clipvane

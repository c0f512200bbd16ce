#pragma once

#include "app/settingsfile.h"
#include "source/playlist.h"

#include <QWidget>
#include <memory>

class QMenu;
class QTimer;

namespace Ui {
class TForm1;
}

namespace clipvane {

class JobController;
class TAboutForm;
class Tmpegconverter;
class WindowsJobView;
class TForm2;
class TForm3;
class TForm4;

// The main window: the page address, the output folder, the open-when-done
// option, Start and the Help menu. Its handlers keep their classic names;
// the work itself lives in plain functions and classes.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows made after this one, which its handlers show.
    void attachWindows(TForm2* form2, TForm3* form3, TForm4* form4, TAboutForm* about);

    // Handlers.
    void FormCreate();
    void FormDestroy();
    bool FormCloseQuery();
    void Timer1Timer();
    void Timer2Timer();
    void sSpeedButton1Click();
    void sSpeedButton2Click();
    void Contents1Click();
    void AboutTolrand1Click();
    void VisitTolrandWebSite1Click();
    void sDirectoryEdit1Change();
    void DownloadDone();
    void ConvertDone();

    std::string outputFolder() const;
    void setOutputFolder(const std::string& folder);
    std::string address() const;
    void clearAddress();
    bool openWhenDone() const;
    JobController& job() { return *m_job; }

    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    // The playlist of the latest job stays here until the next one.
    TXMLDocument XMLDocument1;
    // The one converter runner, made with the window; null when making the
    // window failed before it.
    std::unique_ptr<Tmpegconverter> Converter;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Settings;
    class FirstRun;

    void buildMenu();
    void connectHandlers();
    void centreOnDesktop();

    std::unique_ptr<Ui::TForm1> ui;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;
    TAboutForm* m_about = nullptr;
    std::unique_ptr<WindowsJobView> m_jobView;
    std::unique_ptr<JobController> m_job;
    // While the report of a failed tick is up, later ticks wait their turn
    // instead of piling more reports on top of it.
    bool m_inTick = false;
};

} // namespace clipvane

#include "ui/mainwindow/mainwindow.h"

#include "core/base/error.h"
#include "core/base/qtext.h"
#include "core/firstrun/firstrunsteps.h"
#include "core/job/jobcontroller.h"
#include "core/job/jobstartup.h"
#include "core/settings/outputfolder.h"
#include "core/settings/preferences.h"
#include "core/settings/settingsfile.h"
#include "core/source/servicehosts.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "ui/about/aboutbox.h"
#include "ui/common/apptitle.h"
#include "ui/common/guard.h"
#include "ui/common/messages.h"
#include "ui/firstrun/codecofferwindow.h"
#include "ui/firstrun/firewallprobewindow.h"
#include "ui/mainwindow/windowjobview.h"
#include "ui/progress/progresswindow.h"
#include "ui/skin/icon16.h"
#include "ui/skin/skin.h"
#include "ui_mainwindow.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <limits>

namespace clipvane {

// Applies "set.txt" to this window: the folder through the field (so its rule
// runs), the edges by moving the window at once.
class MainWindow::Settings : public SettingsTarget
{
public:
    explicit Settings(MainWindow& window) : m_window(window) {}
    void setOutputFolder(const std::string& folder) override { m_window.setOutputFolder(folder); }
    void setTop(std::int32_t top) override { m_window.move(m_window.x(), top); }
    void setLeft(std::int32_t left) override { m_window.move(left, m_window.y()); }

private:
    MainWindow& m_window;
};

// The first-run windows come before the settings, each shown modally with
// the main window out of the way.
class MainWindow::FirstRun : public FirstRunHost
{
public:
    explicit FirstRun(MainWindow& window) : m_window(window) {}
    void hideMainWindow() override { m_window.hide(); }
    void showMainWindow() override { m_window.show(); }
    void showFirewallWindow() override
    {
        if (m_window.m_firewallProbe)
            m_window.m_firewallProbe->exec();
    }
    void showCodecWindow() override
    {
        if (m_window.m_codecOffer)
            m_window.m_codecOffer->exec();
    }

private:
    MainWindow& m_window;
};

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::MainWindow>()),
      m_jobView(std::make_unique<WindowJobView>(*this))
{
    ui->setupUi(this);
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(408, 253);
    QFile icon(QStringLiteral(":/pictures/clipvane.ico"));
    if (icon.open(QIODevice::ReadOnly))
        setWindowIcon(QIcon(QPixmap::fromImage(DecodeIcon(icon.readAll()))));
    SkinWindow(this);

    // The banner is drawn transparent: its bottom-left colour is see-through.
    QPixmap banner(QStringLiteral(":/pictures/banner.bmp"));
    if (!banner.isNull()) {
        const QImage image = banner.toImage();
        banner.setMask(
            QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, image.height() - 1))));
        ui->Image1->setPixmap(banner);
    }
    ui->sSpeedButton1->setIcon(QIcon(QStringLiteral(":/pictures/start.png")));
    // A button that looks like one before the pointer finds it, in the
    // skin's blues, and says so when it is pressed or cannot be.
    ui->sSpeedButton1->setAutoRaise(false);
    ui->sSpeedButton1->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid #13285a; border-radius: 4px; padding: 1px 6px;"
        "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fe, stop:1 #c6dcf6); }"
        "QToolButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, "
        "stop:1 #dbe9fb); }"
        "QToolButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9fbfe8, "
        "stop:1 #c6dcf6);"
        "  padding: 2px 5px 0px 7px; }"
        "QToolButton:disabled { color: #7a869a; border-color: #8a97ad; background: #d9e2ee; }"));
    ui->sSpeedButton2->setIcon(QIcon(QStringLiteral(":/pictures/help.png")));
    ui->sEdit1->setMaxLength(std::numeric_limits<int>::max());
    ui->sComboBox1->setItemData(
        0, QStringLiteral("MPEG-4 video tagged divx at 320x240 and mono MP3, in AVI"),
        Qt::ToolTipRole);
    ui->sComboBox1->setItemData(
        1, QStringLiteral("H.264 and AAC at the clip's own size, in MP4: plays everywhere"),
        Qt::ToolTipRole);
    ui->sComboBox1->setItemData(
        2, QStringLiteral("The clip's own streams untouched, in MP4 when they fit, else MKV"),
        Qt::ToolTipRole);
    setOutputFormat(Preferences().outputFormat());
    ui->sLabel2->setText(QStringLiteral("Example: ") +
                         ToQString(ExamplePageAddress(CurrentHosts())));
    ui->sDirectoryEdit1->setFolder(platform::HomeFolder());

    m_jobTimer = new QTimer(this);
    m_jobTimer->setObjectName(QStringLiteral("Timer1"));
    m_jobTimer->setInterval(1000);
    m_startupTimer = new QTimer(this);
    m_startupTimer->setObjectName(QStringLiteral("Timer2"));
    m_startupTimer->setInterval(1000);

    buildMenu();
    connectHandlers();
    CentreOnScreen(this);

    m_jobTimer->start();
    m_startupTimer->start();
    Guarded([this] { prepareJobs(); });
}

MainWindow::~MainWindow()
{
    Guarded([this] { saveSettings(); });
}

void MainWindow::attachWindows(ProgressWindow* progress, CodecOfferWindow* codecOffer,
                               FirewallProbeWindow* firewallProbe, AboutBox* about)
{
    m_progress = progress;
    m_codecOffer = codecOffer;
    m_firewallProbe = firewallProbe;
    m_about = about;
    m_jobView->setProgressWindow(progress);
    if (progress)
        progress->setController(m_job.get());
}

void MainWindow::buildMenu()
{
    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, const char* caption, void (MainWindow::*handler)()) {
        QAction* action = m_helpMenu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    add("Contents1", "&Contents", &MainWindow::openHelpPage);
    add("AboutTolrand1", "&About Clipvane...", &MainWindow::showAboutBox);
    m_helpMenu->addSeparator()->setObjectName(QStringLiteral("MenuItem1"));
    add("VisitTolrandWebSite1", "&Visit Tolrand Web Site ->", &MainWindow::visitWebSite);
}

void MainWindow::connectHandlers()
{
    connect(m_jobTimer, &QTimer::timeout, this, [this] {
        if (m_inTick)
            return;
        m_inTick = true;
        Guarded([this] { tickJob(); });
        m_inTick = false;
    });
    connect(m_startupTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { runDeferredStartup(); }); });
    connect(ui->sSpeedButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { startJob(); }); });
    connect(ui->sSpeedButton2, &QToolButton::clicked, this,
            [this] { Guarded([this] { showHelpMenu(); }); });
    connect(ui->sComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { Preferences().setOutputFormat(outputFormat()); }); });
    connect(ui->sDirectoryEdit1, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { keepOutputFolderNormal(); }); });
}

void MainWindow::prepareJobs()
{
    StartupProblems problems;
    m_job = StartJobSystem(*m_jobView, CurrentHosts(), problems);
    if (!problems.tempFolder.empty())
        ShowMessage(problems.tempFolder);
    if (!problems.converterTool.empty())
        throw FileError(problems.converterTool);

    // Without a desktop folder (common on Linux) the home folder stays.
    std::string desktop = platform::DesktopFolder();
    if (desktop.empty() || !platform::FolderExists(desktop))
        return;
    if (desktop.back() != '/')
        desktop += '/';
    setOutputFolder(desktop);
}

void MainWindow::runDeferredStartup()
{
    m_startupTimer->stop();
    FirstRun firstRun(*this);
    RunFirstRunWindows(platform::SettingsFolder(), firstRun);
    Settings target(*this);
    try {
        ApplySettingsFile(platform::SettingsFolder() + "set.txt", target);
    } catch (...) {
        keepReachable();
        throw;
    }
    keepReachable();
}

void MainWindow::keepReachable()
{
    // A place saved on another monitor layout (or by hand) that lies off
    // every screen would leave the window where nobody can reach it.
    if (!ReachableOnAScreen(QRect(pos(), frameGeometry().size())))
        CentreOnScreen(this);
}

void MainWindow::tickJob()
{
    m_job->tick();
}

bool MainWindow::mayClose() const
{
    return !m_job || !m_job->busy();
}

void MainWindow::saveSettings()
{
    // The converter goes first: the settings are the last thing of a run.
    if (m_job)
        m_job->releaseConverter();
    WriteSettingsFile(platform::SettingsFolder() + "set.txt", outputFolder(), y(), x());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bool allowed = false;
    Guarded([&] { allowed = mayClose(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::startJob()
{
    // A folder that is not there (or not a folder, or not ours to write)
    // is said at once, not after the whole download and conversion.
    if (m_job && !m_job->busy()) {
        if (const std::string problem = OutputFolderProblem(outputFolder()); !problem.empty()) {
            ShowMessage(problem);
            return;
        }
    }
    m_job->start({address(), outputFolder(), outputFormat()});
}

void MainWindow::showHelpMenu()
{
    m_helpMenu->popup(QCursor::pos());
}

void MainWindow::openHelpPage()
{
    platform::OpenDocument(platform::HelpPage());
}

void MainWindow::showAboutBox()
{
    if (m_about)
        m_about->exec();
}

void MainWindow::visitWebSite()
{
    platform::OpenWebAddress(ProductPageAddress(CurrentHosts()));
}

void MainWindow::keepOutputFolderNormal()
{
    const std::string text = outputFolder();
    const std::string normal = NormalizeOutputFolder(text);
    if (normal != text)
        setOutputFolder(normal);
}

std::string MainWindow::outputFolder() const
{
    return ui->sDirectoryEdit1->folder();
}

void MainWindow::setOutputFolder(const std::string& folder)
{
    ui->sDirectoryEdit1->setFolder(folder);
}

QLineEdit* MainWindow::addressEdit() const
{
    return ui->sEdit1;
}

QComboBox* MainWindow::formatBox() const
{
    return ui->sComboBox1;
}

// The box lists the formats in their order.
OutputFormat MainWindow::outputFormat() const
{
    switch (ui->sComboBox1->currentIndex()) {
    case 1:
        return OutputFormat::Mp4;
    case 2:
        return OutputFormat::Original;
    default:
        return OutputFormat::Avi;
    }
}

void MainWindow::setOutputFormat(OutputFormat format)
{
    ui->sComboBox1->setCurrentIndex(static_cast<int>(format));
}

std::string MainWindow::address() const
{
    return ToBytes(ui->sEdit1->text());
}

void MainWindow::clearAddress()
{
    ui->sEdit1->clear();
}

bool MainWindow::openWhenDone() const
{
    return ui->sCheckBox1->isChecked();
}

} // namespace clipvane

#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/jobview.h"
#include "firstrun/codecofferwindow.h"
#include "firstrun/firewallprobewindow.h"
#include "firstrun/firstrunsteps.h"
#include "app/outputfolder.h"
#include "base/qtext.h"
#include "conversion/mpegconverter.h"
#include "conversion/toolinstall.h"
#include "gui/apptitle.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "job/jobcontroller.h"
#include "job/jobstate.h"
#include "job/progresswindow.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "skin/icon16.h"
#include "skin/skin.h"
#include "source/servicehosts.h"
#include "ui_mainwindow.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <limits>

namespace clipvane {

// Applies "set.txt" to this window: the folder through the field (so its rule
// runs), the edges by moving the window at once.
class TForm1::Settings : public SettingsTarget
{
public:
    explicit Settings(TForm1& form) : m_form(form) {}
    void setOutputFolder(const std::string& folder) override { m_form.setOutputFolder(folder); }
    void setTop(std::int32_t top) override { m_form.move(m_form.x(), top); }
    void setLeft(std::int32_t left) override { m_form.move(left, m_form.y()); }

private:
    TForm1& m_form;
};

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), m_jobView(std::make_unique<WindowsJobView>(*this)),
      m_job(std::make_unique<JobController>(*m_jobView, XMLDocument1))
{
    ui->setupUi(this);
    m_job->DownloadDoneEntry = [this] { DownloadDone(); };
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
        banner.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, image.height() - 1))));
        ui->Image1->setPixmap(banner);
    }
    ui->sSpeedButton1->setIcon(QIcon(QStringLiteral(":/pictures/start.bmp")));
    ui->sSpeedButton2->setIcon(QIcon(QStringLiteral(":/pictures/help.bmp")));
    ui->sEdit1->setMaxLength(std::numeric_limits<int>::max());
    ui->sLabel2->setText(QStringLiteral("Example: ") + ToQString(ExamplePageAddress(CurrentHosts())));
    ui->sDirectoryEdit1->setText(ToQString(platform::HomeFolder()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);

    buildMenu();
    connectHandlers();
    centreOnDesktop();

    Timer1->start();
    Timer2->start();
    Guarded([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    Guarded([this] { FormDestroy(); });
}

void TForm1::attachWindows(TForm2* form2, TForm3* form3, TForm4* form4, TAboutForm* about)
{
    m_form2 = form2;
    m_form3 = form3;
    m_form4 = form4;
    m_about = about;
    m_jobView->setProgressWindow(form2);
    if (form2)
        form2->setController(m_job.get());
}

void TForm1::buildMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, const char* caption, void (TForm1::*handler)()) {
        QAction* action = PopupMenu1->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    add("Contents1", "&Contents", &TForm1::Contents1Click);
    add("AboutTolrand1", "&About Clipvane...", &TForm1::AboutTolrand1Click);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("MenuItem1"));
    add("VisitTolrandWebSite1", "&Visit Tolrand Web Site ->", &TForm1::VisitTolrandWebSite1Click);
}

void TForm1::connectHandlers()
{
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (m_inTick)
            return;
        m_inTick = true;
        Guarded([this] { Timer1Timer(); });
        m_inTick = false;
    });
    connect(Timer2, &QTimer::timeout, this, [this] { Guarded([this] { Timer2Timer(); }); });
    connect(ui->sSpeedButton1, &QToolButton::clicked, this, [this] { Guarded([this] { sSpeedButton1Click(); }); });
    connect(ui->sSpeedButton2, &QToolButton::clicked, this, [this] { Guarded([this] { sSpeedButton2Click(); }); });
    connect(ui->sDirectoryEdit1, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { sDirectoryEdit1Change(); }); });
}

void TForm1::centreOnDesktop()
{
    CentreOnScreen(this);
}

void TForm1::FormCreate()
{
    // A missing folder is made; one that exists but is not ours (a link, a
    // file, another user's folder) is never written into.
    const std::string problem = platform::PreparePrivateFolder(JobState().TempFolder);
    JobState().TempFolderReady = problem.empty();
    if (!problem.empty())
        ShowMessage(problem);

    InstallConverterTool();
    Converter = std::make_unique<Tmpegconverter>();
    Converter->Fatal = [](const std::string& message) {
        ShowMessage(message);
        std::_Exit(1);
    };
    m_job->setConverter(Converter.get());

    std::string desktop = platform::DesktopFolder();
    if (desktop.empty())
        return;
    if (desktop.back() != '/')
        desktop += '/';
    setOutputFolder(desktop);
}

// The first-run windows come before the settings, each shown modally with
// the main window out of the way.
class TForm1::FirstRun : public FirstRunHost
{
public:
    explicit FirstRun(TForm1& form) : m_form(form) {}
    void hideMainWindow() override { m_form.hide(); }
    void showMainWindow() override { m_form.show(); }
    void showFirewallWindow() override
    {
        if (m_form.m_form4)
            m_form.m_form4->exec();
    }
    void showCodecWindow() override
    {
        if (m_form.m_form3)
            m_form.m_form3->exec();
    }

private:
    TForm1& m_form;
};

void TForm1::Timer2Timer()
{
    Timer2->stop();
    FirstRun firstRun(*this);
    RunFirstRunWindows(platform::ExecutableFolder(), firstRun);
    Settings target(*this);
    ApplySettingsFile(platform::ExecutableFolder() + "set.txt", target);
}

void TForm1::Timer1Timer()
{
    m_job->Tick();
}

void TForm1::DownloadDone()
{
    m_job->DownloadDone();
}

void TForm1::ConvertDone()
{
    m_job->ConvertDone();
}

bool TForm1::FormCloseQuery()
{
    return !JobState().Busy;
}

void TForm1::FormDestroy()
{
    m_job->setConverter(nullptr);
    Converter.reset();
    WriteSettingsFile(platform::ExecutableFolder() + "set.txt", outputFolder(), y(), x());
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool allowed = false;
    Guarded([&] { allowed = FormCloseQuery(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void TForm1::sSpeedButton1Click()
{
    m_job->Start();
}

void TForm1::sSpeedButton2Click()
{
    PopupMenu1->popup(QCursor::pos());
}

void TForm1::Contents1Click()
{
    platform::OpenDocument(platform::ExecutableFolder() + "help.htm");
}

void TForm1::AboutTolrand1Click()
{
    if (m_about)
        m_about->exec();
}

void TForm1::VisitTolrandWebSite1Click()
{
    platform::OpenWebAddress(ProductPageAddress(CurrentHosts()));
}

void TForm1::sDirectoryEdit1Change()
{
    const std::string text = outputFolder();
    const std::string normal = NormalizeOutputFolder(text);
    if (normal != text)
        setOutputFolder(normal);
}

std::string TForm1::outputFolder() const
{
    return PathToBytes(ui->sDirectoryEdit1->text());
}

void TForm1::setOutputFolder(const std::string& folder)
{
    ui->sDirectoryEdit1->setText(PathToQString(folder));
}

std::string TForm1::address() const
{
    return ToBytes(ui->sEdit1->text());
}

void TForm1::clearAddress()
{
    ui->sEdit1->clear();
}

bool TForm1::openWhenDone() const
{
    return ui->sCheckBox1->isChecked();
}

} // namespace clipvane

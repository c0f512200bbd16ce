#include "app/aboutbox.h"

#include "base/qtext.h"
#include "gui/guard.h"
#include "platform/shell.h"
#include "skin/linklabel.h"
#include "source/servicehosts.h"
#include "skin/skin.h"
#include "ui_aboutbox.h"


namespace clipvane {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutForm>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(393, 289);
    setWindowOpacity(240 / 255.0);

    QFont name = ui->Label1->font();
    name.setPixelSize(16); // 12 points
    name.setBold(true);
    ui->Label1->setFont(name);
    ui->Label1->adjustSize();
    ui->Label2->adjustSize();

    const ServiceHosts& hosts = CurrentHosts();
    ui->Label3->setText(ToQString("http://" + hosts.maker + "/"));
    ui->Label3->adjustSize();
    ui->Label4->setText(ToQString(hosts.support));
    ui->Label4->adjustSize();

    connect(ui->Label3, &TLinkLabel::clicked, this, [this] { Guarded([this] { Label3Click(); }); });
    connect(ui->Label4, &TLinkLabel::clicked, this, [this] { Guarded([this] { Label4Click(); }); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(); }); });
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    Guarded([this] { FormShow(); });
}

void TAboutForm::FormShow()
{
    ui->Button3->setFocus();
}

// The label shows the web site; the link opens the product's own page.
void TAboutForm::Label3Click()
{
    platform::OpenWebAddress(ProductPageAddress(CurrentHosts()));
}

void TAboutForm::Label4Click()
{
    platform::OpenMailTo(CurrentHosts().support);
}

void TAboutForm::Button3Click()
{
    accept();
}

} // namespace clipvane

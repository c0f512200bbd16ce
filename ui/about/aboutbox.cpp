#include "ui/about/aboutbox.h"

#include "core/base/qtext.h"
#include "core/source/servicehosts.h"
#include "platform/shell.h"
#include "ui/common/guard.h"
#include "ui/skin/linklabel.h"
#include "ui/skin/skin.h"
#include "ui_aboutbox.h"

namespace clipvane {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::AboutBox>())
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

    connect(ui->Label3, &LinkLabel::clicked, this, [this] { Guarded([this] { openWebSite(); }); });
    connect(ui->Label4, &LinkLabel::clicked, this, [this] { Guarded([this] { writeMail(); }); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Guarded([this] { closeBox(); }); });
}

AboutBox::~AboutBox() = default;

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    Guarded([this] { focusOk(); });
}

void AboutBox::focusOk()
{
    ui->Button3->setFocus();
}

// The label shows the web site; the link opens the product's own page.
void AboutBox::openWebSite()
{
    platform::OpenWebAddress(ProductPageAddress(CurrentHosts()));
}

void AboutBox::writeMail()
{
    platform::OpenMailTo(CurrentHosts().support);
}

void AboutBox::closeBox()
{
    accept();
}

} // namespace clipvane

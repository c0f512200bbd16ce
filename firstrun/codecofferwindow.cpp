#include "firstrun/codecofferwindow.h"

#include "gui/guard.h"
#include "platform/shell.h"
#include "source/servicehosts.h"
#include "skin/skin.h"
#include "ui_codecofferwindow.h"


namespace clipvane {

TForm3::TForm3(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(385, 211);
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/codec.jpg")));
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
}

TForm3::~TForm3() = default;

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ui->Button1->setFocus();
}

void TForm3::Button1Click()
{
    accept();
    if (ui->RadioButton1->isChecked())
        platform::OpenWebAddress(CodecInstallerAddress(CurrentHosts()));
}

} // namespace clipvane

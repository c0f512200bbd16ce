#include "ui/firstrun/codecofferwindow.h"

#include "core/source/servicehosts.h"
#include "platform/shell.h"
#include "ui/common/guard.h"
#include "ui/skin/skin.h"
#include "ui_codecofferwindow.h"

namespace clipvane {

CodecOfferWindow::CodecOfferWindow(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CodecOfferWindow>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(385, 211);
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/codec.jpg")));
    connect(ui->Button1, &QPushButton::clicked, this,
            [this] { Guarded([this] { finishOffer(); }); });
}

CodecOfferWindow::~CodecOfferWindow() = default;

void CodecOfferWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ui->Button1->setFocus();
}

void CodecOfferWindow::finishOffer()
{
    accept();
    if (ui->RadioButton1->isChecked())
        platform::OpenWebAddress(CodecInstallerAddress(CurrentHosts()));
}

} // namespace clipvane

#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CodecOfferWindow;
}

namespace clipvane {

// The first-run window that offers the video codec: "Done" closes it and,
// with the first choice, opens the codec installer's address.
class CodecOfferWindow : public QDialog
{
    Q_OBJECT
public:
    explicit CodecOfferWindow(QWidget* parent = nullptr);
    ~CodecOfferWindow() override;

    void finishOffer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CodecOfferWindow> ui;
};

} // namespace clipvane

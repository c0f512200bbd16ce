#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm3;
}

namespace clipvane {

// The first-run window that offers the video codec: "Done" closes it and,
// with the first choice, opens the codec installer's address.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TForm3> ui;
};

} // namespace clipvane

#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutForm;
}

namespace clipvane {

// The About box: product name, version, copyright and the maker's links.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

    void FormShow();
    void Label3Click();
    void Label4Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TAboutForm> ui;
};

} // namespace clipvane

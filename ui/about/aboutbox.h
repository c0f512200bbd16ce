#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace clipvane {

// The About box: product name, version, copyright and the maker's links.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

    void focusOk();
    void openWebSite();
    void writeMail();
    void closeBox();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::AboutBox> ui;
};

} // namespace clipvane

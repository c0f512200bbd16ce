#include "core/source/servicehosts.h"
#include "platform/shell.h"
#include "support/standinfixture.h"
#include "support/testenv.h"
#include "ui/about/aboutbox.h"
#include "ui/common/messages.h"
#include "ui/firstrun/codecofferwindow.h"
#include "ui/firstrun/firewallprobewindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace clipvane {
namespace {

// The two first-run windows and the About box against the stand-in, with
// the desktop's opener replaced by a list.
class SmallWindowsTest : public test::StandinTest
{
protected:
    void SetUp() override
    {
        test::StandinTest::SetUp();
        m_saved = CurrentHosts();
        ServiceHosts hosts;
        hosts.maker = hosts.codec = server().hostPort();
        hosts.support = "help@tolrand.example";
        SetCurrentHosts(hosts);
        platform::SetShellOpenerForTests(
            [this](const QUrl& url) { m_opened.push_back(url.toString()); });
        MessageBoxRecorder::take();
    }
    void TearDown() override
    {
        platform::SetShellOpenerForTests({});
        SetCurrentHosts(m_saved);
    }

    template <class T> static T* child(QWidget& window, const char* name)
    {
        T* w = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    // Shows `dialog` modally, runs `whileOpen` once it is up, and returns
    // whether it was still open afterwards.
    static void execWith(QDialog& dialog, const std::function<void()>& whileOpen)
    {
        QTimer::singleShot(100, &dialog, whileOpen);
        QTimer::singleShot(10000, &dialog, [&dialog] { dialog.done(-1); }); // never hang
        dialog.exec();
    }

    ServiceHosts m_saved;
    std::vector<QString> m_opened;
};

TEST_F(SmallWindowsTest, CodecWindowLayoutAndItsTwoChoices)
{
    CodecOfferWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Clipvane Installation"));
    EXPECT_EQ(window.size(), QSize(385, 211));
    EXPECT_EQ(child<QLabel>(window, "Image1")->geometry(), QRect(8, 8, 158, 44));
    EXPECT_EQ(child<QLabel>(window, "Image1")->pixmap().size(), QSize(158, 44));
    EXPECT_EQ(child<QLabel>(window, "Label1")->geometry(), QRect(16, 64, 337, 33));
    EXPECT_TRUE(child<QLabel>(window, "Label1")->font().bold());
    EXPECT_EQ(child<QRadioButton>(window, "RadioButton1")->geometry(), QRect(16, 112, 345, 17));
    EXPECT_EQ(child<QRadioButton>(window, "RadioButton2")->geometry(), QRect(16, 136, 345, 17));
    EXPECT_EQ(child<QPushButton>(window, "Button1")->geometry(), QRect(288, 168, 75, 25));
    EXPECT_EQ(child<QPushButton>(window, "Button1")->text(), QStringLiteral("Done"));

    // First choice: the installer address is opened once and the window closes.
    execWith(window, [&] {
        EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(window, "Button1"));
        EXPECT_TRUE(child<QRadioButton>(window, "RadioButton1")->isChecked());
        QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
    });
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(m_opened, (std::vector<QString>{
                            QString::fromStdString(server().address("/divx/DivXInstaller.exe"))}));

    // Second choice: nothing is opened.
    execWith(window, [&] {
        child<QRadioButton>(window, "RadioButton2")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
    });
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(m_opened.size(), 1u);
}

TEST_F(SmallWindowsTest, FirewallWindowProbesTheMakersHost)
{
    FirewallProbeWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Windows Firewall Settings"));
    EXPECT_EQ(window.size(), QSize(544, 464));
    EXPECT_EQ(child<QPushButton>(window, "Button1")->geometry(), QRect(8, 32, 75, 25));
    EXPECT_EQ(child<QLabel>(window, "Label2")->pos(), QPoint(256, 112));
    EXPECT_GE(child<QLabel>(window, "Label2")->width(),
              child<QLabel>(window, "Label2")->sizeHint().width())
        << "\"Example:\" must show whole";
    EXPECT_EQ(child<QLabel>(window, "Image1")->geometry(), QRect(56, 136, 434, 305));
    EXPECT_EQ(child<QLabel>(window, "Image1")->pixmap().size(), QSize(434, 305));
    EXPECT_EQ(
        child<QLabel>(window, "Label1")->text(),
        QStringLiteral("Clipvane requires that the Windows Firewall be allowed in order to work."));

    // A refusing server: "Error. :(" and the window stays.
    standin::Response refused;
    refused.status = 404;
    refused.reason = "Not Found";
    server().setRoute("/files/vidudoz/test.txt", refused);
    // Meanwhile the window answers: the probe runs off its thread.
    standin::Response late;
    late.body = "12345";
    late.plan.fault = standin::Fault::Late;
    late.plan.pauseMs = 3000;
    bool openAfterError = false;
    bool answeredWhileProbing = false;
    execWith(window, [&] {
        EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(window, "Button1"));
        QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
        ASSERT_TRUE(test::WaitUntil([&] { return !window.probing(); }, 10000));
        openAfterError = window.isVisible();
        EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(window, "Button1"))
            << "Enter presses Start again";
        server().clearOverrides();
        server().setRoute("/files/vidudoz/test.txt", late);
        QTest::mouseClick(child<QPushButton>(window, "Button1"),
                          Qt::LeftButton); // the second press succeeds, late
        int turns = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &window, [&] { ++turns; });
        tick.start(10);
        test::WaitUntil([&] { return turns >= 20; }, 2500);
        answeredWhileProbing = window.probing() && turns >= 20;
        EXPECT_FALSE(child<QPushButton>(window, "Button1")->isEnabled()) << "one probe at a time";
        ASSERT_TRUE(test::WaitUntil([&] { return !window.probing(); }, 10000));
    });
    EXPECT_TRUE(openAfterError);
    EXPECT_TRUE(answeredWhileProbing) << "the window's thread waited for the probe";
    EXPECT_EQ(window.result(), QDialog::Accepted);
    std::vector<std::string> shown;
    for (const ShownBox& box : MessageBoxRecorder::take())
        shown.push_back(box.text.toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"Error. :(", "Done! :)"}));
    const auto requests = server().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].head,
              "GET /files/vidudoz/test.txt HTTP/1.1\r\nContent-Type: text/html\r\nHost: " +
                  server().hostPort() +
                  "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy "
                  "Library)\r\n\r\n");
}

TEST_F(SmallWindowsTest, AboutBoxLinksAndEnterRightAfterOpening)
{
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.size(), QSize(393, 289));
    EXPECT_NEAR(box.windowOpacity(), 240 / 255.0, 0.01);
    EXPECT_EQ(child<QWidget>(box, "Panel1")->geometry(), QRect(0, 0, 393, 289));
    EXPECT_EQ(child<QLabel>(box, "Label1")->text(), QStringLiteral("Clipvane"));
    EXPECT_EQ(child<QLabel>(box, "Label1")->font().pixelSize(), 16);
    EXPECT_EQ(child<QLabel>(box, "Label2")->text(), QStringLiteral("Version: 1.0"));
    EXPECT_EQ(child<QWidget>(box, "Bevel1")->geometry(), QRect(8, 48, 377, 2));
    EXPECT_EQ(child<QLabel>(box, "Label3")->pos(), QPoint(8, 80));
    EXPECT_EQ(child<QLabel>(box, "Label3")->text(),
              QString::fromStdString("http://" + server().hostPort() + "/"));
    EXPECT_EQ(child<QLabel>(box, "Label4")->text(), QStringLiteral("help@tolrand.example"));
    EXPECT_EQ(child<QPushButton>(box, "Button3")->geometry(), QRect(264, 256, 121, 25));

    bool openAfterLinks = false;
    execWith(box, [&] {
        QTest::mouseClick(child<QLabel>(box, "Label3"), Qt::LeftButton);
        QTest::mouseClick(child<QLabel>(box, "Label4"), Qt::LeftButton);
        openAfterLinks = box.isVisible();
        box.reject();
    });
    EXPECT_TRUE(openAfterLinks);
    EXPECT_EQ(m_opened,
              (std::vector<QString>{QString::fromStdString(server().address("/clipvane.htm")),
                                    QStringLiteral("mailto:help@tolrand.example")}));

    // Shown again: the focus is on OK, so Enter closes it.
    execWith(box, [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); });
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
} // namespace clipvane

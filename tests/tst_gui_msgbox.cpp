// The message boxes every page answers through: a wrong result turns a Cancel into an OK, and a box that does
// not grow with its text hides part of the message.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QTextBrowser>

class TestMsgBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widthFollowsTheText_data();
    void widthFollowsTheText();
    void noParentNoBox();
    void results_data();
    void results();
    void shortTextKeepsTheMinimumSize();
    void longTextWrapsAndGrows();
};

void TestMsgBox::widthFollowsTheText_data()
{
    QTest::addColumn<int>("textWidth");
    QTest::addColumn<int>("boxWidth");
    QTest::addColumn<int>("browserWidth");
    QTest::newRow("263: still the minimum") << 263 << 300 << 278;
    QTest::newRow("264: one wider") << 264 << 301 << 279;
    QTest::newRow("363: the maximum, wrapped") << 363 << 400 << 378;
    QTest::newRow("very long") << 2000 << 400 << 378;
}

void TestMsgBox::widthFollowsTheText()
{
    QFETCH(int, textWidth);
    QFETCH(int, boxWidth);
    QFETCH(int, browserWidth);
    const CWarnDlg::TEXT_SIZE size = CWarnDlg::SizeForTextWidth(textWidth);
    QCOMPARE(size.boxWidth, boxWidth);
    QCOMPARE(size.browserWidth, browserWidth);
}

void TestMsgBox::noParentNoBox()
{
    CModalDriver driver;
    QCOMPARE(ShowInfoMsgBox(QStringLiteral("Error"), QStringLiteral("x"), nullptr), -1);
    QCOMPARE(ShowConfirmMsgBox(QStringLiteral("Confirm"), QStringLiteral("x"), nullptr), -1);
    QTest::qWait(20);
    QVERIFY(driver.Seen().isEmpty());
}

void TestMsgBox::results_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("answer"); // a button, or a key
    QTest::addColumn<int>("result");
    QTest::newRow("info: close button") << false << "m_pCloseBtn" << 0;
    QTest::newRow("info: Return") << false << "Return" << 1;
    QTest::newRow("confirm: OK") << true << "OK" << 1;
    QTest::newRow("confirm: Cancel") << true << "Cancel" << 0;
    QTest::newRow("confirm: close button") << true << "m_pCloseBtn" << 0;
    QTest::newRow("confirm: Escape, then OK") << true << "Escape" << 1;
}

void TestMsgBox::results()
{
    QFETCH(bool, confirm);
    QFETCH(QString, answer);
    QFETCH(int, result);
    QWidget parent;
    CModalDriver driver;
    if (answer == QLatin1String("Return")) {
        driver.Answer([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    } else if (answer == QLatin1String("Escape")) {
        driver.Answer([](QWidget* box) {
            QTest::keyClick(box, Qt::Key_Escape);
            if (box->isVisible())
                box->findChild<QAbstractButton*>(QStringLiteral("pOkBtn"))->click();
        });
    } else {
        driver.Click(answer);
    }
    const QString title = confirm ? QStringLiteral("Confirm") : QStringLiteral("Information");
    const QString text = QStringLiteral("Sure to close software");
    const int got = confirm ? ShowConfirmMsgBox(title, text, &parent) : ShowInfoMsgBox(title, text, &parent);
    QCOMPARE(got, result);
    QVERIFY(driver.Failures().isEmpty());
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen().at(0).title, title);
    QCOMPARE(driver.Seen().at(0).Text(), text);
    QCOMPARE(driver.Seen().at(0).className, QStringLiteral("CWarnDlg"));
}

void TestMsgBox::shortTextKeepsTheMinimumSize()
{
    QWidget parent;
    CModalDriver driver;
    QSize size;
    bool okShown = true;
    driver.Answer([&](QWidget* box) {
        size = box->size();
        okShown = box->findChild<QAbstractButton*>(QStringLiteral("pOkBtn"))->isVisible();
        box->close();
    });
    QCOMPARE(ShowInfoMsgBox(QStringLiteral("Success"), QStringLiteral("Done."), &parent), 0);
    QCOMPARE(size, QSize(300, 225));
    QVERIFY(!okShown);
}

void TestMsgBox::longTextWrapsAndGrows()
{
    // Many lines: wider than one line can hold and taller than the content frame.
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("Device 192.168.1.%1 could not be reached. ").arg(i);
    QWidget parent;
    CModalDriver driver;
    QSize size;
    QRect browser;
    int documentHeight = 0;
    driver.Answer([&](QWidget* box) {
        size = box->size();
        auto* view = box->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"));
        browser = view->geometry();
        documentHeight = int(view->document()->size().height());
        box->close();
    });
    ShowConfirmMsgBox(QStringLiteral("Error"), text, &parent);
    // The widths themselves are in widthFollowsTheText(); here the height grows past the minimum.
    QCOMPARE(size.width(), 400);
    QVERIFY(size.height() > 225);
    // The whole text is shown: the view is as tall as its document plus 10, 15 pixels below the frame's top.
    QCOMPARE(browser.height(), documentHeight + 10);
    QCOMPARE(browser.y(), 15);
}

VARROW_TEST_MAIN(TestMsgBox, QApplication)
#include "tst_gui_msgbox.moc"

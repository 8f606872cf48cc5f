// The message boxes every page answers through: a wrong result turns a Cancel into an OK, and a box that does
// not grow with its text hides part of the message.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTextBrowser>

class TestMsgBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void results_data();
    void results();
    void longTextWrapsAndGrows();
    void widthFollowsTheText();
};

void TestMsgBox::results_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("answer"); // a button, or a key
    QTest::addColumn<int>("result");
    // The information box hides its OK button: Return must still take the OK path.
    QTest::newRow("info: Return") << false << "Return" << 1;
    QTest::newRow("info: close button") << false << "m_pCloseBtn" << 0;
    QTest::newRow("confirm: OK") << true << "OK" << 1;
    QTest::newRow("confirm: Cancel") << true << "Cancel" << 0;
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
    const QString title = QStringLiteral("Confirm");
    // A name from a recorder or a plan shows as typed: markup in it is text, not formatting or a picture.
    const QString text = QStringLiteral("Sure to close <b>x</b> <img src=\"y.png\"> &amp;");
    const int got = confirm ? ShowConfirmMsgBox(title, text, &parent) : ShowInfoMsgBox(title, text, &parent);
    QCOMPARE(got, result);
    QVERIFY(driver.Failures().isEmpty());
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen().at(0).Text(), text);
}

void TestMsgBox::longTextWrapsAndGrows()
{
    // Many lines: wider than one line can hold and taller than the content frame.
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("Device 192.168.1.%1 could not be reached. ").arg(i);
    QWidget parent;
    CModalDriver driver;
    QSize box;
    int browserHeight = 0;
    int documentHeight = 0;
    driver.Answer([&](QWidget* shown) {
        box = shown->size();
        auto* view = shown->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"));
        browserHeight = view->height();
        documentHeight = int(view->document()->size().height());
        shown->close();
    });
    ShowConfirmMsgBox(QStringLiteral("Error"), text, &parent);
    // The whole text is shown: the view holds its document, and the box is taller than it.
    QVERIFY(browserHeight >= documentHeight);
    QVERIFY(box.height() > browserHeight);
}

// A box is 300 wide up to a text of 263 pixels, grows with the text to 399, and stays 400 from 363 on; a
// short message's box is 300 x 225.
void TestMsgBox::widthFollowsTheText()
{
    const int rows[][3] = {{0, 300, 15},    {263, 300, 278}, {264, 301, 279},
                           {362, 399, 377}, {363, 400, 378}, {2000, 400, 378}};
    for (const auto& row : rows) {
        const CWarnDlg::TEXT_SIZE size = CWarnDlg::SizeForTextWidth(row[0]);
        QCOMPARE(QList<int>({row[0], size.boxWidth, size.browserWidth}),
                 QList<int>({row[0], row[1], row[2]}));
    }
    QWidget parent;
    CModalDriver driver;
    QSize box;
    driver.Answer([&box](QWidget* shown) {
        box = shown->size();
        shown->close();
    });
    ShowInfoMsgBox(QStringLiteral("Information"), QStringLiteral("Saved"), &parent);
    QCOMPARE(box, QSize(300, 225));
}

VARROW_TEST_MAIN(TestMsgBox, QApplication)
#include "tst_gui_msgbox.moc"

// The dialog base under every pop-up: a keyboard path that skipped a dialog's field checks, an Escape that
// closed a dialog, or a drag that started outside the title strip would reach every dialog of the program.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>

namespace {

// A dialog that checks its field before it accepts, as the configuration dialogs do.
class CCheckingDialog : public CBaseDialog
{
public:
    CCheckingDialog() : CBaseDialog(nullptr, true, true, true)
    {
        m_edit = new QLineEdit(GetContentFrame());
        SetOkBtnAccept(false);
        connect(this, &CBaseDialog::ClickedOKBtnSig, this, [this] {
            ++m_checks;
            if (!m_edit->text().isEmpty())
                accept();
        });
    }
    QLineEdit* m_edit;
    int m_checks = 0;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local)
{
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent event(type, QPointF(local), global, Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QPushButton* Button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class TestBaseDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void returnRunsTheFieldCheck();
    void escapeIsSwallowedAndCloseGivesZero();
    void okWithoutAcceptEmitsOnce();
    void dragOnlyFromTheTitleStrip_data();
    void dragOnlyFromTheTitleStrip();
    void dialogWithoutBottomBar();
    void contentWidget();
};

void TestBaseDialog::returnRunsTheFieldCheck()
{
    // Return in an empty field must go through the check and leave the dialog open; once the field is filled
    // Return accepts it with 1.
    CCheckingDialog dialog;
    bool openAfterFirstReturn = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        dialog.m_edit->setFocus();
        QTest::keyClick(dialog.m_edit, Qt::Key_Return);
        openAfterFirstReturn = window->isVisible();
        dialog.m_edit->setText(QStringLiteral("plan 1"));
        QTest::keyClick(dialog.m_edit, Qt::Key_Enter);
    });
    QCOMPARE(dialog.exec(), 1);
    QVERIFY(openAfterFirstReturn);
    QCOMPARE(dialog.m_checks, 2);
}

void TestBaseDialog::escapeIsSwallowedAndCloseGivesZero()
{
    CBaseDialog dialog(nullptr, true, true, true);
    dialog.ShowCloseBtn(true);
    dialog.SetTitle(QStringLiteral("Confirm"));
    bool openAfterEscape = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        QTest::keyClick(window, Qt::Key_Escape);
        openAfterEscape = window->isVisible();
        Button(window, "m_pCloseBtn")->click();
    });
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(openAfterEscape);
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Confirm"));

    driver.Click(QStringLiteral("OK"));
    QCOMPARE(dialog.exec(), 1);
    driver.Click(QStringLiteral("Cancel"));
    QCOMPARE(dialog.exec(), 0);
}

void TestBaseDialog::okWithoutAcceptEmitsOnce()
{
    CBaseDialog dialog(nullptr, true, true, true);
    dialog.SetOkBtnAccept(false);
    dialog.SetCloseBtnClose(false);
    QSignalSpy ok(&dialog, &CBaseDialog::ClickedOKBtnSig);
    QSignalSpy close(&dialog, &CBaseDialog::ClickedCloseBtnSig);
    dialog.show();
    Button(&dialog, "pOkBtn")->click();
    Button(&dialog, "m_pCloseBtn")->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(ok.count(), 1);
    QCOMPARE(close.count(), 1);
}

void TestBaseDialog::dragOnlyFromTheTitleStrip_data()
{
    QTest::addColumn<int>("pressY");
    QTest::addColumn<bool>("moves");
    QTest::newRow("top row") << 0 << true;
    QTest::newRow("last row of the strip") << 32 << true;
    QTest::newRow("first row below") << 33 << false;
}

void TestBaseDialog::dragOnlyFromTheTitleStrip()
{
    QFETCH(int, pressY);
    QFETCH(bool, moves);
    CBaseDialog dialog(nullptr, true, true, true);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    SendMouse(&dialog, QEvent::MouseButtonPress, QPoint(50, pressY));
    SendMouse(&dialog, QEvent::MouseMove, QPoint(80, pressY + 20));
    SendMouse(&dialog, QEvent::MouseButtonRelease, QPoint(80, pressY + 20));
    QCOMPARE(dialog.pos() != start, moves);
    if (moves)
        QCOMPARE(dialog.pos(), start + QPoint(30, 20));
    // After the release nothing drags any more.
    const QPoint after = dialog.pos();
    SendMouse(&dialog, QEvent::MouseMove, QPoint(10, 10));
    QCOMPARE(dialog.pos(), after);
}

void TestBaseDialog::dialogWithoutBottomBar()
{
    CBaseDialog dialog(nullptr, false, false, false);
    dialog.show();
    QVERIFY(!dialog.findChild<QFrame*>(QStringLiteral("m_pBottomFrame"))->isVisible());
    QVERIFY(!Button(&dialog, "m_pCloseBtn")->isVisible());
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("dialog_bg2.png")));
    // Showing the bar brings both buttons back, with the other frame picture.
    dialog.ShowBottomBar(true);
    QVERIFY(Button(&dialog, "pOkBtn")->isVisible() && Button(&dialog, "pCancelBtn")->isVisible());
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("dialog_bg.png")));
    // Return accepts a dialog whose OK button is hidden.
    CModalDriver driver;
    driver.Answer([](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
    dialog.ShowOkBtn(false);
    dialog.hide();
    QCOMPARE(dialog.exec(), 1);
}

void TestBaseDialog::contentWidget()
{
    CBaseDialog dialog(nullptr, true, true, true);
    QVERIFY(!dialog.SetContentWidget(nullptr));
    QVERIFY(dialog.GetContentFrame()->layout() == nullptr);
    auto* edit = new QLineEdit;
    QVERIFY(dialog.SetContentWidget(edit));
    QCOMPARE(edit->parentWidget(), dialog.GetContentFrame());
    QCOMPARE(dialog.GetContentFrame()->layout()->contentsMargins(), QMargins());
}

VARROW_TEST_MAIN(TestBaseDialog, QApplication)
#include "tst_gui_basedialog.moc"

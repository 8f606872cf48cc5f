// The dialog base under every pop-up: a keyboard path that skipped a dialog's field checks, an Escape that
// closed a dialog, or a drag that started outside the title strip would reach every dialog of the program.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local)
{
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent event(type, QPointF(local), global, Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestBaseDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysNeitherSkipTheCheckNorClose();
    void dragOnlyFromTheTitleStrip_data();
    void dragOnlyFromTheTitleStrip();
};

namespace {

struct CAcceptKeys : CBaseDialog
{
    using CBaseDialog::IsAcceptKey;
};

} // namespace

void TestBaseDialog::keysNeitherSkipTheCheckNorClose()
{
    // A dialog that checks its field before it accepts, as the configuration dialogs do: Return in the empty
    // field must go through the check and leave the dialog open; once the field is filled Return accepts it.
    CBaseDialog dialog(nullptr, true, true, true);
    auto* edit = new QLineEdit(dialog.GetContentFrame());
    dialog.SetOkBtnAccept(false);
    int checks = 0;
    connect(&dialog, &CBaseDialog::ClickedOKBtnSig, &dialog, [&] {
        ++checks;
        if (!edit->text().isEmpty())
            dialog.accept();
    });
    bool openAfterFirstReturn = false;
    CModalDriver driver;
    driver.Answer([&](QWidget* window) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        openAfterFirstReturn = window->isVisible();
        edit->setText(QStringLiteral("plan 1"));
        QTest::keyClick(edit, Qt::Key_Enter);
    });
    QCOMPARE(dialog.exec(), 1);
    QVERIFY(openAfterFirstReturn);
    QCOMPARE(checks, 2);

    // Return still accepts a dialog whose OK button is hidden; Escape never closes it, its close button does.
    dialog.ShowOkBtn(false);
    driver.Answer([](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
    QCOMPARE(dialog.exec(), 1);
    dialog.ShowCloseBtn(true);
    bool openAfterEscape = false;
    driver.Answer([&](QWidget* window) {
        QTest::keyClick(window, Qt::Key_Escape);
        openAfterEscape = window->isVisible();
        window->findChild<QPushButton*>(QStringLiteral("m_pCloseBtn"))->click();
    });
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(openAfterEscape);
    // The keys that take the OK path.
    for (const auto& [key, accepts] : {std::pair{Qt::Key_Return, true},
                                       {Qt::Key_Enter, true},
                                       {Qt::Key_Select, true},
                                       {Qt::Key_Space, false},
                                       {Qt::Key_Escape, false}}) {
        const QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCOMPARE(CAcceptKeys::IsAcceptKey(&press), accepts);
    }
}

void TestBaseDialog::dragOnlyFromTheTitleStrip_data()
{
    QTest::addColumn<int>("pressY");
    QTest::addColumn<bool>("moves");
    QTest::newRow("title strip") << 10 << true;
    QTest::newRow("its last row") << 32 << true;
    QTest::newRow("the row below it") << 33 << false;
    QTest::newRow("below it") << 60 << false;
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
    QCOMPARE(dialog.pos(), moves ? start + QPoint(30, 20) : start);
    // After the release nothing drags any more.
    SendMouse(&dialog, QEvent::MouseMove, QPoint(10, 10));
    QCOMPARE(dialog.pos(), moves ? start + QPoint(30, 20) : start);
}

VARROW_TEST_MAIN(TestBaseDialog, QApplication)
#include "tst_gui_basedialog.moc"

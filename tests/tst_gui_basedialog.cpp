// The dialog base under every pop-up: a keyboard path that skipped a dialog's field checks, an Escape that
// closed a dialog, or a drag that started outside the title strip would reach every dialog of the program.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

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
    void returnGoesToTheFocusedWidgetFirst_data();
    void returnGoesToTheFocusedWidgetFirst();
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

void TestBaseDialog::returnGoesToTheFocusedWidgetFirst_data()
{
    QTest::addColumn<QString>("how");  // what the operator does in the date field or the list
    QTest::addColumn<QString>("seen"); // what OK's check saw, one "date list" per run; empty: it never ran
    QTest::addColumn<bool>("open");    // the dialog is still open afterwards
    const auto row = [](const char* tag, const char* how, const char* seen, bool open) {
        QTest::newRow(tag) << QString::fromLatin1(how) << QString::fromLatin1(seen) << open;
    };
    // The day typed short is still text in the field: Return takes it (as 01) before OK's check reads it.
    row("Return after a short day", "day Return", "2024-05-01 0", false);
    row("Enter after a short day", "day Enter", "2024-05-01 0", false);
    // OK pressed without moving the focus out of the field sees the typed day all the same.
    row("OK clicked after a short day", "day OK", "2024-05-01 0", false);
    // In a page embedded in the dialog (as the settings' pages are), Return goes on past the page to OK.
    row("Return after a short day in a page", "day Return page", "2024-05-01 0", false);
    // In the open list Down and Return choose there and nothing else; Return once it is closed runs OK.
    row("Return in the open list", "list", "", true);
    row("Return after the list", "list Return", "2024-05-20 1", false);
}

// Return and Enter reach the OK path only once the focused widget has had them: OK's check sees the value the
// field shows, and an open list takes the key for its choice alone.
void TestBaseDialog::returnGoesToTheFocusedWidgetFirst()
{
    QFETCH(QString, how);
    QFETCH(QString, seen);
    QFETCH(bool, open);
    CBaseDialog dialog(nullptr, true, true, true);
    // A page as the settings embed theirs: a plain dialog, whose own key handling ends Return.
    auto* page = new QDialog(dialog.GetContentFrame());
    page->setWindowFlags(Qt::Widget);
    auto* pageLayout = new QVBoxLayout(page);
    auto* date = new QDateTimeEdit(QDate(2024, 5, 20));
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    auto* list = new QComboBox;
    list->addItems({QStringLiteral("IP Mode"), QStringLiteral("Domain Mode")});
    auto* layout = new QVBoxLayout(dialog.GetContentFrame());
    if (how.endsWith(QLatin1String("page")))
        pageLayout->addWidget(date);
    else
        layout->addWidget(date);
    layout->addWidget(list);
    layout->addWidget(page);
    dialog.SetOkBtnAccept(false);
    QStringList checks;
    connect(&dialog, &CBaseDialog::ClickedOKBtnSig, &dialog, [&] {
        checks << date->date().toString(Qt::ISODate) + QLatin1Char(' ') +
                      QString::number(list->currentIndex());
        dialog.accept();
    });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    if (how.startsWith(QLatin1String("day"))) {
        date->setFocus();
        date->setCurrentSection(QDateTimeEdit::DaySection);
        date->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClick(date, '1');
        QCOMPARE(date->text(), QStringLiteral("2024-05-1"));
        if (how.endsWith(QLatin1String("OK")))
            dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
        else
            QTest::keyClick(date, how.contains(QLatin1String("Enter")) ? Qt::Key_Enter : Qt::Key_Return);
    } else {
        list->setFocus();
        list->showPopup();
        QAbstractItemView* view = list->view();
        QTRY_VERIFY(view->isVisible());
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(list->currentIndex(), 1);
        if (how.endsWith(QLatin1String("Return")))
            QTest::keyClick(list, Qt::Key_Return);
    }
    QCOMPARE(checks.join(QLatin1Char('|')), seen);
    QCOMPARE(dialog.isVisible(), open);
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

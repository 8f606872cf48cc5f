// The date and time editors: a date field must start at today, take a day chosen in its calendar popup
// exactly once (connections made on every press would set it again for each earlier press), fall back when
// the popup is dismissed, offer only the editor's range, and open its popup inside the screen wherever the
// field sits.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarTimePopup.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/CDateTimeEdit.h"

#include <QApplication>
#include <QSignalSpy>

class TestDateEditors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAtToday();
    void popupPlacement_data();
    void popupPlacement();
    void clickedDaySetsTheDateOnce();
    void escapeGoesBack();
    void popupOffersOnlyTheRange();
    void keysOpenTheCalendarAndTypingKeepsTheDay_data();
    void keysOpenTheCalendarAndTypingKeepsTheDay();

private:
    static void ClickDay(CCalendarWidget* calendar, const QDate& date);
};

namespace {

// The number of connections to a signal: QObject::receivers is protected, and a pointer to it taken inside a
// subclass may be applied to any object.
struct CReceiverPeek : QObject
{
    static int Count(const QObject* object, const char* signal)
    {
        int (QObject::*receivers)(const char*) const = &CReceiverPeek::receivers;
        return (object->*receivers)(signal);
    }
};

// An editor in a shown window, its date set.
struct CShownEditor
{
    explicit CShownEditor(const QDate& date) : edit(&window)
    {
        edit.setDate(date);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    CDateTimeEdit edit;
};

} // namespace

void TestDateEditors::ClickDay(CCalendarWidget* calendar, const QDate& date)
{
    int row = -1;
    int column = -1;
    calendar->Model()->CellForDate(date, &row, &column);
    QVERIFY(row >= 0 && column >= 0);
    const QRect cell = calendar->View()->visualRect(calendar->Model()->index(row, column));
    QTest::mouseClick(calendar->View()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

void TestDateEditors::startsAtToday()
{
    // The editor reads the machine's day itself: one side of a midnight or the other, never a third day.
    const QDate before = QDate::currentDate();
    const QDate date = CDateTimeEdit().date();
    QVERIFY(date == before || date == QDate::currentDate());
    // A time-only editor keeps the toolkit's fixed day: today would push its time to the end of the range.
    const CDateTimeEdit timeOnly(QTime(7, 8, 9));
    QCOMPARE(timeOnly.date(), QDate(2000, 1, 1));
    QCOMPARE(timeOnly.time(), QTime(7, 8, 9));
}

void TestDateEditors::popupPlacement_data()
{
    QTest::addColumn<QRect>("editor");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("middle: below, left edges aligned") << QRect(300, 300, 150, 22) << QPoint(300, 322);
    QTest::newRow("left of the screen: pushed in") << QRect(-40, 300, 150, 22) << QPoint(0, 322);
    QTest::newRow("bottom-right corner") << QRect(1200, 990, 80, 22) << QPoint(1097, 790);
}

void TestDateEditors::popupPlacement()
{
    QFETCH(QRect, editor);
    QFETCH(QPoint, expected);
    const QRect area(0, 0, 1280, 1024);
    const QRect popup = CDateTimeEdit::PopupGeometry(editor, QSize(183, 200), area);
    QCOMPARE(popup.topLeft(), expected);
    QVERIFY(area.contains(popup));
}

void TestDateEditors::clickedDaySetsTheDateOnce()
{
    CShownEditor shown(QDate(2026, 3, 10));
    CDateTimeEdit& edit = shown.edit;
    edit.setTime(QTime(8, 30, 15));
    // Several openings first: each one must not add another way for the chosen date to arrive.
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(&edit, Qt::LeftButton);
        edit.Popup()->close();
    }
    QTest::mouseClick(&edit, Qt::LeftButton);
    // The field and the popup's close.
    QCOMPARE(CReceiverPeek::Count(edit.Popup(), SIGNAL(activated(QDate))), 2);
    QCOMPARE(CReceiverPeek::Count(edit.Popup(), SIGNAL(newDateSelected(QDate))), 1);
    QSignalSpy changes(&edit, &QDateTimeEdit::dateChanged);
    ClickDay(edit.Popup()->Calendar(), QDate(2026, 3, 24));
    QCOMPARE(edit.dateTime(), QDateTime(QDate(2026, 3, 24), QTime(8, 30, 15)));
    QCOMPARE(changes.count(), 1);
    QVERIFY(!edit.Popup()->isVisible());
}

void TestDateEditors::escapeGoesBack()
{
    CShownEditor shown(QDate(2026, 6, 15));
    CDateTimeEdit& edit = shown.edit;
    QTest::mouseClick(&edit, Qt::LeftButton);
    CCalendarWidget* calendar = edit.Popup()->Calendar();
    QTest::keyClick(calendar->View(), Qt::Key_Down);
    // The field follows the calendar while the operator moves in it.
    QCOMPARE(edit.date(), QDate(2026, 6, 22));
    QTest::keyClick(calendar->View(), Qt::Key_Escape);
    QVERIFY(!edit.Popup()->isVisible());
    QCOMPARE(edit.date(), QDate(2026, 6, 15));
}

void TestDateEditors::popupOffersOnlyTheRange()
{
    CShownEditor shown(QDate(2026, 6, 12));
    CDateTimeEdit& edit = shown.edit;
    edit.setDateRange(QDate(2026, 6, 10), QDate(2026, 6, 20));
    QTest::mouseClick(&edit, Qt::LeftButton);
    CCalendarWidget* calendar = edit.Popup()->Calendar();
    // The calendar starts at today, outside the range: taking the range must not move the field.
    QCOMPARE(edit.date(), QDate(2026, 6, 12));
    QCOMPARE(calendar->SelectedDate(), QDate(2026, 6, 12));
    ClickDay(calendar, QDate(2026, 6, 5));
    QCOMPARE(edit.date(), QDate(2026, 6, 12));
    ClickDay(calendar, QDate(2026, 6, 20));
    QCOMPARE(edit.date(), QDate(2026, 6, 20));
}

void TestDateEditors::keysOpenTheCalendarAndTypingKeepsTheDay_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
}

void TestDateEditors::keysOpenTheCalendarAndTypingKeepsTheDay()
{
    // The keys that open a date field's calendar must open the program's (with its look, range and
    // language), and a year typed in it replaces only the year of the field's date, not today's month and
    // day.
    QFETCH(int, key);
    QFETCH(int, modifiers);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); // typed as yyyy/M/d
    CShownEditor shown(QDate(2020, 3, 15));
    CDateTimeEdit& edit = shown.edit;
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QLocale::setDefault(saved);
    QVERIFY(edit.Popup() != nullptr);
    QVERIFY(edit.Popup()->isVisible());
    QTest::keyClicks(edit.Popup()->Calendar()->View(), QStringLiteral("2019"));
    QTest::keyClick(edit.Popup()->Calendar()->View(), Qt::Key_Return);
    QCOMPARE(edit.date(), QDate(2019, 3, 15));
}

VARROW_TEST_MAIN(TestDateEditors, QApplication)
#include "tst_gui_dateeditors.moc"

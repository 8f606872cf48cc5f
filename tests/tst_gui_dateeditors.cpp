// The date and time editors: a date field must start at today, take a day chosen in its calendar popup
// exactly once (connections made on every press would set it again for each earlier press), fall back when
// the popup is dismissed, offer only the editor's range, and open its popup inside the screen wherever the
// field sits.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarTimePopup.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/calendar/CTimeEdit.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>

class TestDateEditors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAtToday_data();
    void startsAtToday();
    void popupPlacement_data();
    void popupPlacement();
    void popupInsideTheScreen_data();
    void popupInsideTheScreen();
    void clickedDaySetsTheDateOnce();
    void escapeGoesBack();
    void popupOffersOnlyTheRange();
    void timeToTheSecond();

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

void TestDateEditors::startsAtToday_data()
{
    QTest::addColumn<int>("constructor");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QDate>("date");
    const QDate today = QDate::currentDate();
    QTest::newRow("parent only") << 0 << QTime(0, 0) << today;
    QTest::newRow("date-time of 2001") << 1 << QTime(13, 14, 15) << today;
    QTest::newRow("date of 1999") << 2 << QTime(0, 0) << today;
    // A time-only editor has no date to change: the toolkit keeps its fixed day.
    QTest::newRow("time only") << 3 << QTime(7, 8, 9) << QDate(2000, 1, 1);
    QTest::newRow("date editor") << 4 << QTime(0, 0) << today;
}

void TestDateEditors::startsAtToday()
{
    QFETCH(int, constructor);
    QFETCH(QTime, time);
    QFETCH(QDate, date);
    std::unique_ptr<CDateTimeEdit> edit;
    switch (constructor) {
    case 0:
        edit = std::make_unique<CDateTimeEdit>();
        break;
    case 1:
        edit = std::make_unique<CDateTimeEdit>(QDateTime(QDate(2001, 2, 3), time));
        break;
    case 2:
        edit = std::make_unique<CDateTimeEdit>(QDate(1999, 5, 6));
        break;
    case 3:
        edit = std::make_unique<CDateTimeEdit>(time);
        break;
    default:
        edit = std::make_unique<CDateEdit>();
        break;
    }
    QCOMPARE(edit->date(), date);
    QCOMPARE(edit->time(), time);
    QVERIFY(edit->Popup() == nullptr);
}

void TestDateEditors::popupPlacement_data()
{
    QTest::addColumn<QRect>("editor");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("middle: below, left edges aligned") << QRect(300, 300, 150, 22) << QPoint(300, 322);
    QTest::newRow("bottom edge: above the field") << QRect(300, 1000, 150, 22) << QPoint(300, 800);
    QTest::newRow("right edge: pulled in") << QRect(1200, 300, 80, 22) << QPoint(1097, 322);
    QTest::newRow("left of the screen: pushed in") << QRect(-40, 300, 150, 22) << QPoint(0, 322);
    QTest::newRow("bottom-right corner") << QRect(1200, 990, 80, 22) << QPoint(1097, 790);
    QTest::newRow("top edge: below") << QRect(600, 0, 150, 22) << QPoint(600, 22);
}

void TestDateEditors::popupPlacement()
{
    QFETCH(QRect, editor);
    QFETCH(QPoint, expected);
    const QRect area(0, 0, 1280, 1024);
    const QRect popup = CDateTimeEdit::PopupGeometry(editor, QSize(183, 200), area);
    QCOMPARE(popup.topLeft(), expected);
    QVERIFY(area.contains(popup));
    QVERIFY(!popup.intersects(editor) || !area.contains(editor));
}

void TestDateEditors::popupInsideTheScreen_data()
{
    QTest::addColumn<QPoint>("corner"); // 0 or 1 per axis: which edge of the screen the field sits at
    QTest::newRow("top-left") << QPoint(0, 0);
    QTest::newRow("top-right") << QPoint(1, 0);
    QTest::newRow("bottom-left") << QPoint(0, 1);
    QTest::newRow("bottom-right") << QPoint(1, 1);
}

void TestDateEditors::popupInsideTheScreen()
{
    QFETCH(QPoint, corner);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(160, 24);
    CDateTimeEdit edit(&window);
    edit.setGeometry(0, 0, 160, 24);
    window.move(corner.x() == 0 ? area.left() : area.right() - 159,
                corner.y() == 0 ? area.top() : area.bottom() - 23);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(&edit, Qt::LeftButton);
    QVERIFY(edit.Popup() != nullptr && edit.Popup()->isVisible());
    // The offscreen platform shifts every popup by its own window frame; measure that and take it off.
    QWidget probe(nullptr, Qt::Popup);
    probe.resize(10, 10);
    probe.move(100, 100);
    probe.show();
    const QPoint frame = probe.pos() - QPoint(100, 100);
    probe.close();
    const QRect popup = edit.Popup()->geometry().translated(-frame);
    QVERIFY2(area.contains(popup),
             qPrintable(QStringLiteral("popup at %1,%2").arg(popup.x()).arg(popup.y())));
    QVERIFY(!popup.intersects(QRect(edit.mapToGlobal(QPoint(0, 0)), edit.size())));
    edit.Popup()->close();
}

void TestDateEditors::clickedDaySetsTheDateOnce()
{
    QWidget window;
    CDateTimeEdit edit(&window);
    edit.setDateTime(QDateTime(QDate(2026, 3, 10), QTime(8, 30, 15)));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Several openings first: each one must not add another way for the chosen date to arrive.
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(&edit, Qt::LeftButton);
        QVERIFY(edit.Popup()->isVisible());
        edit.Popup()->close();
    }
    QCOMPARE(edit.date(), QDate(2026, 3, 10));
    QTest::mouseClick(&edit, Qt::LeftButton);
    QCOMPARE(CReceiverPeek::Count(edit.Popup(), SIGNAL(activated(QDate))),
             2); // the field and the popup's close
    QCOMPARE(CReceiverPeek::Count(edit.Popup(), SIGNAL(newDateSelected(QDate))), 1);
    QCOMPARE(CReceiverPeek::Count(edit.Popup(), SIGNAL(hidingCalendar(QDate))), 1);
    CCalendarWidget* calendar = edit.Popup()->Calendar();
    QCOMPARE(calendar->SelectedDate(), QDate(2026, 3, 10));
    QSignalSpy changes(&edit, &QDateTimeEdit::dateChanged);
    QSignalSpy setDates(edit.Popup(), &CCalendarTimePopup::activated);
    ClickDay(calendar, QDate(2026, 3, 24));
    QCOMPARE(edit.date(), QDate(2026, 3, 24));
    QCOMPARE(edit.time(), QTime(8, 30, 15));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(setDates.count(), 1);
    QVERIFY(!edit.Popup()->isVisible());
}

void TestDateEditors::escapeGoesBack()
{
    QWidget window;
    CDateTimeEdit edit(&window);
    edit.setDate(QDate(2026, 6, 15));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int opening = 0; opening < 2; ++opening) {
        QTest::mouseClick(&edit, Qt::LeftButton);
        CCalendarWidget* calendar = edit.Popup()->Calendar();
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(calendar->View(), key);
        // The field follows the calendar while the operator moves in it.
        QCOMPARE(edit.date(), QDate(2026, 6, 23));
        QTest::keyClick(calendar->View(), Qt::Key_Escape);
        QVERIFY(!edit.Popup()->isVisible());
        QCOMPARE(edit.date(), QDate(2026, 6, 15));
    }
}

void TestDateEditors::popupOffersOnlyTheRange()
{
    QWidget window;
    CDateTimeEdit edit(&window);
    edit.setDateRange(QDate(2026, 6, 10), QDate(2026, 6, 20));
    edit.setDate(QDate(2026, 6, 12));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(&edit, Qt::LeftButton);
    CCalendarWidget* calendar = edit.Popup()->Calendar();
    // The calendar starts at today, outside the range: taking the range must not move the field.
    QCOMPARE(edit.date(), QDate(2026, 6, 12));
    QCOMPARE(calendar->SelectedDate(), QDate(2026, 6, 12));
    QCOMPARE(std::pair(calendar->MinimumDate(), calendar->MaximumDate()),
             std::pair(QDate(2026, 6, 10), QDate(2026, 6, 20)));
    ClickDay(calendar, QDate(2026, 6, 5));
    QCOMPARE(edit.date(), QDate(2026, 6, 12));
    QVERIFY(edit.Popup()->isVisible());
    ClickDay(calendar, QDate(2026, 6, 20));
    QCOMPARE(edit.date(), QDate(2026, 6, 20));
}

void TestDateEditors::timeToTheSecond()
{
    // A schedule time reads the same in both languages, seconds included.
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Chinese)}) {
        CTimeEdit edit;
        edit.setLocale(locale);
        edit.setTime(QTime(18, 0, 5));
        QCOMPARE(edit.text(), QStringLiteral("18:00:05"));
    }
}

VARROW_TEST_MAIN(TestDateEditors, QApplication)
#include "tst_gui_dateeditors.moc"

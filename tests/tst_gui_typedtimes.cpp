// A typed time or date is the time or date typed, with real key presses on the real editors: the schedule
// table's time cells, the pages' date-time fields, the date cells and the manual backup form's fields, in
// both languages. The toolkit's field dropped digits typed over a selection and moved on twice after a
// section filled by its digits when a separator followed: a plan meant to start at 04:33:00 started at
// 18:33:00.

#include "config/pickers/CDlgManualBackup.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/KeyboardKeys.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/calendar/CTimeEdit.h"

#include <QApplication>
#include <QLineEdit>

#include <memory>

class TestTypedTimes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void typedValueIsKept_data();
    void typedValueIsKept();
    void arrowsAndBackspaceStillEdit();
    void calendarTakesTheTypedDate_data();
    void calendarTakesTheTypedDate();
};

namespace {

enum EDITOR_KIND
{
    TIME_CELL,     // the schedule table's time editor
    DATE_TIME,     // the log and record pages' fields, the table's date-time cells
    DATE_CELL,     // the table's date cells
    MANUAL_BACKUP, // the manual backup form's plain fields, given the same typing
};

// The editor of a kind, in its window (the manual backup form's in the real form, on a database of its own).
struct CEditorUnderTest
{
    std::unique_ptr<CTempDatabase> db;
    std::unique_ptr<QWidget> window;
    QDateTimeEdit* edit = nullptr;

    explicit CEditorUnderTest(int kind)
    {
        if (kind == MANUAL_BACKUP) {
            db = std::make_unique<CTempDatabase>();
            window = std::make_unique<CDlgManualBackup>(nullptr);
            edit = window->findChild<QDateTimeEdit*>(QStringLiteral("pDtStart"));
        } else {
            window = std::make_unique<QWidget>();
            if (kind == TIME_CELL)
                edit = new CTimeEdit(window.get());
            else if (kind == DATE_CELL)
                edit = new CDateEdit(window.get());
            else
                edit = new CDateTimeEdit(window.get());
        }
        if (edit == nullptr)
            return;
        if (kind == TIME_CELL)
            edit->setTime(QTime(18, 0, 0));
        else
            edit->setDateTime(QDateTime(QDate(2023, 11, 17), QTime(18, 0, 0)));
    }
};

// How the operator gets to the field before typing.
enum WAY
{
    SELECT_ALL, // the whole text selected
    CARET_HOME, // the caret before the first section, nothing selected
    FIRST_SECTION_SELECTED,
};

} // namespace

void TestTypedTimes::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestTypedTimes::typedValueIsKept_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("way");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("chinese");
    const struct
    {
        int kind;
        const char* name;
        const char* typed;
        const char* shown;
    } entries[] = {
        {TIME_CELL, "time", "04:33:00", "04:33:00"},
        {TIME_CELL, "time without separators", "043300", "04:33:00"},
        {TIME_CELL, "time with a one-digit hour", "4:33:00", "04:33:00"},
        {TIME_CELL, "time, hour only", "23", "23:00:00"},
        {DATE_TIME, "date-time", "2024-05-01 10:00:00", "2024-05-01 10:00:00"},
        {DATE_TIME, "date-time without separators", "20240501100000", "2024-05-01 10:00:00"},
        {DATE_CELL, "date", "2024-02-29", "2024-02-29"},
        {DATE_CELL, "date without separators", "20240229", "2024-02-29"},
        {MANUAL_BACKUP, "manual backup", "2024-05-01 23:59:59", "2024-05-01 23:59:59"},
        {MANUAL_BACKUP, "manual backup without separators", "20240501235959", "2024-05-01 23:59:59"},
    };
    const struct
    {
        int way;
        const char* name;
    } ways[] = {
        {SELECT_ALL, "over all"}, {CARET_HOME, "from the start"}, {FIRST_SECTION_SELECTED, "over a section"}};
    for (const auto& entry : entries)
        for (const auto& way : ways)
            for (const bool chinese : {false, true})
                QTest::addRow("%s, %s%s", entry.name, way.name, chinese ? ", Chinese" : "")
                    << entry.kind << way.way << QString::fromLatin1(entry.typed)
                    << QString::fromLatin1(entry.shown) << chinese;
}

void TestTypedTimes::typedValueIsKept()
{
    QFETCH(int, kind);
    QFETCH(int, way);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    if (chinese)
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    CEditorUnderTest under(kind);
    QDateTimeEdit* edit = under.edit;
    QVERIFY(edit != nullptr);
    under.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(under.window.get()));
    under.window->activateWindow();
    edit->setFocus();
    QLineEdit* line = edit->findChild<QLineEdit*>();
    QVERIFY(line != nullptr);
    switch (way) {
    case SELECT_ALL:
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(line->selectedText() == line->text());
        break;
    case CARET_HOME:
        QTest::keyClick(edit, Qt::Key_Home);
        QVERIFY(!line->hasSelectedText());
        break;
    default:
        edit->setSelectedSection(edit->sectionAt(0));
        break;
    }
    // With the Shift's own press and release around each ':', as a keyboard sends them.
    KeyboardKeys::TypeLikeAKeyboard(edit, typed);
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(edit->dateTime().toString(edit->displayFormat()), shown);
}

// The keys that step and mend a section are the field's own, before and after typing.
void TestTypedTimes::arrowsAndBackspaceStillEdit()
{
    QWidget window;
    CTimeEdit edit(&window);
    edit.setTime(QTime(18, 0, 0));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.time(), QTime(19, 0, 0));
    // Typed, then stepped: the field went on to the seconds when the minutes were full.
    QTest::keyClicks(&edit, QStringLiteral("0433"));
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.time(), QTime(4, 33, 1));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.time(), QTime(4, 32, 1));
    // A digit mended by Backspace.
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, QStringLiteral("1"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, QStringLiteral("07"));
    QTest::keyClick(&edit, Qt::Key_Tab);
    QCOMPARE(edit.time(), QTime(7, 32, 1));
}

void TestTypedTimes::calendarTakesTheTypedDate_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("typed");
    // English types M/d/yy, Chinese yyyy/M/d: short sections end at their separators.
    QTest::newRow("English, short sections") << false << "5/1/24";
    QTest::newRow("English, full sections") << false << "05/01/24";
    QTest::newRow("English, no separators") << false << "050124";
    QTest::newRow("Chinese, short sections") << true << "2024/5/1";
    QTest::newRow("Chinese, full sections") << true << "2024/05/01";
    QTest::newRow("Chinese, no separators") << true << "20240501";
}

// The calendar's own typed entry, with real keys on its view; Return takes the date typed.
void TestTypedTimes::calendarTakesTheTypedDate()
{
    QFETCH(bool, chinese);
    QFETCH(QString, typed);
    CCalendarWidget calendar;
    calendar.setLocale(chinese ? QLocale(QLocale::Chinese, QLocale::China)
                               : QLocale(QLocale::English, QLocale::UnitedStates));
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    QTest::keyClicks(calendar.View(), typed);
    QTest::keyClick(calendar.View(), Qt::Key_Return);
    QCOMPARE(calendar.SelectedDate(), QDate(2024, 5, 1));
}

VARROW_TEST_MAIN(TestTypedTimes, QApplication)
#include "tst_gui_typedtimes.moc"

// Typing a date on the calendar: each section must take its digits one by one, stay within its bounds (no 31
// April, no year 0), give back typed digits on Backspace, and move between sections as the format orders
// them; the typed entry must apply on Return or after a pause, and leave the calendar alone on Escape.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarTextNavigator.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/QCalendarTypedDateValidator.h"

#include <QApplication>
#include <QFrame>
#include <QSignalSpy>

class TestCalendarTyping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void section_data();
    void section();
    void format_data();
    void format();
    void typedDate_data();
    void typedDate();
    void navigator();
    void acceptsAfterAPause();
};

namespace {

// Keys by letter: digits as they are, B Backspace, U Up, D Down, L Left, R Right, x a letter.
int KeyOf(QChar c)
{
    if (c.isDigit())
        return Qt::Key_0 + c.digitValue();
    static const QHash<char, int> keys{{'B', Qt::Key_Backspace},
                                       {'U', Qt::Key_Up},
                                       {'D', Qt::Key_Down},
                                       {'L', Qt::Key_Left},
                                       {'R', Qt::Key_Right}};
    return keys.value(c.toLatin1(), Qt::Key_X);
}

} // namespace

void TestCalendarTyping::section_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("move"); // what the last key answered: 0 next, 1 this, 2 previous section
    QTest::addColumn<QDate>("applied");

    const QDate april(2026, 4, 10);
    QTest::newRow("day 3 then 5: capped at 31, then at April's 30")
        << "day" << april << "35" << 31 << "<b>31</b>" << 0 << QDate(2026, 4, 30);
    QTest::newRow("day 0 alone reads as the 1st")
        << "day" << april << "0" << 0 << "0<b>0</b>" << 1 << QDate(2026, 4, 1);
    QTest::newRow("day 2 then Backspace: back to the old day")
        << "day" << april << "2B" << 10 << "<b>10</b>" << 2 << QDate(2026, 4, 10);
    QTest::newRow("day Backspace first")
        << "day" << april << "B" << 1 << "0<b>1</b>" << 1 << QDate(2026, 4, 1);
    QTest::newRow("day letters change nothing") << "day" << april << "x" << 10 << "<b>10</b>" << 1 << april;
    QTest::newRow("day Up wraps 31 to 1")
        << "day" << QDate(2026, 3, 31) << "U" << 1 << "<b>01</b>" << 1 << QDate(2026, 3, 1);
    QTest::newRow("day Down wraps 1 to 31")
        << "day" << QDate(2026, 4, 1) << "D" << 31 << "<b>31</b>" << 1 << QDate(2026, 4, 30);
    QTest::newRow("month 0 then 5") << "month" << april << "05" << 5 << "<b>05</b>" << 0
                                    << QDate(2026, 5, 10);
    QTest::newRow("month 0 alone reads as January")
        << "month" << april << "0" << 0 << "0<b>0</b>" << 1 << QDate(2026, 1, 10);
    QTest::newRow("month 1 then 9 capped at 12")
        << "month" << april << "19" << 12 << "<b>12</b>" << 0 << QDate(2026, 12, 10);
    QTest::newRow("month to February caps the 31st")
        << "month" << QDate(2024, 1, 31) << "02" << 2 << "<b>02</b>" << 0 << QDate(2024, 2, 29);
    QTest::newRow("month Down wraps 1 to 12")
        << "month" << QDate(2026, 1, 5) << "D" << 12 << "<b>12</b>" << 1 << QDate(2026, 12, 5);
    const QDate old(1999, 6, 15);
    QTest::newRow("year 2") << "year" << old << "2" << 1992 << "199<b>2</b>" << 1 << QDate(1992, 6, 15);
    QTest::newRow("year 2 0") << "year" << old << "20" << 1920 << "19<b>20</b>" << 1 << QDate(1920, 6, 15);
    QTest::newRow("year 2 0 1") << "year" << old << "201" << 1201 << "1<b>201</b>" << 1 << QDate(1201, 6, 15);
    QTest::newRow("year 2 0 1 5") << "year" << old << "2015" << 2015 << "<b>2015</b>" << 0
                                  << QDate(2015, 6, 15);
    QTest::newRow("year 2 0 Backspace")
        << "year" << old << "20B" << 1992 << "199<b>2</b>" << 1 << QDate(1992, 6, 15);
    QTest::newRow("year 2 Backspace: the old year")
        << "year" << old << "2B" << 1999 << "<b>1999</b>" << 2 << old;
    QTest::newRow("year 0000 is raised to year 1")
        << "year" << old << "0000" << 0 << "<b>0000</b>" << 0 << QDate(1, 6, 15);
    QTest::newRow("year 9999 is not bounded here")
        << "year" << old << "9999" << 9999 << "<b>9999</b>" << 0 << QDate(9999, 6, 15);
    QTest::newRow("year Up and Down unbounded, leap day capped")
        << "year" << QDate(2024, 2, 29) << "UUUUD" << 2027 << "<b>2027</b>" << 1 << QDate(2027, 2, 28);
}

void TestCalendarTyping::section()
{
    QFETCH(QString, section);
    QFETCH(QDate, start);
    QFETCH(QString, keys);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(int, move);
    QFETCH(QDate, applied);
    QCalendarDayValidator day;
    QCalendarMonthValidator month;
    QCalendarYearValidator year;
    QCalendarDateSectionValidator* validator = &day;
    const int* current = &day.m_value;
    if (section == QLatin1String("month")) {
        validator = &month;
        current = &month.m_value;
    } else if (section == QLatin1String("year")) {
        validator = &year;
        current = &year.m_value;
    }
    validator->SetDate(start);
    int answer = -1;
    for (const QChar c : keys)
        answer = validator->HandleKey(KeyOf(c));
    QCOMPARE(*current, value);
    QCOMPARE(validator->Text(), text);
    QCOMPARE(answer, move);
    QCOMPARE(validator->ApplyToDate(start), applied);
}

void TestCalendarTyping::format_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("separators");
    QTest::addColumn<QList<int>>("repeats");
    QTest::addColumn<QString>("text");
    QTest::newRow("yyyy-MM-dd") << "yyyy-MM-dd" << QStringList{"", "-", "-", ""} << QList<int>{4, 2, 2}
                                << "<b>2026</b>-12-06";
    QTest::newRow("M/d/yy") << "M/d/yy" << QStringList{"", "/", "/", ""} << QList<int>{1, 1, 2}
                            << "<b>12</b>/6/26";
    QTest::newRow("quoted letters stay literal")
        << "'dMy 'dd' de 'MMMM yyyy" << QStringList{"dMy ", " de ", " ", ""} << QList<int>{2, 4, 4}
        << "dMy <b>06</b> de December 2026";
    QTest::newRow("names and five letters") << "ddd, d MMM yyyyy" << QStringList{"", ", ", " ", " ", "", ""}
                                            << QList<int>{3, 1, 3, 4, 1} << "<b>06</b>, 6 Dec 202626";
}

void TestCalendarTyping::format()
{
    QFETCH(QString, format);
    QFETCH(QStringList, separators);
    QFETCH(QList<int>, repeats);
    QFETCH(QString, text);
    QCalendarTypedDateValidator validator;
    validator.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    validator.SetFormat(format);
    validator.SetInitialDate(QDate(2026, 12, 6));
    QCOMPARE(validator.Separators(), separators);
    QCOMPARE(validator.Repeats(), repeats);
    QCOMPARE(validator.CurrentText(), text);
}

void TestCalendarTyping::typedDate_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");
    // Format yyyy-MM-dd, starting on 2026-12-06.
    QTest::newRow("a whole date") << "20240229" << QDate(2024, 2, 29) << "<b>2024</b>-02-29";
    QTest::newRow("31 April becomes the 30th") << "20260431" << QDate(2026, 4, 30) << "<b>2026</b>-04-30";
    QTest::newRow("29 February of a common year") << "21000229" << QDate(2100, 2, 28) << "<b>2100</b>-02-28";
    QTest::newRow("Backspace after a finished section")
        << "2024B" << QDate(2202, 12, 6) << "2<b>202</b>-12-06";
    QTest::newRow("Backspace in the month") << "20240B" << QDate(2024, 12, 6) << "<b>2024</b>-12-06";
    QTest::newRow("Right and Left move between sections")
        << "RR3LU" << QDate(2026, 1, 3) << "2026-<b>01</b>-03";
    QTest::newRow("Left from the first wraps to the day")
        << "L15" << QDate(2026, 12, 15) << "<b>2026</b>-12-15";
}

void TestCalendarTyping::typedDate()
{
    QFETCH(QString, keys);
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCalendarTypedDateValidator validator;
    validator.SetFormat(QStringLiteral("yyyy-MM-dd"));
    validator.SetInitialDate(QDate(2026, 12, 6));
    for (const QChar c : keys)
        validator.HandleKey(KeyOf(c));
    QCOMPARE(validator.CurrentDate(), date);
    QCOMPARE(validator.CurrentText(), text);
}

void TestCalendarTyping::navigator()
{
    CCalendarWidget calendar;
    calendar.setLocale(QLocale(QLocale::Chinese, QLocale::China)); // yyyy/M/d
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.Navigator()->SetDate(QDate(2026, 12, 10));
    calendar.show();
    CCalendarView* view = calendar.View();
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);

    // A key without printable text opens nothing.
    QTest::keyClick(view, Qt::Key_Shift);
    QVERIFY(calendar.Navigator()->DateFrame() == nullptr);

    // Escape drops what was typed.
    QTest::keyClicks(view, QStringLiteral("2030"));
    QVERIFY(calendar.Navigator()->DateFrame() != nullptr && calendar.Navigator()->DateFrame()->isVisible());
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(calendar.Navigator()->DateFrame() == nullptr);
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 10));
    QCOMPARE(changed.count(), 0);

    // Return applies the typed date and finishes the editing.
    QTest::keyClicks(view, QStringLiteral("20253"));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(calendar.SelectedDate(), QDate(2025, 3, 10));
    QCOMPARE(calendar.MonthShown(), 3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(activated, QList<QVariantList>{{QDate(2025, 3, 10)}});

    // A year past the calendar's range ends at its last day.
    QTest::keyClicks(view, QStringLiteral("9999"));
    QTest::keyClick(view, Qt::Key_Enter);
    QCOMPARE(calendar.SelectedDate(), QDate(7999, 12, 31));
}

void TestCalendarTyping::acceptsAfterAPause()
{
    CCalendarWidget calendar;
    calendar.setLocale(QLocale(QLocale::Chinese, QLocale::China));
    calendar.SetDateEditAcceptDelay(20);
    calendar.Navigator()->SetDate(QDate(2026, 12, 10));
    calendar.show();
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);
    QTest::keyClicks(calendar.View(), QStringLiteral("2027"));
    QTRY_VERIFY(calendar.Navigator()->DateFrame() == nullptr);
    QCOMPARE(calendar.SelectedDate(), QDate(2027, 12, 10));
    QCOMPARE(activated.count(), 0);
}

VARROW_TEST_MAIN(TestCalendarTyping, QApplication)
#include "tst_gui_calendartyping.moc"

// Typing a date on the calendar: each section must take its digits one by one, stay within its bounds (no 31
// April, no year 0), give back typed digits on Backspace, and move between sections as the format orders
// them; the typed entry must apply on Return or after a pause, and leave the calendar alone on Escape.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarTextNavigator.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/QCalendarTypedDateValidator.h"

#include <QApplication>
#include <QSignalSpy>

class TestCalendarTyping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void section_data();
    void section();
    void sectionTexts();
    void typedDate_data();
    void typedDate();
    void navigator();
};

namespace {

// Keys by letter: digits as they are, B Backspace, U Up, D Down, L Left, R Right.
int KeyOf(QChar c)
{
    if (c.isDigit())
        return Qt::Key_0 + c.digitValue();
    static const QHash<char, int> keys{{'B', Qt::Key_Backspace}, {'U', Qt::Key_Up},    {'D', Qt::Key_Down},
                                       {'L', Qt::Key_Left},      {'R', Qt::Key_Right}, {'/', Qt::Key_Slash},
                                       {'-', Qt::Key_Minus}};
    return keys.value(c.toLatin1());
}

} // namespace

void TestCalendarTyping::section_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("move"); // what the last key answered: 0 next, 1 this, 2 previous section
    QTest::addColumn<QDate>("applied");

    const QDate april(2026, 4, 10);
    QTest::newRow("day 3 then 5: capped at 31, then at April's 30") << "day" << april << "35"
                                                                    << "<b>31</b>" << 0 << QDate(2026, 4, 30);
    QTest::newRow("day 2 then Backspace: back to the old day") << "day" << april << "2B"
                                                               << "<b>10</b>" << 2 << april;
    QTest::newRow("day Up wraps 31 to 1") << "day" << QDate(2026, 3, 31) << "U"
                                          << "<b>01</b>" << 1 << QDate(2026, 3, 1);
    QTest::newRow("day Down wraps 1 to 31") << "day" << QDate(2026, 3, 1) << "D"
                                            << "<b>31</b>" << 1 << QDate(2026, 3, 31);
    QTest::newRow("day 00 is the 1st") << "day" << april << "00"
                                       << "<b>00</b>" << 0 << QDate(2026, 4, 1);
    QTest::newRow("month Down wraps 1 to 12") << "month" << QDate(2026, 1, 10) << "D"
                                              << "<b>12</b>" << 1 << QDate(2026, 12, 10);
    QTest::newRow("month Up wraps 12 to 1") << "month" << QDate(2026, 12, 10) << "U"
                                            << "<b>01</b>" << 1 << QDate(2026, 1, 10);
    QTest::newRow("month 1 then 9 capped at 12") << "month" << april << "19"
                                                 << "<b>12</b>" << 0 << QDate(2026, 12, 10);
    QTest::newRow("month to February caps the 31st") << "month" << QDate(2024, 1, 31) << "02"
                                                     << "<b>02</b>" << 0 << QDate(2024, 2, 29);
    const QDate old(1999, 6, 15);
    QTest::newRow("year 2") << "year" << old << "2"
                            << "199<b>2</b>" << 1 << QDate(1992, 6, 15);
    QTest::newRow("year 2 0 1 5") << "year" << old << "2015"
                                  << "<b>2015</b>" << 0 << QDate(2015, 6, 15);
    QTest::newRow("year 0000 is raised to year 1") << "year" << old << "0000"
                                                   << "<b>0000</b>" << 0 << QDate(1, 6, 15);
    QTest::newRow("year Up and Down unbounded, leap day capped") << "year" << QDate(2024, 2, 29) << "UUUUD"
                                                                 << "<b>2027</b>" << 1 << QDate(2027, 2, 28);
}

void TestCalendarTyping::section()
{
    QFETCH(QString, section);
    QFETCH(QDate, start);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, move);
    QFETCH(QDate, applied);
    QCalendarDayValidator day;
    QCalendarMonthValidator month;
    QCalendarYearValidator year;
    QCalendarDateSectionValidator* validator = &day;
    if (section == QLatin1String("month"))
        validator = &month;
    else if (section == QLatin1String("year"))
        validator = &year;
    validator->SetDate(start);
    int answer = -1;
    for (const QChar c : keys)
        answer = validator->HandleKey(KeyOf(c));
    QCOMPARE(validator->Text(), text);
    QCOMPARE(answer, move);
    QCOMPARE(validator->ApplyToDate(start), applied);
}

void TestCalendarTyping::sectionTexts()
{
    // d, dd, ddd, dddd and M, MM, MMM, MMMM of Friday 6 March 2026.
    QCalendarDayValidator day;
    QCalendarMonthValidator month;
    day.m_locale = month.m_locale = QLocale(QLocale::English, QLocale::UnitedStates);
    const QDate date(2026, 3, 6);
    QStringList texts;
    for (int repeat = 1; repeat <= 4; ++repeat)
        texts << day.Text(date, repeat) << month.Text(date, repeat);
    QCOMPARE(texts, (QStringList{"6", "3", "06", "03", "Fri", "Mar", "Friday", "March"}));
}

void TestCalendarTyping::typedDate_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");
    // Starting on 2026-12-06.
    const QString iso = QStringLiteral("yyyy-MM-dd");
    QTest::newRow("31 April becomes the 30th")
        << iso << "20260431" << QDate(2026, 4, 30) << "<b>2026</b>-04-30";
    QTest::newRow("29 February of a common year")
        << iso << "21000229" << QDate(2100, 2, 28) << "<b>2100</b>-02-28";
    QTest::newRow("Backspace after a finished section")
        << iso << "2024B" << QDate(2202, 12, 6) << "2<b>202</b>-12-06";
    QTest::newRow("Right and Left move between sections")
        << iso << "RR3LU" << QDate(2026, 1, 3) << "2026-<b>01</b>-03";
    // Separators typed as the format shows them: a section typed short ends at its separator, and the
    // separator after a full section is no further step.
    QTest::newRow("short sections ended by separators, month first")
        << "M/d/yy"
        << "5/1/24" << QDate(2024, 5, 1) << "5/1/20<b>24</b>";
    QTest::newRow("short sections ended by separators, year first")
        << "yyyy/M/d"
        << "2024/5/1" << QDate(2024, 5, 1) << "2024/5/0<b>1</b>";
    QTest::newRow("separators after full sections")
        << iso << "2024-05-01" << QDate(2024, 5, 1) << "<b>2024</b>-05-01";
    QTest::newRow("no separators") << iso << "20240501" << QDate(2024, 5, 1) << "<b>2024</b>-05-01";
    QTest::newRow("a leading separator changes nothing")
        << iso << "-2024" << QDate(2024, 12, 6) << "2024-<b>12</b>-06";
    QTest::newRow("month first") << "M/d/yy"
                                 << "3" << QDate(2026, 3, 6) << "0<b>3</b>/6/26";
    QTest::newRow("quoted letters stay literal")
        << "'dMy 'dd' de 'MMMM yyyy"
        << "" << QDate(2026, 12, 6) << "dMy <b>06</b> de December 2026";
}

void TestCalendarTyping::typedDate()
{
    QFETCH(QString, format);
    QFETCH(QString, keys);
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCalendarTypedDateValidator validator;
    validator.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    validator.SetFormat(format);
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
    calendar.show();
    CCalendarView* view = calendar.View();
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);

    // Escape drops what was typed.
    QTest::keyClicks(view, QStringLiteral("2030"));
    QVERIFY(calendar.Navigator()->DateFrame() != nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(calendar.Navigator()->DateFrame() == nullptr);
    QCOMPARE(changed.count(), 0);

    // Return applies the typed date and finishes the editing.
    QTest::keyClicks(view, QStringLiteral("20253"));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(calendar.SelectedDate(), QDate(2025, 3, 10));
    QCOMPARE(activated, QList<QVariantList>{{QDate(2025, 3, 10)}});

    // A year past the calendar's range ends at its last day.
    QTest::keyClicks(view, QStringLiteral("9999"));
    QTest::keyClick(view, Qt::Key_Enter);
    QCOMPARE(calendar.SelectedDate(), QDate(7999, 12, 31));

    // A pause applies the typed date too, without activating it.
    calendar.SetDateEditAcceptDelay(20);
    QTest::keyClicks(view, QStringLiteral("2027"));
    QTRY_VERIFY(calendar.Navigator()->DateFrame() == nullptr);
    QCOMPARE(calendar.SelectedDate(), QDate(2027, 12, 31));
    QCOMPARE(activated.count(), 2);
}

VARROW_TEST_MAIN(TestCalendarTyping, QApplication)
#include "tst_gui_calendartyping.moc"

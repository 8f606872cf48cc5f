// The calendar's month page: every cell must map to the right day and back, for months that start on any
// weekday, with the neighbouring months' days around them, with or without the day-name row and the
// week-number column, at the ends of the date range and across leap years. A wrong offset here shows every
// date of a month one cell off.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarView.h"

#include <QApplication>
#include <QSignalSpy>

class TestCalendarModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void grid_data();
    void grid();
    void rangeEnds();
    void reversedRange();
    void cellFormats();
    void dayNamesAndAlignment_data();
    void dayNamesAndAlignment();
    void otherMonthDaysLeftBlank();
    void headerAndNeighbourColours();
    void changesAnnounced();
    void maximumBelowMinimum();
};

namespace {

// The first date on a page, worked out independently of the model: the week row holding the first of the
// month, or the week before it when the month starts in the first column.
QDate FirstOnPage(int year, int month, Qt::DayOfWeek firstDay)
{
    const QDate first(year, month, 1);
    int offset = (first.dayOfWeek() - static_cast<int>(firstDay) + 7) % 7;
    if (offset == 0)
        offset = 7;
    return first.addDays(-offset);
}

// The cell of a date as (row, column); (-1, -1) when it is not on the page.
std::pair<int, int> Cell(CCalendarModel& model, const QDate& date)
{
    int row = -1;
    int column = -1;
    model.CellForDate(date, &row, &column);
    return {row, column};
}

} // namespace

void TestCalendarModel::grid_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("firstDay");
    QTest::addColumn<int>("headerFormat");
    QTest::addColumn<bool>("weekNumbers");
    // 2026: June starts on a Monday, September Tuesday, April Wednesday, January Thursday, May Friday, August
    // Saturday, February Sunday.
    const QList<std::pair<const char*, int>> months{{"Mon", 6}, {"Tue", 9}, {"Wed", 4}, {"Thu", 1},
                                                    {"Fri", 5}, {"Sat", 8}, {"Sun", 2}};
    for (const auto& [name, month] : months) {
        QTest::addRow("%s start, Sunday first, bare", name) << 2026 << month << 7 << 0 << false;
        QTest::addRow("%s start, Monday first, day names and weeks", name) << 2026 << month << 1 << 1 << true;
    }
    QTest::newRow("Sunday start, Saturday first, long names") << 2026 << 3 << 6 << 3 << false;
    QTest::newRow("leap February 2024, Thursday first") << 2024 << 2 << 4 << 2 << true;
    QTest::newRow("common February 2100, Sunday first") << 2100 << 2 << 7 << 0 << false;
    QTest::newRow("leap February 2000, Monday first") << 2000 << 2 << 1 << 0 << false;
}

void TestCalendarModel::grid()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, firstDay);
    QFETCH(int, headerFormat);
    QFETCH(bool, weekNumbers);
    CCalendarModel model;
    model.SetHorizontalHeaderFormat(headerFormat);
    model.SetWeekNumbersShown(weekNumbers);
    model.SetFirstColumnDay(static_cast<Qt::DayOfWeek>(firstDay));
    model.ShowMonth(year, month);
    const int firstRow = headerFormat != 0 ? 1 : 0;
    const int firstColumn = weekNumbers ? 1 : 0;
    QCOMPARE(model.rowCount(), firstRow + 6);
    QCOMPARE(model.columnCount(), firstColumn + 7);

    QDate expected = FirstOnPage(year, month, static_cast<Qt::DayOfWeek>(firstDay));
    for (int week = 0; week < 6; ++week) {
        for (int weekday = 0; weekday < 7; ++weekday) {
            const int row = firstRow + week;
            const int column = firstColumn + weekday;
            QCOMPARE(model.DateForCell(row, column), expected);
            QCOMPARE(model.DayOfWeekForColumn(column), static_cast<Qt::DayOfWeek>(expected.dayOfWeek()));
            QCOMPARE(Cell(model, expected), std::pair(row, column));
            QCOMPARE(model.data(model.index(row, column), Qt::DisplayRole).toInt(), expected.day());
            expected = expected.addDays(1);
        }
        if (weekNumbers) {
            const QDate monday = expected.addDays((8 - firstDay) % 7 - 7); // not asked of the model
            QCOMPARE(model.data(model.index(firstRow + week, 0), Qt::DisplayRole).toInt(),
                     monday.weekNumber());
        }
    }
    // Header cells and the days just off the page have no date.
    if (firstRow == 1)
        QVERIFY(!model.DateForCell(0, firstColumn).isValid());
    if (firstColumn == 1)
        QVERIFY(!model.DateForCell(firstRow, 0).isValid());
    QVERIFY(!model.DateForCell(firstRow + 6, firstColumn).isValid());
    QCOMPARE(Cell(model, expected), std::pair(-1, -1));
    QCOMPARE(Cell(model, FirstOnPage(year, month, static_cast<Qt::DayOfWeek>(firstDay)).addDays(-1)),
             std::pair(-1, -1));
}

void TestCalendarModel::rangeEnds()
{
    CCalendarModel model;
    const auto flags = [&](const QDate& date) {
        const auto [row, column] = Cell(model, date);
        return row >= 0 ? model.flags(model.index(row, column)) : Qt::ItemFlags(Qt::ItemNeverHasChildren);
    };
    // The last page: the days after the maximum are shown but cannot be chosen.
    model.ShowMonth(7999, 12);
    QVERIFY(flags(QDate(7999, 12, 31)) & Qt::ItemIsEnabled);
    QCOMPARE(flags(QDate(8000, 1, 1)), Qt::NoItemFlags);

    // The first page starts at Julian day 1; the days before it are off limits.
    const QDate first = QDate::fromJulianDay(1);
    model.ShowMonth(first.year(), first.month());
    const auto [row, column] = Cell(model, first);
    QCOMPARE(model.DateForCell(row, column), first);
    QVERIFY(flags(first) & Qt::ItemIsSelectable);
    QCOMPARE(flags(first.addDays(-1)), Qt::NoItemFlags);

    model.SetDate(QDate(9000, 1, 1));
    QCOMPARE(model.m_date, QDate(7999, 12, 31));
    model.SetDate(first.addDays(-10));
    QCOMPARE(model.m_date, first);
}

void TestCalendarModel::reversedRange()
{
    // Ends given the wrong way round are swapped; one end past the other drags it along.
    CCalendarModel model;
    model.SetDate(QDate(2026, 5, 5));
    model.SetRange(QDate(2026, 6, 30), QDate(2026, 6, 1));
    QCOMPARE(std::pair(model.m_minimumDate, model.m_maximumDate),
             std::pair(QDate(2026, 6, 1), QDate(2026, 6, 30)));
    QCOMPARE(model.m_date, QDate(2026, 6, 1));
    model.SetMinimumDate(QDate(2026, 7, 15));
    QCOMPARE(model.m_maximumDate, QDate(2026, 7, 15));
    QCOMPARE(model.m_date, QDate(2026, 7, 15));
}

void TestCalendarModel::cellFormats()
{
    CCalendarView view;
    CCalendarModel model;
    view.setModel(&model);
    model.SetView(&view);
    model.ShowMonth(2026, 12);
    // Day and date formats meet in the cell: weekday colour, then the date's own tooltip.
    QTextCharFormat saturday;
    saturday.setForeground(Qt::red);
    model.m_dayFormats.insert(Qt::Saturday, saturday);
    QTextCharFormat note;
    note.setToolTip(QStringLiteral("Audit"));
    model.m_dateFormats.insert(QDate(2026, 12, 12), note);
    const auto [row, column] = Cell(model, QDate(2026, 12, 12));
    const QModelIndex index = model.index(row, column);
    QCOMPARE(model.data(index, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QCOMPARE(model.data(index, Qt::ToolTipRole).toString(), QStringLiteral("Audit"));
    // A day out of range is drawn as the background, not as a day to choose.
    const QVariant inRange = model.data(index, Qt::BackgroundRole);
    model.SetMinimumDate(QDate(2026, 12, 13));
    QVERIFY(model.data(index, Qt::BackgroundRole) != inRange);
}

void TestCalendarModel::dayNamesAndAlignment_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("names"); // Monday first
    QTest::newRow("single letters") << 1 << "M T W T F S S";
    QTest::newRow("short names") << 2 << "Mon Tue Wed Thu Fri Sat Sun";
    QTest::newRow("long names") << 3 << "Monday Tuesday Wednesday Thursday Friday Saturday Sunday";
}

// The day-name row in the view's language, and every cell centred both ways.
void TestCalendarModel::dayNamesAndAlignment()
{
    QFETCH(int, format);
    QFETCH(QString, names);
    CCalendarView view;
    view.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    CCalendarModel model;
    model.SetView(&view);
    model.SetWeekNumbersShown(false);
    model.SetFirstColumnDay(Qt::Monday);
    model.SetHorizontalHeaderFormat(format);
    QStringList row;
    for (int column = 0; column < 7; ++column)
        row << model.data(model.index(0, column), Qt::DisplayRole).toString();
    QCOMPARE(row.join(QLatin1Char(' ')), names);
    for (const QModelIndex& cell : {model.index(0, 0), model.index(3, 4), model.index(6, 6)})
        QCOMPARE(model.data(cell, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

// Without the neighbouring months' days, September 2026 (a Tuesday first, Sunday first in the row) shows two
// blank cells before the 1st and blank cells after the 30th; those cells have no date, no text, the
// window's colour and the plain flags, while their dates still have their cells.
void TestCalendarModel::otherMonthDaysLeftBlank()
{
    CCalendarView view;
    CCalendarModel model;
    model.SetView(&view);
    model.SetHorizontalHeaderFormat(0);
    model.SetWeekNumbersShown(false);
    model.ShowMonth(2026, 9);
    model.SetShowOtherMonthDays(false);
    const QColor window = view.palette().brush(QPalette::Inactive, QPalette::Window).color();
    const QColor base = view.palette().brush(QPalette::Inactive, QPalette::Base).color();
    QVERIFY(window != base);
    const QList<std::pair<int, int>> blank{{0, 0}, {0, 1}, {4, 4}, {5, 6}};
    for (const auto& [row, column] : blank) {
        const QModelIndex cell = model.index(row, column);
        QVERIFY(!model.DateForCell(row, column).isValid());
        QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), QString());
        QCOMPARE(model.data(cell, Qt::BackgroundRole).value<QColor>(), window);
        QCOMPARE(model.flags(cell), Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    }
    QCOMPARE(model.DateForCell(0, 2), QDate(2026, 9, 1));
    QCOMPARE(model.DateForCell(4, 3), QDate(2026, 9, 30));
    QCOMPARE(model.data(model.index(4, 3), Qt::BackgroundRole).value<QColor>(), base);
    QCOMPARE(Cell(model, QDate(2026, 8, 31)), std::pair(0, 1));
    QCOMPARE(Cell(model, QDate(2026, 10, 1)), std::pair(4, 4));
}

// Header cells take the alternate base colour, day cells the base colour; days of the neighbouring months
// are written in the disabled text colour.
void TestCalendarModel::headerAndNeighbourColours()
{
    CCalendarView view;
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 1, 1));
    palette.setColor(QPalette::AlternateBase, QColor(2, 2, 2));
    palette.setColor(QPalette::Window, QColor(3, 3, 3));
    palette.setColor(QPalette::Text, QColor(4, 4, 4));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(5, 5, 5));
    view.setPalette(palette);
    CCalendarModel model;
    model.SetView(&view);
    model.ShowMonth(2026, 9); // day names in row 0, week numbers in column 0, Sunday first
    const auto colours = [&model](int row, int column) {
        const QModelIndex cell = model.index(row, column);
        return model.data(cell, Qt::BackgroundRole).value<QColor>().red() * 10 +
               model.data(cell, Qt::ForegroundRole).value<QColor>().red();
    };
    QCOMPARE(colours(0, 3), 24); // a day name
    QCOMPARE(colours(2, 0), 24); // a week number
    QCOMPARE(colours(1, 3), 14); // 1 September
    QCOMPARE(colours(1, 1), 15); // 30 August
    QCOMPARE(colours(5, 5), 15); // 1 October
    QCOMPARE(colours(5, 4), 14); // 30 September
}

// The views hear of every change of the grid: a header row or week column that comes or goes, and every cell
// after a change of month or range; nothing when nothing changed.
void TestCalendarModel::changesAnnounced()
{
    CCalendarModel model;
    model.SetHorizontalHeaderFormat(0);
    model.SetWeekNumbersShown(false);
    model.ShowMonth(2026, 1);
    QSignalSpy rowsIn(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy rowsOut(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy columnsIn(&model, &QAbstractItemModel::columnsInserted);
    QSignalSpy columnsOut(&model, &QAbstractItemModel::columnsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const auto counts = [&] {
        return QStringLiteral("%1 %2 %3 %4 %5")
            .arg(rowsIn.count())
            .arg(rowsOut.count())
            .arg(columnsIn.count())
            .arg(columnsOut.count())
            .arg(changed.count());
    };
    model.SetHorizontalHeaderFormat(2);
    QCOMPARE(counts(), QStringLiteral("1 0 0 0 1"));
    QCOMPARE(rowsIn.at(0).at(1).toInt() * 10 + rowsIn.at(0).at(2).toInt(), 0);
    model.SetHorizontalHeaderFormat(3); // a row already there
    model.SetWeekNumbersShown(true);
    QCOMPARE(counts(), QStringLiteral("1 0 1 0 3"));
    model.SetWeekNumbersShown(true);
    model.ShowMonth(2026, 1);
    model.SetFirstColumnDay(Qt::Sunday);
    QCOMPARE(counts(), QStringLiteral("1 0 1 0 3"));
    model.ShowMonth(2026, 2);
    QCOMPARE(changed.last().at(0).value<QModelIndex>(), model.index(0, 0));
    QCOMPARE(changed.last().at(1).value<QModelIndex>(), model.index(6, 7));
    model.SetHorizontalHeaderFormat(0);
    model.SetWeekNumbersShown(false);
    QCOMPARE(counts(), QStringLiteral("1 1 1 1 6"));
    QCOMPARE(changed.last().at(1).value<QModelIndex>(), model.index(5, 6));
}

void TestCalendarModel::maximumBelowMinimum()
{
    CCalendarModel model;
    model.SetRange(QDate(2026, 6, 1), QDate(2026, 6, 30));
    model.SetDate(QDate(2026, 6, 20));
    model.SetMaximumDate(QDate(2026, 5, 10));
    QCOMPARE(std::pair(model.m_minimumDate, model.m_maximumDate),
             std::pair(QDate(2026, 5, 10), QDate(2026, 5, 10)));
    QCOMPARE(model.m_date, QDate(2026, 5, 10));
    // An invalid end changes nothing.
    model.SetMinimumDate(QDate());
    model.SetMaximumDate(QDate());
    QCOMPARE(std::pair(model.m_minimumDate, model.m_maximumDate),
             std::pair(QDate(2026, 5, 10), QDate(2026, 5, 10)));
}

VARROW_TEST_MAIN(TestCalendarModel, QApplication)
#include "tst_gui_calendarmodel.moc"

// The calendar of the date editors' popup: moving by keys, by the navigation bar and by the wheel must land
// on the right page and day and refuse to leave the date range; clicks must report the day under the mouse,
// and nothing in read-only mode; the names must follow the language the program shows.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>

class TestCalendarWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void barButtons_data();
    void barButtons();
    void barAtTheRangeEnds();
    void clicks();
    void wheelAndDoubleClick();
    void dateMarks();

private:
    static QPoint CellCenter(CCalendarWidget& calendar, const QDate& date);
    static QToolButton* Button(CCalendarWidget& calendar, int position);
};

QPoint TestCalendarWidget::CellCenter(CCalendarWidget& calendar, const QDate& date)
{
    return calendar.View()->visualRect(calendar.Model()->IndexForDate(date)).center();
}

// The bar's buttons from left to right: previous month, next month, previous year, next year.
QToolButton* TestCalendarWidget::Button(CCalendarWidget& calendar, int position)
{
    QList<QToolButton*> buttons = calendar.NavigationBar()->findChildren<QToolButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](const QToolButton* a, const QToolButton* b) { return a->x() < b->x(); });
    return buttons.at(position);
}

void TestCalendarWidget::keys_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QDate>("expected");
    // Within 10 February to 20 December 2026.
    QTest::newRow("down a week into the next month")
        << QDate(2026, 11, 28) << int(Qt::Key_Down) << QDate(2026, 12, 5);
    QTest::newRow("up a week") << QDate(2026, 12, 20) << int(Qt::Key_Up) << QDate(2026, 12, 13);
    QTest::newRow("end") << QDate(2026, 2, 13) << int(Qt::Key_End) << QDate(2026, 2, 28);
    QTest::newRow("page up, day capped") << QDate(2026, 3, 31) << int(Qt::Key_PageUp) << QDate(2026, 2, 28);
    QTest::newRow("right refused at the maximum")
        << QDate(2026, 12, 20) << int(Qt::Key_Right) << QDate(2026, 12, 20);
    QTest::newRow("page up clamped to the minimum")
        << QDate(2026, 3, 2) << int(Qt::Key_PageUp) << QDate(2026, 2, 10);
}

void TestCalendarWidget::keys()
{
    QFETCH(QDate, start);
    QFETCH(int, key);
    QFETCH(QDate, expected);
    CCalendarWidget calendar;
    calendar.SetDateRange(QDate(2026, 2, 10), QDate(2026, 12, 20));
    calendar.SetSelectedDate(start);
    calendar.show();
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    QTest::keyClick(calendar.View(), static_cast<Qt::Key>(key));
    QCOMPARE(calendar.SelectedDate(), expected);
    QCOMPARE(std::pair(calendar.YearShown(), calendar.MonthShown()),
             std::pair(expected.year(), expected.month()));
    QCOMPARE(changed.count(), expected == start ? 0 : 1);
    // The selected day is the one drawn as selected.
    const QModelIndexList selected = calendar.View()->selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(calendar.Model()->DateForCell(selected.first().row(), selected.first().column()), expected);
}

void TestCalendarWidget::barButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("current");
    QTest::newRow("previous month") << 0 << QDate(2026, 3, 31) << QDate(2026, 2, 28);
    QTest::newRow("previous month over the year") << 0 << QDate(2027, 1, 31) << QDate(2026, 12, 31);
    QTest::newRow("next month over the year") << 1 << QDate(2026, 12, 15) << QDate(2027, 1, 15);
    QTest::newRow("previous year from 29 February") << 2 << QDate(2024, 2, 29) << QDate(2023, 2, 28);
    QTest::newRow("next year") << 3 << QDate(2026, 6, 1) << QDate(2027, 6, 1);
}

void TestCalendarWidget::barButtons()
{
    QFETCH(int, button);
    QFETCH(QDate, start);
    QFETCH(QDate, current);
    CCalendarWidget calendar;
    calendar.SetSelectedDate(start);
    calendar.show();
    QTest::mouseClick(Button(calendar, button), Qt::LeftButton);
    QCOMPARE(std::pair(calendar.YearShown(), calendar.MonthShown()),
             std::pair(current.year(), current.month()));
    const QModelIndex index = calendar.View()->currentIndex();
    QCOMPARE(calendar.Model()->DateForCell(index.row(), index.column()), current);
    // Turning the page does not choose a day.
    QCOMPARE(calendar.SelectedDate(), start);
    // The page-turning slots turn exactly as the buttons do.
    CCalendarWidget turned;
    turned.SetSelectedDate(start);
    void (CCalendarWidget::*const turns[])() = {
        &CCalendarWidget::ShowPreviousMonth, &CCalendarWidget::ShowNextMonth,
        &CCalendarWidget::ShowPreviousYear, &CCalendarWidget::ShowNextYear};
    (turned.*turns[button])();
    QCOMPARE(std::pair(turned.YearShown(), turned.MonthShown()), std::pair(current.year(), current.month()));
}

void TestCalendarWidget::barAtTheRangeEnds()
{
    CCalendarWidget calendar;
    calendar.SetDateRange(QDate(2026, 3, 10), QDate(2026, 5, 20));
    // A date before the range is taken as its first day; no date at all is refused.
    calendar.SetSelectedDate(QDate(2025, 1, 1));
    calendar.SetSelectedDate(QDate());
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 3, 10));
    calendar.show();
    for (const int b : {0, 1, 2})
        QCOMPARE(Button(calendar, b)->isEnabled(), b == 1);
    // A year back from April stops at the first month of the range, on its first day.
    QTest::mouseClick(Button(calendar, 1), Qt::LeftButton);
    QTest::mouseClick(Button(calendar, 2), Qt::LeftButton);
    QCOMPARE(calendar.MonthShown(), 3);
    const QModelIndex index = calendar.View()->currentIndex();
    QCOMPARE(calendar.Model()->DateForCell(index.row(), index.column()), QDate(2026, 3, 10));
    QTest::mouseClick(Button(calendar, 3), Qt::LeftButton);
    QCOMPARE(calendar.MonthShown(), 5);
    QVERIFY(!Button(calendar, 1)->isEnabled() && !Button(calendar, 3)->isEnabled());
}

void TestCalendarWidget::clicks()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    QWidget* viewport = calendar.View()->viewport();
    QSignalSpy clicked(&calendar, &CCalendarWidget::clicked);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 17)));
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 17));
    QCOMPARE(clicked.takeFirst(), QVariantList{QDate(2026, 12, 17)});

    // A day of the month before turns the page to it.
    const QDate november(2026, 11, 30);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, november));
    QCOMPARE(calendar.SelectedDate(), november);
    QCOMPARE(calendar.MonthShown(), 11);
    QCOMPARE(clicked.takeFirst(), QVariantList{november});

    // A press below the minimum is ignored, and the release after it reports nothing.
    calendar.SetMinimumDate(QDate(2026, 11, 20));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 11, 12)));
    QCOMPARE(calendar.SelectedDate(), november);
    QCOMPARE(clicked.count(), 0);
}

void TestCalendarWidget::wheelAndDoubleClick()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    const QPoint pos = CellCenter(calendar, QDate(2026, 12, 10));
    // Less than one notch turns nothing; two notches back turn two months.
    for (const auto& [delta, month] : {std::pair{100, 12}, {120, 11}, {-240, 1}}) {
        QWheelEvent event(pos, calendar.View()->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(calendar.View()->viewport(), &event);
        QCOMPARE(calendar.MonthShown(), month);
    }
    QCOMPARE(calendar.YearShown(), 2027);
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 10));

    calendar.ShowSelectedDate();
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);
    QTest::mouseDClick(calendar.View()->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
    QCOMPARE(activated, QList<QVariantList>{{QDate(2026, 12, 10)}});
}

// A marked day (types 0 to 3) gets an orange triangle in its lower right corner, a third of the cell's side.
void TestCalendarWidget::dateMarks()
{
    const QColor orange(250, 90, 55);
    for (int type = -1; type <= 4; ++type)
        QCOMPARE(CCalendarWidget::GetMarkColor(type), type >= 0 && type <= 3 ? orange : QColor());
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 1));
    const QDate marked(2026, 12, 16);
    calendar.SetDateMark(marked, 3);
    QCOMPARE(calendar.GetDateMarkType(marked), 3);
    QCOMPARE(calendar.GetDateMarkType(marked.addDays(1)), -1);
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    const QRect cell = calendar.View()->visualRect(calendar.Model()->IndexForDate(marked));
    const QImage image = calendar.View()->viewport()->grab().toImage();
    const int side = qMin(cell.width(), cell.height());
    QCOMPARE(image.pixelColor(cell.right() - 1, cell.bottom() - 1), orange);
    QCOMPARE(image.pixelColor(cell.right() - 1, cell.bottom() - side / 3 + 1), orange);
    QCOMPARE(image.pixelColor(cell.right() - side / 3 + 1, cell.bottom() - 1), orange);
    QVERIFY(image.pixelColor(cell.right() - side / 3 - 2, cell.bottom() - 1) != orange);
    QVERIFY(image.pixelColor(cell.right() - 1, cell.bottom() - side / 3 - 2) != orange);

    calendar.RemoveDateMark(marked);
    QVERIFY(!calendar.IsDateMarked(marked));
}

VARROW_TEST_MAIN(TestCalendarWidget, QApplication)
#include "tst_gui_calendarwidget.moc"

// The calendar widget: moving by keys, by the navigation bar and by the wheel must land on the right page and
// day and refuse to leave the date range; clicks and drags must report the days under the mouse and nothing
// in read-only mode; marks, the leave signal and the language of the names must show as the owner expects.

#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarTextNavigator.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QApplication>
#include <QCursor>
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
    void selectedDateAndRange();
    void clickAndDrag();
    void pressOnNeighbouringMonth();
    void readOnly();
    void wheelAndDoubleClick();
    void marks();
    void blankDaysWithoutHeader();
    void leaveSignal();
    void names_data();
    void names();

private:
    static QPoint CellCenter(CCalendarWidget& calendar, const QDate& date);
    static QToolButton* Button(CCalendarWidget& calendar, int position);
};

QPoint TestCalendarWidget::CellCenter(CCalendarWidget& calendar, const QDate& date)
{
    int row = -1;
    int column = -1;
    calendar.Model()->CellForDate(date, &row, &column);
    return calendar.View()->visualRect(calendar.Model()->index(row, column)).center();
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
    const QDate start(2026, 12, 31);
    QTest::newRow("right into next year") << start << int(Qt::Key_Right) << QDate(2027, 1, 1);
    QTest::newRow("left") << start << int(Qt::Key_Left) << QDate(2026, 12, 30);
    QTest::newRow("up a week") << start << int(Qt::Key_Up) << QDate(2026, 12, 24);
    QTest::newRow("down a week") << start << int(Qt::Key_Down) << QDate(2027, 1, 7);
    QTest::newRow("home") << start << int(Qt::Key_Home) << QDate(2026, 12, 1);
    QTest::newRow("end") << QDate(2026, 2, 3) << int(Qt::Key_End) << QDate(2026, 2, 28);
    QTest::newRow("page up, day capped") << QDate(2026, 3, 31) << int(Qt::Key_PageUp) << QDate(2026, 2, 28);
    QTest::newRow("page down") << start << int(Qt::Key_PageDown) << QDate(2027, 1, 31);
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
    if (QTest::currentDataTag() == QByteArray("right refused at the maximum"))
        calendar.SetMaximumDate(start);
    if (QTest::currentDataTag() == QByteArray("page up clamped to the minimum"))
        calendar.SetMinimumDate(QDate(2026, 2, 10));
    calendar.SetSelectedDate(start);
    calendar.show();
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    QTest::keyClick(calendar.View(), static_cast<Qt::Key>(key));
    QCOMPARE(calendar.SelectedDate(), expected);
    QCOMPARE(calendar.YearShown(), expected.year());
    QCOMPARE(calendar.MonthShown(), expected.month());
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
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QDate>("current");
    QTest::newRow("previous month") << 0 << QDate(2026, 3, 31) << 2026 << 2 << QDate(2026, 2, 28);
    QTest::newRow("next month over the year") << 1 << QDate(2026, 12, 15) << 2027 << 1 << QDate(2027, 1, 15);
    QTest::newRow("previous year from 29 February")
        << 2 << QDate(2024, 2, 29) << 2023 << 2 << QDate(2023, 2, 28);
    QTest::newRow("next year") << 3 << QDate(2026, 6, 1) << 2027 << 6 << QDate(2027, 6, 1);
}

void TestCalendarWidget::barButtons()
{
    QFETCH(int, button);
    QFETCH(QDate, start);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QDate, current);
    CCalendarWidget calendar;
    calendar.SetSelectedDate(start);
    calendar.show();
    QSignalSpy pages(&calendar, &CCalendarWidget::CurrentPageChanged);
    QTest::mouseClick(Button(calendar, button), Qt::LeftButton);
    QCOMPARE(pages.count(), 1);
    QCOMPARE(pages.first().at(0).toInt(), year);
    QCOMPARE(pages.first().at(1).toInt(), month);
    const QModelIndex index = calendar.View()->currentIndex();
    QCOMPARE(calendar.Model()->DateForCell(index.row(), index.column()), current);
    // Turning the page does not choose a day.
    QCOMPARE(calendar.SelectedDate(), start);
}

void TestCalendarWidget::barAtTheRangeEnds()
{
    CCalendarWidget calendar;
    calendar.SetDateRange(QDate(2026, 3, 10), QDate(2026, 5, 20));
    calendar.SetSelectedDate(QDate(2026, 3, 12));
    calendar.show();
    for (const int b : {0, 1, 2})
        QCOMPARE(Button(calendar, b)->isEnabled(), b == 1);
    QTest::mouseClick(Button(calendar, 1), Qt::LeftButton);
    QCOMPARE(calendar.MonthShown(), 4);
    QVERIFY(Button(calendar, 2)->isEnabled());
    QTest::mouseClick(Button(calendar, 2), Qt::LeftButton);
    QCOMPARE(calendar.YearShown(), 2026);
    QCOMPARE(calendar.MonthShown(), 3);
    const QModelIndex index = calendar.View()->currentIndex();
    QCOMPARE(calendar.Model()->DateForCell(index.row(), index.column()), QDate(2026, 3, 10));
    calendar.ShowNextMonth();
    QTest::mouseClick(Button(calendar, 3), Qt::LeftButton);
    QCOMPARE(calendar.MonthShown(), 5);
    QVERIFY(!Button(calendar, 1)->isEnabled() && !Button(calendar, 3)->isEnabled());
}

void TestCalendarWidget::selectedDateAndRange()
{
    CCalendarWidget calendar;
    calendar.SetMinimumDate(QDate(2026, 3, 10));
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    calendar.SetSelectedDate(QDate(2025, 1, 1));
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 3, 10));
    QCOMPARE(calendar.MonthShown(), 3);
    calendar.SetSelectedDate(QDate());
    calendar.SetDateRange(QDate(2026, 1, 1), QDate());
    QCOMPARE(calendar.MinimumDate(), QDate(2026, 3, 10));
    QCOMPARE(changed.count(), 1);
    QTest::ignoreMessage(QtWarningMsg, "CCalendarWidget::updateCell: Invalid date");
    calendar.updateCell(QDate());
}

void TestCalendarWidget::clickAndDrag()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    QWidget* viewport = calendar.View()->viewport();
    QSignalSpy clicked(&calendar, &CCalendarWidget::clicked);
    QSignalSpy range(&calendar, &CCalendarWidget::SignalSelectDate);

    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 17)));
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 17));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(range.takeFirst(), QVariantList({QDate(2026, 12, 17), QDate(2026, 12, 17)}));

    // A drag from the 20th back to the 3rd reports the range in order and the day under the mouse.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 20)));
    QMouseEvent move(QEvent::MouseMove, CellCenter(calendar, QDate(2026, 12, 3)),
                     viewport->mapToGlobal(CellCenter(calendar, QDate(2026, 12, 3))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 3)));
    QCOMPARE(range.count(), 1);
    QCOMPARE(range.first(), QVariantList({QDate(2026, 12, 3), QDate(2026, 12, 20)}));
    QCOMPARE(clicked.last().first().toDate(), QDate(2026, 12, 3));
    QDate begin;
    QDate end;
    calendar.GetSelectedRange(begin, end);
    QCOMPARE(QVariantList({begin, end}), range.first());
    // Single selection: only the selected date stays drawn as selected, and it did not change.
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 17));
    QCOMPARE(calendar.View()->selectionModel()->selectedIndexes().size(), 1);

    // In multi-selection mode the grid shows the days dragged over, row by row, and then the stored range.
    calendar.SetSelectionMode(CCalendarWidget::MultiSelection);
    calendar.SetSelectedRange(QDate(2026, 12, 24), QDate(2026, 12, 25));
    QCOMPARE(calendar.View()->selectionModel()->selectedIndexes().size(), 2);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 20)));
    QApplication::sendEvent(viewport, &move);
    QCOMPARE(calendar.View()->selectionModel()->selectedIndexes().size(), 18);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 3)));
    QCOMPARE(calendar.View()->selectionModel()->selectedIndexes().size(), 18);
}

void TestCalendarWidget::pressOnNeighbouringMonth()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QWidget* viewport = calendar.View()->viewport();
    QSignalSpy range(&calendar, &CCalendarWidget::SignalSelectDate);
    QSignalSpy clicked(&calendar, &CCalendarWidget::clicked);
    const QDate november(2026, 11, 30);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, november));
    QCOMPARE(calendar.SelectedDate(), november);
    QCOMPARE(calendar.MonthShown(), 11);
    QCOMPARE(range.takeFirst(), QVariantList({november, november}));
    QCOMPARE(clicked.takeFirst().first().toDate(), november);

    // A press below the minimum is ignored, and the release after it reports nothing.
    calendar.SetMinimumDate(QDate(2026, 11, 20));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 11, 12)));
    QCOMPARE(calendar.SelectedDate(), november);
    QCOMPARE(range.count() + clicked.count(), 0);
}

void TestCalendarWidget::readOnly()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.SetSelectionMode(CCalendarWidget::NoSelection);
    calendar.show();
    QSignalSpy changed(&calendar, &CCalendarWidget::SelectionChanged);
    QSignalSpy clicked(&calendar, &CCalendarWidget::clicked);
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);
    QWidget* viewport = calendar.View()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 17)));
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 10)));
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Return, Qt::Key_5})
        QTest::keyClick(calendar.View(), key);
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 10));
    QCOMPARE(changed.count() + clicked.count() + activated.count(), 0);
    QVERIFY(calendar.Navigator()->DateFrame() == nullptr);
}

void TestCalendarWidget::wheelAndDoubleClick()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    auto wheel = [&](int delta) {
        const QPoint pos = CellCenter(calendar, QDate(2026, 12, 10));
        QWheelEvent event(pos, calendar.View()->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(calendar.View()->viewport(), &event);
    };
    // Less than one notch turns nothing; two notches back turn two months.
    for (const auto& [delta, month] : {std::pair{100, 12}, {120, 11}, {-240, 1}}) {
        wheel(delta);
        QCOMPARE(calendar.MonthShown(), month);
    }
    QCOMPARE(calendar.YearShown(), 2027);
    QCOMPARE(calendar.SelectedDate(), QDate(2026, 12, 10));

    calendar.ShowSelectedDate();
    QSignalSpy activated(&calendar, &CCalendarWidget::activated);
    QWidget* viewport = calendar.View()->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCenter(calendar, QDate(2026, 12, 10)));
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toDate(), QDate(2026, 12, 10));
    QTest::keyClick(calendar.View(), Qt::Key_Return);
    QCOMPARE(activated.count(), 2);
}

void TestCalendarWidget::marks()
{
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 1));
    calendar.SetDateMark(QDate(2026, 12, 10), 2);
    calendar.SetDateMark(QDate(2026, 12, 10), 0);
    QCOMPARE(calendar.GetDateMarkType(QDate(2026, 12, 10)), 0);
    calendar.RemoveDateMark(QDate(2026, 12, 10));
    QCOMPARE(calendar.GetDateMarkType(QDate(2026, 12, 10)), 2);
    QVERIFY(!calendar.IsDateMarked(QDate(2026, 12, 11)));
    QVERIFY(!calendar.GetMarkColor(4).isValid());
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));

    const QImage image = calendar.grab().toImage();
    auto cornerOf = [&](const QDate& date) {
        int row = -1;
        int column = -1;
        calendar.Model()->CellForDate(date, &row, &column);
        const QRect cell = calendar.View()->visualRect(calendar.Model()->index(row, column));
        const QPoint inView = cell.bottomRight() - QPoint(1, 1);
        return image.pixelColor(calendar.View()->viewport()->mapTo(&calendar, inView));
    };
    // The marked day, and only it, is drawn in its mark's colour.
    QCOMPARE(cornerOf(QDate(2026, 12, 10)), calendar.GetMarkColor(2));
    QVERIFY(cornerOf(QDate(2026, 12, 11)) != calendar.GetMarkColor(2));
    calendar.RemoveDateMarks(2);
    QVERIFY(!calendar.IsDateMarked(QDate(2026, 12, 10)));
}

void TestCalendarWidget::blankDaysWithoutHeader()
{
    // Without the day-name row, blank days in the first row look like the other blank days, not like a
    // header.
    CCalendarWidget calendar;
    calendar.SetHorizontalHeaderFormat(CCalendarWidget::NoHorizontalHeader);
    calendar.SetShowOtherMonthDays(false);
    calendar.SetSelectedDate(
        QDate(2026, 12, 10)); // 1 December is a Tuesday: row 0 starts blank, row 5 is blank
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    const QImage image = calendar.grab().toImage();
    auto centre = [&](int row) {
        const QRect cell = calendar.View()->visualRect(calendar.Model()->index(row, 0));
        return image.pixelColor(calendar.View()->viewport()->mapTo(&calendar, cell.center()));
    };
    QVERIFY(!calendar.Model()->DateForCell(0, 0).isValid());
    QCOMPARE(centre(0), centre(5));
}

void TestCalendarWidget::leaveSignal()
{
    CCalendarWidget calendar;
    QSignalSpy left(&calendar, &CCalendarWidget::LeaveCalendar);
    QCursor::setPos(700, 700);
    calendar.move(0, 0);
    calendar.show();
    QTRY_COMPARE(left.count(), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&calendar, &leave);
    QCOMPARE(left.count(), 2);
}

void TestCalendarWidget::names_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("sunday");
    QTest::addColumn<QString>("typed");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << QStringLiteral("December")
                             << QStringLiteral("S") << QStringLiteral("0<b>5</b>/10/26");
    QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China)
                             << QStringLiteral("\u5341\u4e8c\u6708") << QStringLiteral("\u65e5")
                             << QStringLiteral("202<b>5</b>/12/10");
}

void TestCalendarWidget::names()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, month);
    QFETCH(QString, sunday);
    QFETCH(QString, typed);
    // The program sets the default locale from the language it shows; the calendar follows it.
    const QLocale saved;
    QLocale::setDefault(locale);
    CCalendarWidget calendar;
    QLocale::setDefault(saved);
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QCOMPARE(calendar.findChild<QLabel*>(QStringLiteral("qt_calendar_m_monthlabel"))->text(), month);
    QCOMPARE(calendar.findChild<QLabel*>(QStringLiteral("qt_calendar_m_yearlabel"))->text(),
             QStringLiteral("2026"));
    QCOMPARE(calendar.Model()->data(calendar.Model()->index(0, 0), Qt::DisplayRole).toString(), sunday);
    // Typing opens the short date format of the language, the typed digits in bold.
    calendar.Navigator()->SetDate(QDate(2026, 12, 10));
    QTest::keyClick(calendar.View(), Qt::Key_5);
    QVERIFY(calendar.Navigator()->DateFrame() != nullptr);
    QCOMPARE(calendar.Navigator()->DateText()->text(), typed);
}

VARROW_TEST_MAIN(TestCalendarWidget, QApplication)
#include "tst_gui_calendarwidget.moc"

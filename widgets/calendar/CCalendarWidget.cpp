#include "widgets/calendar/CCalendarWidget.h"

#include "widgets/GuiUtility.h"
#include "widgets/calendar/CCalendarDelegate.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarTextNavigator.h"
#include "widgets/calendar/CCalendarView.h"

#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor kMarkColor(250, 90, 55, 255);

} // namespace

CCalendarWidget::CCalendarWidget(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setObjectName(QStringLiteral("CCalendarWidget"));
    setStyleSheet(QStringLiteral("QWidget#CCalendarWidget{background:none;border:none;}"));
    // The widget's locale is the process's default locale, which the program sets from the language it shows;
    // day and month names follow it.

    auto* layoutV = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("pFrameBack"));
    frame->setStyleSheet(
        QStringLiteral("QFrame#pFrameBack{background:none;background-color:rgb(155,155,155);}"));
    auto* grid = new QGridLayout(frame);

    m_model = new CCalendarModel(frame);
    QTextCharFormat weekend;
    weekend.setForeground(QBrush(Qt::red));
    m_model->m_dayFormats.insert(Qt::Saturday, weekend);
    m_model->m_dayFormats.insert(Qt::Sunday, weekend);

    m_view = new CCalendarView(frame);
    m_view->setModel(m_model);
    m_model->SetView(m_view);
    m_view->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setDefaultSectionSize(25);
    m_view->horizontalHeader()->setMinimumSectionSize(0);
    for (int section = 0; section <= 7; ++section)
        m_view->horizontalHeader()->resizeSection(section, 25);
    m_view->horizontalHeader()->setSectionsClickable(false);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_view->verticalHeader()->setMinimumSectionSize(0);
    m_view->verticalHeader()->setSectionsClickable(false);
    m_selection = m_view->selectionModel();

    CreateNavigationBar(frame);
    m_view->setFrameStyle(QFrame::NoFrame);
    m_delegate = new CCalendarDelegate(this);
    m_view->setItemDelegate(m_delegate);
    UpdateMonthYearLabels();

    setFocusPolicy(Qt::WheelFocus);
    setFocusProxy(m_view);
    m_view->setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    connect(m_view, &CCalendarView::showDate, this, &CCalendarWidget::OnShowDate);
    connect(m_view, &CCalendarView::changeDate, this,
            qOverload<QDate, bool, bool>(&CCalendarWidget::OnChangeDate));
    connect(m_view, &CCalendarView::clicked, this, &CCalendarWidget::clicked);
    connect(m_view, &CCalendarView::editingFinished, this, &CCalendarWidget::OnEditingFinished);
    connect(m_view, &CCalendarView::SignalSelectDate, this, &CCalendarWidget::OnSlotSelectDate);
    connect(m_prevMonth, &QToolButton::clicked, this, &CCalendarWidget::OnPrevMonthClicked);
    connect(m_nextMonth, &QToolButton::clicked, this, &CCalendarWidget::OnNextMonthClicked);
    connect(m_prevYear, &QToolButton::clicked, this, &CCalendarWidget::OnPrevYearClicked);
    connect(m_nextYear, &QToolButton::clicked, this, &CCalendarWidget::OnNextYearClicked);

    grid->addWidget(m_view, 0, 0, 1, 1);
    grid->setContentsMargins(4, 0, 4, 2);
    layoutV->setSpacing(0);
    layoutV->setContentsMargins(0, 0, 0, 0);
    layoutV->addWidget(m_navBar);
    layoutV->addWidget(frame);

    m_navigator = new CCalendarTextNavigator(this);
    SetDateEditEnabled(true);
    SetVerticalHeaderFormat(NoVerticalHeader);
    SetHorizontalHeaderFormat(SingleLetterDayNames);

    setFixedSize(183, 200);
    setMask(GetTopRoundRegion(QRect(0, 0, 187, 200), 2));

    SetSelectionMode(SingleSelection);
    SetShowOtherMonthDays(true);
}

CCalendarWidget::~CCalendarWidget() = default;

void CCalendarWidget::CreateNavigationBar(QWidget* parent)
{
    m_navBar = new QWidget(parent);
    m_navBar->setObjectName(QStringLiteral("qt_calendar_navigationbar"));
    m_navBar->setAutoFillBackground(true);
    m_navBar->setFixedHeight(26);
    m_navBar->setStyleSheet(QStringLiteral("border:none;background-color: rgb(96, 95, 93);"));

    auto makeButton = [this](const char* name) {
        auto* button = new QToolButton(m_navBar);
        button->setAutoRaise(true);
        // Small arrows leave the month name the room it needs in the 183-pixel bar.
        button->setIconSize(QSize(12, 12));
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
        if (name != nullptr)
            button->setObjectName(QLatin1String(name));
        return button;
    };
    m_prevMonth = makeButton("qt_calendar_prevmonth");
    m_nextMonth = makeButton("qt_calendar_nextmonth");
    m_nextYear = makeButton(nullptr);
    m_prevYear = makeButton(nullptr);
    UpdateButtonIcons();

    QFont bold = font();
    bold.setBold(true);
    m_monthLabel = new QLabel(m_navBar);
    m_monthLabel->setObjectName(QStringLiteral("qt_calendar_m_monthlabel"));
    // Light text: the bar is dark, and a page's style sheet may not reach into the popup.
    m_monthLabel->setStyleSheet(QStringLiteral("background:transparent;color:rgb(255,255,255);"));
    m_monthLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    m_monthLabel->setFont(bold);
    m_yearLabel = new QLabel(m_navBar);
    m_yearLabel->setObjectName(QStringLiteral("qt_calendar_m_yearlabel"));
    m_yearLabel->setStyleSheet(QStringLiteral("background:transparent;color:rgb(255,255,255);"));
    m_yearLabel->setFixedWidth(30);
    m_yearLabel->setAlignment(Qt::AlignCenter);
    m_yearLabel->setFont(bold);

    auto* layout = new QHBoxLayout(m_navBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_prevMonth);
    layout->addWidget(m_monthLabel);
    layout->addWidget(m_nextMonth);
    layout->addItem(new QSpacerItem(10, 0, QSizePolicy::Minimum, QSizePolicy::Minimum));
    layout->addWidget(m_prevYear);
    layout->addWidget(m_yearLabel);
    layout->addWidget(m_nextYear);

    UpdateNavigationButtons();
}

void CCalendarWidget::UpdateButtonIcons()
{
    const QIcon previous(QStringLiteral(":/images/public/Calendar/CalendarPre.png"));
    const QIcon next(QStringLiteral(":/images/public/Calendar/CalendarNext.png"));
    m_prevMonth->setIcon(previous);
    m_prevYear->setIcon(previous);
    m_nextMonth->setIcon(next);
    m_nextYear->setIcon(next);
}

QDate CCalendarWidget::SelectedDate() const
{
    return m_model->m_date;
}

QDate CCalendarWidget::MinimumDate() const
{
    return m_model->m_minimumDate;
}

QDate CCalendarWidget::MaximumDate() const
{
    return m_model->m_maximumDate;
}

Qt::DayOfWeek CCalendarWidget::FirstDayOfWeek() const
{
    return m_model->FirstColumnDay();
}

bool CCalendarWidget::IsGridVisible() const
{
    return m_view->showGrid();
}

CCalendarWidget::SelectionMode CCalendarWidget::GetSelectionMode() const
{
    return static_cast<SelectionMode>(m_view->selectionMode());
}

CCalendarWidget::HorizontalHeaderFormat CCalendarWidget::GetHorizontalHeaderFormat() const
{
    return static_cast<HorizontalHeaderFormat>(m_model->m_horizontalHeaderFormat);
}

CCalendarWidget::VerticalHeaderFormat CCalendarWidget::GetVerticalHeaderFormat() const
{
    return m_model->WeekNumbersShown() ? ISOWeekNumbers : NoVerticalHeader;
}

int CCalendarWidget::DateEditAcceptDelay() const
{
    return m_navigator->DateEditAcceptDelay();
}

void CCalendarWidget::SetDateEditAcceptDelay(int delay)
{
    m_navigator->SetDateEditAcceptDelay(delay);
}

int CCalendarWidget::YearShown() const
{
    return m_model->m_shownYear;
}

int CCalendarWidget::MonthShown() const
{
    return m_model->m_shownMonth;
}

QDate CCalendarWidget::GetCurrentDate() const
{
    const QModelIndex index = m_view->currentIndex();
    return m_model->DateForCell(index.row(), index.column());
}

void CCalendarWidget::ShowMonth(int year, int month)
{
    if (year == m_model->m_shownYear && month == m_model->m_shownMonth)
        return;
    m_model->ShowMonth(year, month);
    UpdateMonthYearLabels();
    Q_EMIT CurrentPageChanged(year, month);
    m_view->updateGeometry();
    UpdateSelection();
    UpdateNavigationButtons();
}

void CCalendarWidget::UpdateMonthYearLabels()
{
    m_monthLabel->setText(locale().standaloneMonthName(m_model->m_shownMonth, QLocale::LongFormat));
    m_monthLabel->adjustSize();
    m_yearLabel->setText(QString::number(m_model->m_shownYear));
}

void CCalendarWidget::UpdateNavigationButtons()
{
    const QDate min = m_model->m_minimumDate;
    const QDate max = m_model->m_maximumDate;
    const int year = m_model->m_shownYear;
    const int month = m_model->m_shownMonth;
    const bool atMin = year == min.year() && month == min.month();
    const bool atMax = year == max.year() && month == max.month();
    m_prevMonth->setEnabled(!atMin);
    m_prevYear->setEnabled(!atMin);
    m_nextMonth->setEnabled(!atMax);
    m_nextYear->setEnabled(!atMax);
}

void CCalendarWidget::UpdateCurrentPage(QDate date)
{
    const QDate min = m_model->m_minimumDate;
    const QDate max = m_model->m_maximumDate;
    if (min.isValid() && min > date)
        date = min;
    if (max.isValid() && max < date)
        date = max;
    ShowMonth(date.year(), date.month());
    const QModelIndex index = m_model->IndexForDate(date);
    if (index.isValid())
        m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CCalendarWidget::UpdateSelection()
{
    m_selection->clearSelection();
    if (m_view->selectionMode() == QAbstractItemView::SingleSelection) {
        const QModelIndex index = m_model->IndexForDate(m_model->m_date);
        if (index.isValid())
            m_selection->setCurrentIndex(index, QItemSelectionModel::SelectCurrent);
        return;
    }
    const QDate end = m_model->m_selectedEnd;
    for (QDate day = m_model->m_selectedBegin; day.isValid() && day <= end; day = day.addDays(1)) {
        const QModelIndex index = m_model->IndexForDate(day);
        if (index.isValid())
            m_selection->setCurrentIndex(index, QItemSelectionModel::Select);
    }
}

void CCalendarWidget::SetNavigatorEnabled(bool enable)
{
    if (enable == (m_navigator->Widget() != nullptr))
        return;
    if (enable) {
        m_navigator->SetWidget(this);
        connect(m_navigator, &CCalendarTextNavigator::dateChanged, this,
                qOverload<QDate>(&CCalendarWidget::OnChangeDate));
        connect(m_navigator, &CCalendarTextNavigator::editingFinished, this,
                &CCalendarWidget::OnEditingFinished);
        m_view->installEventFilter(m_navigator);
    } else {
        m_navigator->SetWidget(nullptr);
        disconnect(m_navigator, &CCalendarTextNavigator::dateChanged, this,
                   qOverload<QDate>(&CCalendarWidget::OnChangeDate));
        disconnect(m_navigator, &CCalendarTextNavigator::editingFinished, this,
                   &CCalendarWidget::OnEditingFinished);
        m_view->removeEventFilter(m_navigator);
    }
}

void CCalendarWidget::RepaintGrid()
{
    m_view->viewport()->update();
    m_view->updateGeometry();
}

void CCalendarWidget::SetSelectedDate(const QDate& date)
{
    if (!date.isValid() || (date == m_model->m_date && date == GetCurrentDate()))
        return;
    m_model->SetDate(date);
    UpdateSelection();
    ShowMonth(m_model->m_date.year(), m_model->m_date.month());
    // Typing starts from the shown date: a typed year keeps this date's month and day.
    m_navigator->SetDate(m_model->m_date);
    Q_EMIT SelectionChanged();
}

void CCalendarWidget::FollowClampedDate(const QDate& old)
{
    if (old == m_model->m_date)
        return;
    UpdateSelection();
    ShowMonth(m_model->m_date.year(), m_model->m_date.month());
    m_navigator->SetDate(m_model->m_date);
    Q_EMIT SelectionChanged();
}

void CCalendarWidget::SetMinimumDate(const QDate& date)
{
    if (!date.isValid() || date == m_model->m_minimumDate)
        return;
    const QDate old = m_model->m_date;
    m_model->SetMinimumDate(date);
    UpdateNavigationButtons();
    FollowClampedDate(old);
}

void CCalendarWidget::SetMaximumDate(const QDate& date)
{
    if (!date.isValid() || date == m_model->m_maximumDate)
        return;
    const QDate old = m_model->m_date;
    m_model->SetMaximumDate(date);
    UpdateNavigationButtons();
    FollowClampedDate(old);
}

void CCalendarWidget::SetDateRange(const QDate& minDate, const QDate& maxDate)
{
    if (!minDate.isValid() || !maxDate.isValid())
        return;
    if (minDate == m_model->m_minimumDate && maxDate == m_model->m_maximumDate)
        return;
    const QDate old = m_model->m_date;
    m_model->SetRange(minDate, maxDate);
    UpdateNavigationButtons();
    FollowClampedDate(old);
}

void CCalendarWidget::SetCurrentPage(int iYear, int iMonth)
{
    int day = GetCurrentDate().day();
    const int days = QDate(iYear, iMonth, 1).daysInMonth();
    if (day > days)
        day = days;
    ShowMonth(iYear, iMonth);
    const QModelIndex index = m_model->IndexForDate(QDate(iYear, iMonth, qMax(1, day)));
    if (index.isValid())
        m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CCalendarWidget::ShowNextMonth()
{
    const int year = m_model->m_shownYear;
    const int month = m_model->m_shownMonth;
    if (month == 12)
        SetCurrentPage(year + 1, 1);
    else
        SetCurrentPage(year, month + 1);
}

void CCalendarWidget::ShowPreviousMonth()
{
    const int year = m_model->m_shownYear;
    const int month = m_model->m_shownMonth;
    if (month == 1)
        SetCurrentPage(year - 1, 12);
    else
        SetCurrentPage(year, month - 1);
}

void CCalendarWidget::ShowNextYear()
{
    SetCurrentPage(m_model->m_shownYear + 1, m_model->m_shownMonth);
}

void CCalendarWidget::ShowPreviousYear()
{
    SetCurrentPage(m_model->m_shownYear - 1, m_model->m_shownMonth);
}

void CCalendarWidget::ShowSelectedDate()
{
    const QDate date = SelectedDate();
    SetCurrentPage(date.year(), date.month());
}

void CCalendarWidget::ShowToDay()
{
    const QDate today = QDate::currentDate();
    SetCurrentPage(today.year(), today.month());
}

void CCalendarWidget::OnPrevMonthClicked()
{
    UpdateCurrentPage(GetCurrentDate().addMonths(-1));
}

void CCalendarWidget::OnNextMonthClicked()
{
    UpdateCurrentPage(GetCurrentDate().addMonths(1));
}

void CCalendarWidget::OnPrevYearClicked()
{
    UpdateCurrentPage(GetCurrentDate().addYears(-1));
}

void CCalendarWidget::OnNextYearClicked()
{
    UpdateCurrentPage(GetCurrentDate().addYears(1));
}

void CCalendarWidget::OnShowDate(QDate date)
{
    UpdateCurrentPage(date);
}

void CCalendarWidget::OnChangeDate(QDate date)
{
    OnChangeDate(date, true, false);
}

void CCalendarWidget::OnChangeDate(QDate date, bool changeMonth, bool bChangeDate)
{
    const QDate old = m_model->m_date;
    m_model->SetDate(date);
    if (changeMonth)
        ShowMonth(m_model->m_date.year(), m_model->m_date.month());
    if (old == m_model->m_date && !bChangeDate)
        return;
    UpdateSelection();
    m_navigator->SetDate(m_model->m_date);
    Q_EMIT SelectionChanged();
}

void CCalendarWidget::OnSlotSelectDate(QDate dtBegin, QDate dtEnd)
{
    m_model->SetSelectedRange(dtBegin, dtEnd);
    Q_EMIT SignalSelectDate(dtBegin, dtEnd);
    UpdateSelection();
}

void CCalendarWidget::OnEditingFinished()
{
    Q_EMIT activated(m_model->m_date);
}

void CCalendarWidget::SetFirstDayOfWeek(Qt::DayOfWeek day)
{
    if (day == m_model->FirstColumnDay())
        return;
    m_model->SetFirstColumnDay(day);
    UpdateSelection();
}

void CCalendarWidget::SetSelectionMode(SelectionMode mode)
{
    m_view->setSelectionMode(static_cast<QAbstractItemView::SelectionMode>(mode));
    SetNavigatorEnabled(m_dateEditEnabled && mode != NoSelection);
    UpdateSelection();
}

void CCalendarWidget::SetHorizontalHeaderFormat(HorizontalHeaderFormat format)
{
    if (format == m_model->m_horizontalHeaderFormat)
        return;
    m_model->SetHorizontalHeaderFormat(format);
    RepaintGrid();
}

void CCalendarWidget::SetVerticalHeaderFormat(VerticalHeaderFormat format)
{
    const bool show = format == ISOWeekNumbers;
    if (m_model->WeekNumbersShown() == show)
        return;
    m_model->SetWeekNumbersShown(show);
    RepaintGrid();
}

void CCalendarWidget::SetGridVisible(bool bShow)
{
    m_view->setShowGrid(bShow);
    RepaintGrid();
}

void CCalendarWidget::SetNavigationBarVisible(bool bVisible)
{
    m_navBarVisible = bVisible;
    m_navBar->setVisible(bVisible);
    updateGeometry();
}

void CCalendarWidget::SetDateEditEnabled(bool enable)
{
    if (enable == m_dateEditEnabled)
        return;
    m_dateEditEnabled = enable;
    SetNavigatorEnabled(enable && GetSelectionMode() != NoSelection);
}

void CCalendarWidget::SetShowOtherMonthDays(bool show)
{
    if (show == m_model->ShowOtherMonthDays())
        return;
    m_model->SetShowOtherMonthDays(show);
    m_view->viewport()->update();
}

void CCalendarWidget::GetSelectedRange(QDate& begin, QDate& end) const
{
    begin = m_model->m_selectedBegin;
    end = m_model->m_selectedEnd;
}

void CCalendarWidget::SetSelectedRange(const QDate& begin, const QDate& end)
{
    if (!begin.isValid() || !end.isValid())
        return;
    if (begin == m_model->m_selectedBegin && end == m_model->m_selectedEnd)
        return;
    m_model->SetSelectedRange(begin, end);
    m_model->SetDate(begin);
    UpdateSelection();
    ShowMonth(m_model->m_date.year(), m_model->m_date.month());
}

void CCalendarWidget::updateCell(const QDate& date)
{
    if (!date.isValid()) {
        qWarning("CCalendarWidget::updateCell: Invalid date");
        return;
    }
    if (!isVisible())
        return;
    const QModelIndex index = m_model->IndexForDate(date);
    if (index.isValid())
        m_view->viewport()->update(m_view->visualRect(index));
}

QTextCharFormat CCalendarWidget::HeaderTextFormat() const
{
    return m_model->m_headerFormat;
}

void CCalendarWidget::SetHeaderTextFormat(const QTextCharFormat& format)
{
    m_model->m_headerFormat = format;
    RepaintGrid();
}

QTextCharFormat CCalendarWidget::WeekdayTextFormat(Qt::DayOfWeek day) const
{
    return m_model->m_dayFormats.value(day);
}

void CCalendarWidget::SetWeekdayTextFormat(Qt::DayOfWeek day, const QTextCharFormat& format)
{
    m_model->m_dayFormats[day] = format;
    RepaintGrid();
}

QMap<QDate, QTextCharFormat> CCalendarWidget::DateTextFormat() const
{
    return m_model->m_dateFormats;
}

QTextCharFormat CCalendarWidget::DateTextFormat(const QDate& date) const
{
    return m_model->m_dateFormats.value(date);
}

void CCalendarWidget::SetDateTextFormat(const QDate& date, const QTextCharFormat& format)
{
    if (date.isNull())
        m_model->m_dateFormats.clear();
    else
        m_model->m_dateFormats[date] = format;
    RepaintGrid();
}

void CCalendarWidget::SetDateMark(const QDate& date, int type)
{
    m_dateMarks[type].append(date);
    updateCell(date);
}

void CCalendarWidget::RemoveDateMarks(int type)
{
    m_dateMarks.remove(type);
    RepaintGrid();
}

void CCalendarWidget::RemoveDateMark(const QDate& date)
{
    for (auto it = m_dateMarks.begin(); it != m_dateMarks.end(); ++it) {
        if (it->removeOne(date))
            break;
    }
    updateCell(date);
}

int CCalendarWidget::GetDateMarkType(const QDate& date) const
{
    for (auto it = m_dateMarks.constBegin(); it != m_dateMarks.constEnd(); ++it) {
        if (it->contains(date))
            return it.key();
    }
    return -1;
}

bool CCalendarWidget::IsDateMarked(const QDate& date) const
{
    return GetDateMarkType(date) != -1;
}

QColor CCalendarWidget::GetMarkColor(int type)
{
    if (type >= 0 && type <= 3)
        return kMarkColor;
    return QColor();
}

void CCalendarWidget::paintCell(QPainter* painter, const QRect& rect, const QDate& date) const
{
    m_delegate->PaintCell(painter, rect, date);
    const int type = GetDateMarkType(date);
    if (type == -1)
        return;
    const int side = qMin(rect.width(), rect.height());
    QPainterPath path;
    path.moveTo(rect.right(), rect.bottom());
    path.lineTo(rect.right(), rect.bottom() - side / 3);
    path.lineTo(rect.right() - side / 3, rect.bottom());
    path.closeSubpath();
    painter->fillPath(path, QBrush(GetMarkColor(type)));
}

bool CCalendarWidget::event(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        Q_EMIT LeaveCalendar();
    else if (event->type() == QEvent::Show)
        QTimer::singleShot(100, this, &CCalendarWidget::OnCallJudgePos);
    return QWidget::event(event);
}

void CCalendarWidget::OnCallJudgePos()
{
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        Q_EMIT LeaveCalendar();
}

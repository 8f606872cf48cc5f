#include "widgets/calendar/CCalendarTimePopup.h"

#include "widgets/GuiUtility.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

CCalendarTimePopup::CCalendarTimePopup(QWidget* parent) : QWidget(parent, Qt::Popup)
{
    setAttribute(Qt::WA_WindowPropagation);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    m_calendar = new CCalendarWidget(this);
    box->addWidget(m_calendar);
    resize(m_calendar->width(), m_calendar->height());
    connect(m_calendar, &CCalendarWidget::activated, this, &CCalendarTimePopup::dateSelected);
    connect(m_calendar, &CCalendarWidget::clicked, this, &CCalendarTimePopup::dateSelected);
    connect(m_calendar, &CCalendarWidget::SelectionChanged, this, &CCalendarTimePopup::dateSelectionChanged);
    m_calendar->setFocus();
    setMask(GetTopRoundRegion(m_calendar->rect(), 2));
}

CCalendarTimePopup::~CCalendarTimePopup() = default;

QDate CCalendarTimePopup::selectedDate() const
{
    return m_calendar->SelectedDate();
}

void CCalendarTimePopup::setDate(const QDate& date)
{
    m_oldDate = date;
    m_calendar->SetSelectedDate(date);
    // Each opening starts afresh: a move made during an earlier opening must not keep this one from going
    // back.
    m_dateChanged = false;
}

void CCalendarTimePopup::setDateRange(const QDate& min, const QDate& max)
{
    m_calendar->SetMinimumDate(min);
    m_calendar->SetMaximumDate(max);
}

void CCalendarTimePopup::setFirstDayOfWeek(Qt::DayOfWeek day)
{
    m_calendar->SetFirstDayOfWeek(day);
}

void CCalendarTimePopup::dateSelected(QDate date)
{
    m_dateChanged = true;
    Q_EMIT activated(date);
    close();
}

void CCalendarTimePopup::dateSelectionChanged()
{
    m_dateChanged = true;
    Q_EMIT newDateSelected(m_calendar->SelectedDate());
}

bool CCalendarTimePopup::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_dateChanged = false;
    return QWidget::event(event);
}

void CCalendarTimePopup::mousePressEvent(QMouseEvent* event)
{
    if (auto* editor = qobject_cast<QDateTimeEdit*>(parentWidget())) {
        QStyleOptionComboBox option;
        option.initFrom(editor);
        QRect arrow =
            editor->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, editor);
        arrow.moveTo(editor->mapToGlobal(arrow.topLeft()));
        const QPoint global = event->globalPosition().toPoint();
        // The press that closes the popup on the editor's arrow must not open it again.
        if (arrow.contains(global) || rect().contains(event->position().toPoint()))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    QWidget::mousePressEvent(event);
}

void CCalendarTimePopup::mouseReleaseEvent(QMouseEvent*)
{
    Q_EMIT resetButton();
}

void CCalendarTimePopup::hideEvent(QHideEvent*)
{
    Q_EMIT resetButton();
    if (!m_dateChanged)
        Q_EMIT hidingCalendar(m_oldDate);
}

#include "widgets/calendar/CCalendarDelegate.h"

#include "widgets/GuiUtility.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QPainter>

CCalendarDelegate::CCalendarDelegate(CCalendarWidget* widget)
    : QItemDelegate(widget), m_calendarWidget(widget)
{
}

CCalendarDelegate::~CCalendarDelegate() = default;

void CCalendarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const CCalendarModel* model = m_calendarWidget->Model();
    const QDate date = model->DateForCell(index.row(), index.column());
    if (date.isValid()) {
        m_storedOption = option;
        m_calendarWidget->paintCell(painter, option.rect, date);
        return;
    }
    // Only a shown day-name row gets the header pieces; without it, row 0 holds blank day cells.
    if (index.row() == 0 && model->m_firstRow == 1) {
        const QString text = index.data(Qt::DisplayRole).toString();
        QString piece = QStringLiteral(":/images/public/Calendar/WeekMiddle.png");
        if (index.column() == 0)
            piece = QStringLiteral(":/images/public/Calendar/WeekLeft.png");
        else if (index.column() == 6)
            piece = QStringLiteral(":/images/public/Calendar/WeekRight.png");
        painter->drawPixmap(option.rect, LoadCachedPixmap(piece));
        painter->drawText(option.rect, Qt::AlignCenter, text);
        return;
    }
    QItemDelegate::paint(painter, option, index);
}

void CCalendarDelegate::PaintCell(QPainter* painter, const QRect& rect, const QDate& date) const
{
    m_storedOption.rect = rect;
    QItemDelegate::paint(painter, m_storedOption, m_calendarWidget->Model()->IndexForDate(date));
}

void CCalendarDelegate::drawDecoration(QPainter* painter, const QStyleOptionViewItem& option, const QRect&,
                                       const QPixmap&) const
{
    painter->fillRect(option.rect, QColor(155, 155, 155, 255));
    painter->drawPixmap(option.rect,
                        LoadCachedPixmap(QStringLiteral(":/images/public/Calendar/CalendarNormal.png")));
    if (option.state & QStyle::State_MouseOver)
        painter->drawPixmap(option.rect,
                            LoadCachedPixmap(QStringLiteral(":/images/public/Calendar/CalendarHover.png")));
}

void CCalendarDelegate::drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                                    const QString& text) const
{
    if (option.state & QStyle::State_Selected) {
        painter->drawPixmap(rect,
                            LoadCachedPixmap(QStringLiteral(":/images/public/Calendar/CalendarFocus.png")));
        painter->drawText(rect, Qt::AlignCenter, text);
        return;
    }
    QItemDelegate::drawDisplay(painter, option, rect, text);
}

#pragma once

// Paints the calendar's cells with the program's pictures: the day-name row from three header pieces, every
// day on a grey ground with its tile, a hover tile under the mouse and a focus tile on the selected day.
// Cells with a date go through the calendar widget's paintCell, so that the widget can add its day marks.

#include <QItemDelegate>
#include <QStyleOptionViewItem>

class CCalendarWidget;

class CCalendarDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit CCalendarDelegate(CCalendarWidget* widget);
    ~CCalendarDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Paints the day cell of date into rect with the option of the cell being painted.
    void PaintCell(QPainter* painter, const QRect& rect, const QDate& date) const;

protected:
    void drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                     const QString& text) const override;
    void drawDecoration(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                        const QPixmap& pixmap) const override;

private:
    CCalendarWidget* m_calendarWidget;
    mutable QStyleOptionViewItem m_storedOption;
};

#pragma once

// The horizontal header of the table and tree views. Section 0 can carry a tri-state check box that ticks or
// clears column 0 of every top-level row at once and follows the rows' check states. The box shows while the
// model's header holds a check state for section 0 (CTableView::SetHeaderChecked puts it there).

#include "widgets/views/CRowCheckCounter.h"

#include <QHeaderView>
#include <QMetaObject>
#include <QPointer>

class CTableView;

class CHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    CHeaderView(Qt::Orientation orientation, CTableView* view);
    ~CHeaderView() override;

    void setModel(QAbstractItemModel* model) override;

    // The box as last painted, in header coordinates; empty while no box is shown.
    QRect GetBoxRect() const { return m_boxRect; }

public Q_SLOTS:
    // Reads every row's check state again and sets the box from them; the index is not used.
    void OnDataChanged(const QModelIndex& index);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    // The box's state as the model's header holds it; invalid while no box is shown.
    QVariant HeaderState() const;
    void FollowRows();

    mutable QRect m_boxRect;
    CTableView* m_pView;
    QList<QMetaObject::Connection> m_modelConnections;
    CRowCheckCounter m_counter;
    // While a click writes every row, the box is computed once at the end instead of after each row.
    bool m_bWritingRows = false;
};

#pragma once

// Paints a two-level tree of group bars (top-level rows with an open/closed arrow at their right end) and
// their child rows; editing is the table delegate's.

#include "widgets/views/CTableDelegate.h"

class CTreeViewDelegate : public CTableDelegate
{
    Q_OBJECT

public:
    CTreeViewDelegate(QWidget* view, QObject* parent);
    ~CTreeViewDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

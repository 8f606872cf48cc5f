#pragma once

// The tree variant of the table: real child rows, 16-pixel indentation and tri-state check boxes that keep
// every level consistent. A release on the right end of the current row opens or closes it.

#include "widgets/views/CTableView.h"

class CTreeView : public CTableView
{
    Q_OBJECT

public:
    explicit CTreeView(QWidget* parent = nullptr);
    ~CTreeView() override;

    void setModel(QAbstractItemModel* model) override;

public Q_SLOTS:
    // Carries a check change of a row in column 0 down to every descendant (checked or unchecked) and up to
    // every ancestor (checked when all its checkable children are, unchecked when none is checked or partly
    // checked, partly checked otherwise).
    void OnDataChanged(const QModelIndex& index);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ConnectModel(QAbstractItemModel* model);
    void PushDown(const QModelIndex& parent, int state);
    void PullUp(QModelIndex parent);

    QMetaObject::Connection m_dataChanged;
    // Set while this view writes check states itself, so that its own writes do not start another pass.
    bool m_bPropagating = false;
};

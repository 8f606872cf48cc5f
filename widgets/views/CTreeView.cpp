#include "widgets/views/CTreeView.h"

#include <QMouseEvent>

CTreeView::CTreeView(QWidget* parent) : CTableView(parent)
{
    setIndentation(16);
    setRootIsDecorated(true);
    ConnectModel(model());
}

CTreeView::~CTreeView() = default;

void CTreeView::ConnectModel(QAbstractItemModel* model)
{
    disconnect(m_dataChanged);
    if (model == nullptr)
        return;
    m_dataChanged =
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                    // A text edit is no check change.
                    if (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole))
                        return;
                    if (topLeft.column() != 0)
                        return;
                    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                        OnDataChanged(topLeft.siblingAtRow(row));
                });
}

void CTreeView::setModel(QAbstractItemModel* model)
{
    ConnectModel(model);
    CTableView::setModel(model);
}

void CTreeView::OnDataChanged(const QModelIndex& index)
{
    QAbstractItemModel* m = model();
    if (m_bPropagating || m == nullptr || !index.isValid() || index.model() != m || index.column() != 0)
        return;
    const QVariant state = m->data(index, Qt::CheckStateRole);
    if (!state.isValid())
        return;
    m_bPropagating = true;
    const int s = state.toInt();
    // A partly checked row says nothing about which of its children are checked.
    if (s != Qt::PartiallyChecked)
        PushDown(index, s);
    PullUp(index.parent());
    m_bPropagating = false;
    viewport()->update();
}

void CTreeView::PushDown(const QModelIndex& parent, int state)
{
    QAbstractItemModel* m = model();
    const int rows = m->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = m->index(row, 0, parent);
        const QVariant current = m->data(child, Qt::CheckStateRole);
        // A row without a check state takes no part, and neither do the rows below it.
        if (!current.isValid())
            continue;
        if (current.toInt() != state)
            m->setData(child, state, Qt::CheckStateRole);
        PushDown(child, state);
    }
}

void CTreeView::PullUp(QModelIndex parent)
{
    QAbstractItemModel* m = model();
    while (parent.isValid()) {
        const QVariant current = m->data(parent, Qt::CheckStateRole);
        if (!current.isValid())
            return;
        bool anyChecked = false;
        bool anyOther = false;
        bool anyPartial = false;
        const int rows = m->rowCount(parent);
        for (int row = 0; row < rows; ++row) {
            const QVariant child = m->data(m->index(row, 0, parent), Qt::CheckStateRole);
            if (!child.isValid())
                continue;
            const int s = child.toInt();
            anyChecked = anyChecked || s == Qt::Checked;
            anyPartial = anyPartial || s == Qt::PartiallyChecked;
            anyOther = anyOther || s != Qt::Checked;
        }
        if (!anyChecked && !anyOther)
            return;
        const int state = anyPartial || (anyChecked && anyOther) ? Qt::PartiallyChecked
                          : anyChecked                           ? Qt::Checked
                                                                 : Qt::Unchecked;
        if (current.toInt() == state)
            return;
        m->setData(parent, state, Qt::CheckStateRole);
        parent = parent.parent();
    }
}

void CTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    // The tree view's own release: button cells report their press, but no click or release signal.
    QTreeView::mouseReleaseEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const QRect row = visualRect(current);
    const QRect strip = row.adjusted(row.width() - 26, 0, -2, 0);
    if (strip.contains(event->position().toPoint()))
        setExpanded(current, !isExpanded(current));
}

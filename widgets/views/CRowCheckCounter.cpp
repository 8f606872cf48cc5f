#include "widgets/views/CRowCheckCounter.h"

#include <QAbstractItemModel>

bool CRowCheckCounter::IsChecked(const QAbstractItemModel* model, int row)
{
    // A row without a check state counts as unchecked.
    return model->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void CRowCheckCounter::Rebuild(const QAbstractItemModel* model)
{
    m_checked.clear();
    m_checkedCount = 0;
    if (model != nullptr)
        RowsInserted(model, 0, model->rowCount() - 1);
}

void CRowCheckCounter::RowsInserted(const QAbstractItemModel* model, int first, int last)
{
    if (first < 0 || last < first || first > m_checked.size())
        return;
    m_checked.insert(first, last - first + 1, false);
    for (int row = first; row <= last; ++row) {
        m_checked[row] = IsChecked(model, row);
        m_checkedCount += m_checked.at(row) ? 1 : 0;
    }
}

void CRowCheckCounter::RowsRemoved(int first, int last)
{
    if (first < 0 || last < first || last >= m_checked.size())
        return;
    for (int row = first; row <= last; ++row)
        m_checkedCount -= m_checked.at(row) ? 1 : 0;
    m_checked.remove(first, last - first + 1);
}

void CRowCheckCounter::RowsChanged(const QAbstractItemModel* model, int first, int last)
{
    for (int row = qMax(first, 0); row <= last && row < m_checked.size(); ++row) {
        const bool checked = IsChecked(model, row);
        if (checked != m_checked.at(row)) {
            m_checked[row] = checked;
            m_checkedCount += checked ? 1 : -1;
        }
    }
}

int CRowCheckCounter::BoxState() const
{
    if (m_checkedCount == Rows())
        return Qt::Checked;
    return m_checkedCount == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
}

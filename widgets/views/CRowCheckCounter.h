#pragma once

// Keeps which top-level rows of a model are checked in column 0, so that the check-all box follows a table of
// many thousand rows without reading every row on each change. The owner feeds it the model's row signals.

#include <QVector>

class QAbstractItemModel;

class CRowCheckCounter
{
public:
    // Reads every top-level row again (a new model, a reset, a sort, moved rows).
    void Rebuild(const QAbstractItemModel* model);
    void RowsInserted(const QAbstractItemModel* model, int first, int last);
    void RowsRemoved(int first, int last);
    void RowsChanged(const QAbstractItemModel* model, int first, int last);

    int Rows() const { return static_cast<int>(m_checked.size()); }
    // 2 when every row is checked (or there is none), 0 when none is, 1 otherwise.
    int BoxState() const;

private:
    static bool IsChecked(const QAbstractItemModel* model, int row);

    QVector<bool> m_checked;
    int m_checkedCount = 0;
};

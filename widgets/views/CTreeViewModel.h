#pragma once

// The item model behind every list and tree widget: a hierarchy of CTreeViewItem that the model owns. Every
// insert or removal is checked before it is announced, so views never hear of rows that do not come.

#include "widgets/views/CTreeViewItem.h"

#include <QAbstractItemModel>
#include <QPointer>

class QTreeView;

class CTreeViewModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // The view is the model's parent and the view in which rows inserted one by one are expanded.
    explicit CTreeViewModel(QTreeView* view);
    ~CTreeViewModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Emits dataChanged on every call on a valid index, also when the value was there already.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int position, int rows, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int position, int columns, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int position, int rows, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int position, int columns, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The item of a valid index, else the root.
    CTreeViewItem* GetItem(const QModelIndex& index) const;
    // Adopts ready-made rows (built on a worker thread, for example) at row, in list order, without expanding
    // them. On false (a bad row, an empty list or a null item) nothing is adopted: the caller keeps the
    // items.
    bool InsertItems(int row, const QList<CTreeViewItem*>& items, const QModelIndex& parent = QModelIndex());
    // Adopts one item at row and expands it; on false the caller keeps the item.
    bool InsertItem(CTreeViewItem* item, int row, const QModelIndex& parent = QModelIndex());
    // Removes every row and resets the attached views.
    void Clear();

private:
    void Expand(const QModelIndex& index) const;
    // The item whose children a parent index names; null for an index that has no children (column above 0).
    CTreeViewItem* ParentItem(const QModelIndex& parent) const;

    CTreeViewItem* m_pRoot;
    QPointer<QTreeView> m_pView;
};

#pragma once

// One node of the views' item model: owned children, header values (used on the root), and the cell values of
// each column as (role, value) entries.

#include <QList>
#include <QVariant>
#include <QVector>

#include <utility>

class CTreeViewItem
{
public:
    // An item that a model adopts later is made with a null parent.
    explicit CTreeViewItem(CTreeViewItem* parent);
    virtual ~CTreeViewItem();

    CTreeViewItem(const CTreeViewItem&) = delete;
    CTreeViewItem& operator=(const CTreeViewItem&) = delete;

    // Null for a row outside [0, child count).
    CTreeViewItem* GetChild(int row) const;
    int GetChildCount() const;
    // The position in the parent's children; 0 without a parent.
    int GetRow() const;
    int GetColumnCount() const;
    CTreeViewItem* GetParent() const { return m_pParent; }
    void SetParent(CTreeViewItem* parent) { m_pParent = parent; }
    Qt::ItemFlags GetFlags() const { return m_flags; }
    void SetFlags(Qt::ItemFlags flags) { m_flags = flags; }

    // The edit role is the display role: a cell's text is one value.
    QVariant GetData(int column, int role) const;
    // Always true: grows the columns as needed and keeps one entry per role.
    bool SetData(int column, int role, const QVariant& value);

    QVariant GetHeaderData(int column, int role) const;
    bool SetHeaderData(int column, int role, const QVariant& value);

    // Column operations change the header lists of this item and every descendant; cell values keep their
    // column numbers.
    bool InsertColumns(int position, int count);
    bool RemoveColumns(int position, int count);

    bool InsertChildren(int position, int count);
    // Inserts the item without touching its parent pointer; it becomes owned by this item.
    bool InsertChild(int position, CTreeViewItem* item);
    // Adopts the items in list order at position, position + 1, ...
    bool InsertChildList(int position, const QList<CTreeViewItem*>& items);
    bool RemoveChildren(int position, int count);

private:
    using RoleValues = QList<std::pair<int, QVariant>>;

    QList<CTreeViewItem*> m_children;
    QList<QVariant> m_headerValues;
    QList<QVariant> m_headerCheckStates;
    CTreeViewItem* m_pParent = nullptr;
    QVector<RoleValues> m_roleValues;
    Qt::ItemFlags m_flags;
};

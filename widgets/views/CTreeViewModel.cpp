#include "widgets/views/CTreeViewModel.h"

#include <QTreeView>

CTreeViewModel::CTreeViewModel(QTreeView* view)
    : QAbstractItemModel(view), m_pRoot(new CTreeViewItem(nullptr)), m_pView(view)
{
    m_pRoot->SetFlags(Qt::ItemIsDropEnabled);
}

CTreeViewModel::~CTreeViewModel()
{
    delete m_pRoot;
}

CTreeViewItem* CTreeViewModel::GetItem(const QModelIndex& index) const
{
    if (index.isValid()) {
        auto* item = static_cast<CTreeViewItem*>(index.internalPointer());
        if (item != nullptr)
            return item;
    }
    return m_pRoot;
}

CTreeViewItem* CTreeViewModel::ParentItem(const QModelIndex& parent) const
{
    // Only column 0 carries children; an index of another column is a leaf to the views.
    if (parent.isValid() && parent.column() != 0)
        return nullptr;
    return GetItem(parent);
}

QModelIndex CTreeViewModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= columnCount(parent))
        return QModelIndex();
    const CTreeViewItem* parentItem = ParentItem(parent);
    if (parentItem == nullptr)
        return QModelIndex();
    CTreeViewItem* child = parentItem->GetChild(row);
    if (child == nullptr)
        return QModelIndex();
    return createIndex(row, column, child);
}

QModelIndex CTreeViewModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();
    CTreeViewItem* parentItem = GetItem(index)->GetParent();
    if (parentItem == nullptr || parentItem == m_pRoot)
        return QModelIndex();
    return createIndex(parentItem->GetRow(), 0, parentItem);
}

int CTreeViewModel::rowCount(const QModelIndex& parent) const
{
    const CTreeViewItem* parentItem = ParentItem(parent);
    return parentItem == nullptr ? 0 : parentItem->GetChildCount();
}

int CTreeViewModel::columnCount(const QModelIndex&) const
{
    return m_pRoot->GetColumnCount();
}

QVariant CTreeViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    return GetItem(index)->GetData(index.column(), role);
}

bool CTreeViewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    if (!GetItem(index)->SetData(index.column(), role, value))
        return false;
    // Naming the role lets a listener skip changes it does not care about (a text edit is no check change).
    const int stored = role == Qt::EditRole ? Qt::DisplayRole : role;
    Q_EMIT dataChanged(index, index, {stored});
    return true;
}

QVariant CTreeViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(int(Qt::AlignLeft | Qt::AlignVCenter));
    if (orientation == Qt::Vertical)
        return QVariant();
    return m_pRoot->GetHeaderData(section, role);
}

bool CTreeViewModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (!m_pRoot->SetHeaderData(section, role, value))
        return false;
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

bool CTreeViewModel::insertColumns(int position, int columns, const QModelIndex& parent)
{
    // Columns belong to the whole model: they are always announced at the top level.
    Q_UNUSED(parent);
    if (columns < 1 || position < 0 || position > m_pRoot->GetColumnCount())
        return false;
    beginInsertColumns(QModelIndex(), position, position + columns - 1);
    const bool done = m_pRoot->InsertColumns(position, columns);
    endInsertColumns();
    return done;
}

bool CTreeViewModel::removeColumns(int position, int columns, const QModelIndex& parent)
{
    Q_UNUSED(parent);
    if (columns < 1 || position < 0 || position + columns > m_pRoot->GetColumnCount())
        return false;
    beginRemoveColumns(QModelIndex(), position, position + columns - 1);
    const bool done = m_pRoot->RemoveColumns(position, columns);
    endRemoveColumns();
    if (m_pRoot->GetColumnCount() == 0 && m_pRoot->GetChildCount() > 0)
        removeRows(0, m_pRoot->GetChildCount(), QModelIndex());
    return done;
}

bool CTreeViewModel::insertRows(int position, int rows, const QModelIndex& parent)
{
    CTreeViewItem* parentItem = ParentItem(parent);
    if (parentItem == nullptr || rows < 1 || position < 0 || position > parentItem->GetChildCount())
        return false;
    beginInsertRows(parent, position, position + rows - 1);
    const bool done = parentItem->InsertChildren(position, rows);
    endInsertRows();
    Expand(index(position, 0, parent));
    return done;
}

bool CTreeViewModel::removeRows(int position, int rows, const QModelIndex& parent)
{
    CTreeViewItem* parentItem = ParentItem(parent);
    if (parentItem == nullptr || rows < 1 || position < 0 || position + rows > parentItem->GetChildCount())
        return false;
    beginRemoveRows(parent, position, position + rows - 1);
    const bool done = parentItem->RemoveChildren(position, rows);
    endRemoveRows();
    return done;
}

Qt::ItemFlags CTreeViewModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return m_pRoot->GetFlags();
    return GetItem(index)->GetFlags();
}

bool CTreeViewModel::InsertItems(int row, const QList<CTreeViewItem*>& items, const QModelIndex& parent)
{
    CTreeViewItem* parentItem = ParentItem(parent);
    if (parentItem == nullptr || items.isEmpty() || items.contains(nullptr) || row < 0 ||
        row > parentItem->GetChildCount())
        return false;
    beginInsertRows(parent, row, row + static_cast<int>(items.size()) - 1);
    const bool done = parentItem->InsertChildList(row, items);
    endInsertRows();
    return done;
}

bool CTreeViewModel::InsertItem(CTreeViewItem* item, int row, const QModelIndex& parent)
{
    CTreeViewItem* parentItem = ParentItem(parent);
    if (parentItem == nullptr || item == nullptr || row < 0 || row > parentItem->GetChildCount())
        return false;
    beginInsertRows(parent, row, row);
    item->SetParent(parentItem);
    const bool done = parentItem->InsertChild(row, item);
    endInsertRows();
    Expand(index(row, 0, parent));
    return done;
}

void CTreeViewModel::Clear()
{
    removeRows(0, m_pRoot->GetChildCount(), QModelIndex());
    beginResetModel();
    endResetModel();
}

void CTreeViewModel::Expand(const QModelIndex& index) const
{
    if (m_pView != nullptr && index.isValid() && m_pView->model() == this)
        m_pView->setExpanded(index, true);
}

#include "widgets/views/CTreeViewItem.h"

namespace {

int StoredRole(int role)
{
    return role == Qt::EditRole ? Qt::DisplayRole : role;
}

} // namespace

CTreeViewItem::CTreeViewItem(CTreeViewItem* parent)
    : m_pParent(parent), m_flags(Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
                                 Qt::ItemIsUserCheckable | Qt::ItemIsEnabled)
{
}

CTreeViewItem::~CTreeViewItem()
{
    qDeleteAll(m_children);
}

CTreeViewItem* CTreeViewItem::GetChild(int row) const
{
    if (row < 0 || row >= m_children.size())
        return nullptr;
    return m_children.at(row);
}

int CTreeViewItem::GetChildCount() const
{
    return static_cast<int>(m_children.size());
}

int CTreeViewItem::GetRow() const
{
    if (m_pParent == nullptr)
        return 0;
    return static_cast<int>(m_pParent->m_children.indexOf(const_cast<CTreeViewItem*>(this)));
}

int CTreeViewItem::GetColumnCount() const
{
    return static_cast<int>(m_headerValues.size());
}

QVariant CTreeViewItem::GetData(int column, int role) const
{
    if (column < 0 || column >= m_roleValues.size())
        return QVariant();
    const int stored = StoredRole(role);
    for (const auto& entry : m_roleValues.at(column))
        if (entry.first == stored)
            return entry.second;
    return QVariant();
}

bool CTreeViewItem::SetData(int column, int role, const QVariant& value)
{
    if (column < 0)
        return false;
    const int stored = StoredRole(role);
    if (column >= m_roleValues.size())
        m_roleValues.resize(column + 1);
    RoleValues& entries = m_roleValues[column];
    for (auto& entry : entries) {
        if (entry.first == stored) {
            if (entry.second != value)
                entry.second = value;
            return true;
        }
    }
    entries.append({stored, value});
    return true;
}

QVariant CTreeViewItem::GetHeaderData(int column, int role) const
{
    if (column < 0 || column >= m_headerValues.size())
        return QVariant();
    if (role == Qt::CheckStateRole)
        return m_headerCheckStates.value(column);
    if (role == Qt::DisplayRole)
        return m_headerValues.at(column);
    return QVariant();
}

bool CTreeViewItem::SetHeaderData(int column, int role, const QVariant& value)
{
    if (column < 0 || column >= m_headerValues.size())
        return false;
    if (role == Qt::CheckStateRole)
        m_headerCheckStates[column] = value;
    else
        m_headerValues[column] = value;
    return true;
}

bool CTreeViewItem::InsertColumns(int position, int count)
{
    if (position < 0 || position > m_headerValues.size() || count < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        m_headerValues.insert(position, QVariant());
        m_headerCheckStates.insert(position, QVariant());
    }
    for (CTreeViewItem* child : std::as_const(m_children))
        child->InsertColumns(position, count);
    return true;
}

bool CTreeViewItem::RemoveColumns(int position, int count)
{
    if (position < 0 || count < 0 || position + count > m_headerValues.size())
        return false;
    m_headerValues.remove(position, count);
    m_headerCheckStates.remove(position, count);
    for (CTreeViewItem* child : std::as_const(m_children))
        child->RemoveColumns(position, count);
    return true;
}

bool CTreeViewItem::InsertChildren(int position, int count)
{
    if (position < 0 || position > m_children.size() || count < 0)
        return false;
    for (int i = 0; i < count; ++i)
        m_children.insert(position, new CTreeViewItem(this));
    return true;
}

bool CTreeViewItem::InsertChild(int position, CTreeViewItem* item)
{
    if (position < 0 || position > m_children.size() || item == nullptr)
        return false;
    m_children.insert(position, item);
    return true;
}

bool CTreeViewItem::InsertChildList(int position, const QList<CTreeViewItem*>& items)
{
    if (position < 0 || position > m_children.size() || items.contains(nullptr))
        return false;
    for (int i = 0; i < items.size(); ++i) {
        items.at(i)->SetParent(this);
        m_children.insert(position + i, items.at(i));
    }
    return true;
}

bool CTreeViewItem::RemoveChildren(int position, int count)
{
    if (position < 0 || count < 0 || position + count > m_children.size())
        return false;
    for (int i = 0; i < count; ++i)
        delete m_children.takeAt(position);
    return true;
}

#include "widgets/views/CTableView.h"

#include "widgets/views/CHeaderView.h"
#include "widgets/views/CTableDelegate.h"
#include "widgets/views/CTreeViewModel.h"
#include "widgets/views/ItemDataRole.h"

#include <QMouseEvent>
#include <QPainter>

CTableView::CTableView(QWidget* parent) : QTreeView(parent)
{
    setHeader(new CHeaderView(Qt::Horizontal, this));
    setItemDelegate(new CTableDelegate(this, this));
    setAllColumnsShowFocus(true);
    setIndentation(0);
    setExpandsOnDoubleClick(false);
    setRootIsDecorated(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    // The delegate paints the row under the mouse; the viewport must report hovering for that.
    viewport()->setAttribute(Qt::WA_Hover, true);
    m_pModel = new CTreeViewModel(this);
    QTreeView::setModel(m_pModel);
}

CTableView::~CTableView()
{
    delete m_pModel.data();
}

void CTableView::setModel(QAbstractItemModel* model)
{
    if (m_pModel != nullptr && model != m_pModel) {
        CTreeViewModel* own = m_pModel;
        m_pModel = nullptr;
        delete own;
    }
    QTreeView::setModel(model);
    expandAll();
}

void CTableView::setSelectionModel(QItemSelectionModel* selectionModel)
{
    disconnect(m_currentRelay);
    QTreeView::setSelectionModel(selectionModel);
    if (this->selectionModel() != nullptr)
        m_currentRelay = connect(this->selectionModel(), &QItemSelectionModel::currentChanged, this,
                                 &CTableView::currentItemChanged);
}

CTreeViewModel* CTableView::TreeModel() const
{
    return qobject_cast<CTreeViewModel*>(model());
}

bool CTableView::IsButtonCell(const QModelIndex& index) const
{
    const QVariant button = index.data(ROLE_BUTTON);
    return button.isValid() && button.toBool();
}

void CTableView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    m_pressedIndex = index;
    if (event->button() == Qt::LeftButton && IsButtonCell(index))
        Q_EMIT PressedBtn(index);
    QTreeView::mousePressEvent(event);
}

void CTableView::mouseReleaseEvent(QMouseEvent* event)
{
    // Persistent, since a slot of ClickedBtn may remove the row before the release is reported.
    const QPersistentModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && IsButtonCell(index) && m_pressedIndex.isValid() &&
        index == m_pressedIndex)
        Q_EMIT ClickedBtn(index);
    QTreeView::mouseReleaseEvent(event);
    if (index.isValid())
        Q_EMIT SignalClickRelease(index);
}

void CTableView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    if (!m_bDrawRowLine)
        return;
    painter->save();
    painter->setPen(QColor(229, 229, 229));
    painter->drawLine(QPoint(option.rect.left() + 2, option.rect.bottom()),
                      QPoint(option.rect.right(), option.rect.bottom()));
    painter->restore();
}

void CTableView::drawBranches(QPainter*, const QRect&, const QModelIndex&) const {}

QModelIndex CTableView::Cell(int row, int column) const
{
    return model() != nullptr ? model()->index(row, column) : QModelIndex();
}

void CTableView::GrowColumns(int column)
{
    QAbstractItemModel* m = model();
    if (m == nullptr || column < 0)
        return;
    const int count = m->columnCount();
    if (column >= count)
        m->insertColumns(count, column - count + 1);
}

void CTableView::SetHeaderChecked(int column, bool checked)
{
    QAbstractItemModel* m = model();
    if (m == nullptr || column < 0 || column >= m->columnCount())
        return;
    m->setHeaderData(column, Qt::Horizontal, checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    const QString text = m->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    if (text.startsWith(QLatin1String("  ")))
        m->setHeaderData(column, Qt::Horizontal, text.mid(2), Qt::DisplayRole);
}

int CTableView::AppendRow()
{
    QAbstractItemModel* m = model();
    if (m == nullptr)
        return -1;
    const int row = m->rowCount();
    return m->insertRows(row, 1) ? row : -1;
}

int CTableView::InsertFirstRow()
{
    return model() != nullptr && model()->insertRows(0, 1) ? 0 : -1;
}

int CTableView::InsertRow(int row)
{
    QAbstractItemModel* m = model();
    if (m == nullptr || row < 0 || row >= m->rowCount())
        return -1;
    return m->insertRows(row, 1) ? row : -1;
}

void CTableView::RemoveLastRow()
{
    QAbstractItemModel* m = model();
    if (m != nullptr && m->rowCount() > 0)
        m->removeRows(m->rowCount() - 1, 1);
}

void CTableView::RemoveRow(int row)
{
    QAbstractItemModel* m = model();
    if (m != nullptr && row >= 0 && row < m->rowCount())
        m->removeRows(row, 1);
}

int CTableView::GetRowCount() const
{
    return model() != nullptr ? model()->rowCount() : 0;
}

int CTableView::GetTopRowCount() const
{
    return GetRowCount();
}

void CTableView::AppendItems(const QList<CTreeViewItem*>& items)
{
    if (items.isEmpty())
        return;
    CTreeViewModel* m = TreeModel();
    // The view took the rows over: rows it cannot place must not leak.
    if (m == nullptr || !m->InsertItems(GetRowCount(), items))
        qDeleteAll(items);
}

void CTableView::Clear()
{
    if (CTreeViewModel* m = TreeModel())
        m->Clear();
    else if (model() != nullptr && model()->rowCount() > 0)
        model()->removeRows(0, model()->rowCount());
}

void CTableView::SetColumnCount(int n)
{
    for (int i = 0; i < n; ++i)
        SetHeaderText(i, QString());
}

void CTableView::SetHeaderText(int column, const QString& text)
{
    GrowColumns(column);
    if (model() != nullptr)
        model()->setHeaderData(column, Qt::Horizontal, text, Qt::DisplayRole);
}

void CTableView::SetHeaderLabels(const QStringList& labels)
{
    QAbstractItemModel* m = model();
    if (m == nullptr)
        return;
    for (int i = 0; i < labels.size(); ++i) {
        m->insertColumns(i, 1);
        m->setHeaderData(i, Qt::Horizontal, labels.at(i), Qt::DisplayRole);
    }
}

void CTableView::SetItemText(int row, int column, const QString& text)
{
    GrowColumns(column);
    const QModelIndex cell = Cell(row, column);
    if (!cell.isValid())
        return;
    model()->setData(cell, text, Qt::EditRole);
    model()->setData(cell, text, Qt::ToolTipRole);
}

QString CTableView::GetItemText(int row, int column) const
{
    return Cell(row, column).data(Qt::DisplayRole).toString();
}

void CTableView::SetItemChecked(int row, int column, bool checked)
{
    const QModelIndex cell = Cell(row, column);
    if (cell.isValid())
        model()->setData(cell, checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void CTableView::SetItemComboList(int row, int column, const QStringList& choices)
{
    CTreeViewModel* m = TreeModel();
    const QModelIndex cell = Cell(row, column);
    if (m == nullptr || !cell.isValid())
        return;
    m->setData(cell, choices, ROLE_COMBO_LIST);
    m->GetItem(cell)->SetFlags(Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsUserCheckable |
                               Qt::ItemIsEnabled);
}

void CTableView::SetItemButton(int row, int column, const QString& text, const QIcon& icon)
{
    GrowColumns(column);
    const QModelIndex cell = Cell(row, column);
    if (!cell.isValid())
        return;
    model()->setData(cell, true, ROLE_BUTTON);
    model()->setData(cell, icon, Qt::DecorationRole);
    model()->setData(cell, text, Qt::DisplayRole);
}

void CTableView::SetItemButtonFlag(int row, int column, bool on)
{
    GrowColumns(column);
    const QModelIndex cell = Cell(row, column);
    if (!cell.isValid())
        return;
    model()->setData(cell, on, ROLE_BUTTON);
    model()->setData(cell, 0, Qt::DecorationRole);
}

void CTableView::SetItemWidget(int row, int column, QWidget* widget)
{
    GrowColumns(column);
    SetExistingItemWidget(row, column, widget);
}

void CTableView::SetExistingItemWidget(int row, int column, QWidget* widget)
{
    const QModelIndex cell = Cell(row, column);
    if (cell.isValid())
        setIndexWidget(cell, widget);
}

QWidget* CTableView::GetItemWidget(int row, int column) const
{
    const QModelIndex cell = Cell(row, column);
    return cell.isValid() ? indexWidget(cell) : nullptr;
}

bool CTableView::SetItemData(int row, int column, const QVariant& value, int role)
{
    const QModelIndex cell = Cell(row, column);
    return cell.isValid() && model()->setData(cell, value, role);
}

QVariant CTableView::GetItemData(int row, int column, int role) const
{
    return Cell(row, column).data(role);
}

QModelIndex CTableView::GetIndex(int row, int column, const QModelIndex& parent) const
{
    return model() != nullptr ? model()->index(row, column, parent) : QModelIndex();
}

CTreeViewItem* CTableView::GetItem(const QModelIndex& index) const
{
    CTreeViewModel* m = TreeModel();
    if (m == nullptr || !index.isValid() || index.model() != m)
        return nullptr;
    return m->GetItem(index);
}

Qt::ItemFlags CTableView::GetItemFlags(int row, int column) const
{
    const CTreeViewItem* item = GetItem(Cell(row, column));
    return item != nullptr ? item->GetFlags() : Qt::ItemFlags();
}

void CTableView::SetItemFlags(int row, int column, Qt::ItemFlags flags)
{
    if (CTreeViewItem* item = GetItem(Cell(row, column)))
        item->SetFlags(flags);
}

#include "widgets/views/CGroupTreeView.h"

#include "widgets/GuiUtility.h"
#include "widgets/views/CTreeViewDelegate.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QtEndian>

void IntToBytes(int value, QByteArray& out)
{
    const qint32 bytes = qToLittleEndian<qint32>(value);
    out.append(reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

void BytesToInt(const QByteArray& in, int& value)
{
    if (in.size() == sizeof(qint32))
        value = qFromLittleEndian<qint32>(in.constData());
}

void MakeGroupStreamData(int first, int second, QByteArray& out)
{
    out.clear();
    IntToBytes(first, out);
    IntToBytes(second, out);
}

CGroupTreeView::CGroupTreeView(QWidget* parent) : CTreeView(parent)
{
    setHeaderHidden(true);
    setIndentation(0);
    SetDrawRowLine(false);
    setItemDelegate(new CTreeViewDelegate(this, this));
}

CGroupTreeView::~CGroupTreeView() = default;

void CGroupTreeView::SetMultiSelection(bool on)
{
    m_bMultiSelection = on;
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void CGroupTreeView::mousePressEvent(QMouseEvent* event)
{
    // Shift would extend the selection across plans: such a press is dropped whole.
    if (event->modifiers() & Qt::ShiftModifier)
        return;
    const qsizetype selectedBefore =
        selectionModel() != nullptr ? selectionModel()->selectedIndexes().size() : 0;
    CTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (m_bMultiSelection && (event->modifiers() & Qt::ControlModifier) && selectedBefore != 0) {
        const QModelIndex anchor = indexAt(m_anchorPos);
        const QModelIndex pressed = indexAt(pos);
        if (anchor.isValid() && pressed.parent() != anchor.parent() && selectionModel() != nullptr)
            selectionModel()->select(pressed, QItemSelectionModel::Deselect);
    } else {
        m_anchorPos = pos;
    }
    m_dragStartPos = pos;
}

void CGroupTreeView::mouseMoveEvent(QMouseEvent* event)
{
    QTreeView::mouseMoveEvent(event);
    if (m_bMultiSelection && selectionModel() != nullptr) {
        const QModelIndex anchor = indexAt(m_anchorPos);
        if (anchor.isValid()) {
            const QModelIndexList selected = selectionModel()->selectedIndexes();
            for (const QModelIndex& s : selected)
                if (s.parent() != anchor.parent())
                    selectionModel()->select(s, QItemSelectionModel::Deselect);
        }
    }
    if (m_bDragEnabled && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - m_dragStartPos).manhattanLength() >= QApplication::startDragDistance())
        StartDrag();
}

void CGroupTreeView::StartDrag()
{
    const QModelIndex index = indexAt(m_dragStartPos);
    // The model's own flags decide, whatever kind of model the page gave the view.
    if (!index.isValid() || !(index.flags() & Qt::ItemIsDragEnabled))
        return;
    const QModelIndex parent = index.parent();
    const int first = parent.isValid() ? parent.row() : index.row();
    const int second = parent.isValid() ? index.row() : -1;
    QByteArray payload;
    MakeGroupStreamData(first, second, payload);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kGroupStreamMime), payload);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QPixmap picture = LoadCachedPixmap(QStringLiteral(":/images/DeviceConfig/Analog_Channel.png"));
    if (!picture.isNull())
        drag->setPixmap(picture);
    RunDrag(drag);
}

void CGroupTreeView::RunDrag(QDrag* drag)
{
    drag->exec(Qt::MoveAction);
}

void CGroupTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        Q_EMIT ItemDoubleClicked(index);
}

void CGroupTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    QModelIndex index = indexAt(event->pos());
    if (index.isValid())
        Q_EMIT ItemRightClicked(index);
}

void CGroupTreeView::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & Qt::ShiftModifier) && event->key() >= Qt::Key_Home &&
        event->key() <= Qt::Key_PageDown) {
        event->ignore();
        return;
    }
    QTreeView::keyPressEvent(event);
}

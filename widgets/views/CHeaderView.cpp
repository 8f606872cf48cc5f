#include "widgets/views/CHeaderView.h"

#include "widgets/GuiUtility.h"
#include "widgets/views/CTableView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace {

constexpr int kBoxSize = 16;
constexpr int kTextIndent = 4; // headers other than the first column's start this far right

QString BoxPicture(int state)
{
    if (state == Qt::Checked)
        return QStringLiteral(":/images/public/CheckBox/checkbox.png");
    if (state == Qt::Unchecked)
        return QStringLiteral(":/images/public/CheckBox/uncheckbox.png");
    return QStringLiteral(":/images/public/CheckBox/PartiallyCheckBox.png");
}

} // namespace

CHeaderView::CHeaderView(Qt::Orientation orientation, CTableView* view)
    : QHeaderView(orientation, view), m_pView(view)
{
    setStretchLastSection(true);
    setSectionsClickable(true);
}

CHeaderView::~CHeaderView() = default;

void CHeaderView::setModel(QAbstractItemModel* model)
{
    if (model == this->model())
        return;
    for (const QMetaObject::Connection& connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    m_counter.Rebuild(model);
    if (model != nullptr) {
        m_modelConnections.append(
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this, model](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles) {
                        // Only a check change of a top-level row in column 0 can move the box.
                        if (topLeft.parent().isValid() || topLeft.column() != 0 ||
                            (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)))
                            return;
                        m_counter.RowsChanged(model, topLeft.row(), bottomRight.row());
                        FollowRows();
                    }));
        m_modelConnections.append(connect(model, &QAbstractItemModel::rowsInserted, this,
                                          [this, model](const QModelIndex& parent, int first, int last) {
                                              if (parent.isValid())
                                                  return;
                                              m_counter.RowsInserted(model, first, last);
                                              FollowRows();
                                          }));
        m_modelConnections.append(connect(model, &QAbstractItemModel::rowsRemoved, this,
                                          [this](const QModelIndex& parent, int first, int last) {
                                              if (parent.isValid())
                                                  return;
                                              m_counter.RowsRemoved(first, last);
                                              FollowRows();
                                          }));
        // Anything that reorders or replaces the rows is counted again.
        const auto recount = [this, model] {
            m_counter.Rebuild(model);
            FollowRows();
        };
        m_modelConnections.append(connect(model, &QAbstractItemModel::modelReset, this, recount));
        m_modelConnections.append(connect(model, &QAbstractItemModel::layoutChanged, this, recount));
        m_modelConnections.append(connect(model, &QAbstractItemModel::rowsMoved, this, recount));
        m_modelConnections.append(connect(model, &QAbstractItemModel::columnsRemoved, this, recount));
        m_modelConnections.append(connect(model, &QAbstractItemModel::columnsInserted, this, recount));
    }
    QHeaderView::setModel(model);
}

QVariant CHeaderView::HeaderState() const
{
    return model() != nullptr ? model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole) : QVariant();
}

void CHeaderView::OnDataChanged(const QModelIndex& index)
{
    Q_UNUSED(index);
    m_counter.Rebuild(model());
    FollowRows();
}

void CHeaderView::FollowRows()
{
    if (m_bWritingRows)
        return;
    const QVariant current = HeaderState();
    const int state = m_counter.BoxState();
    if (current.isValid() && current.toInt() != state)
        model()->setHeaderData(0, Qt::Horizontal, state, Qt::CheckStateRole);
}

void CHeaderView::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractItemModel* m = model();
    const QVariant current = HeaderState();
    if (m_boxRect.contains(event->position().toPoint()) && sectionsClickable() && current.isValid()) {
        const int state = current.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
        m->setHeaderData(0, Qt::Horizontal, state, Qt::CheckStateRole);
        m_bWritingRows = true;
        const int rows = m->rowCount();
        for (int row = 0; row < rows; ++row)
            m->setData(m->index(row, 0), state, Qt::CheckStateRole);
        m_bWritingRows = false;
        FollowRows();
    }
    QHeaderView::mouseReleaseEvent(event);
}

QSize CHeaderView::sectionSizeFromContents(int logicalIndex) const
{
    // The text is painted indented: a column sized to its header text keeps room for the indent, or a short
    // header (two Chinese characters) loses its last character.
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (logicalIndex != 0)
        size.rwidth() += kTextIndent;
    return size;
}

void CHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (logicalIndex != 0 || model() == nullptr) {
        QHeaderView::paintSection(painter, rect.adjusted(kTextIndent, 0, 0, 0), logicalIndex);
        return;
    }
    const int indentation = m_pView != nullptr ? m_pView->indentation() : 0;
    const QRect box(rect.left() + 3 + indentation, rect.top() + (rect.height() - kBoxSize) / 2, kBoxSize,
                    kBoxSize);
    const QVariant headerState = HeaderState();
    if (headerState.isValid()) {
        m_boxRect = box;
        const int state = headerState.toInt();
        const QPixmap picture = LoadCachedPixmap(BoxPicture(state));
        if (!picture.isNull()) {
            painter->drawPixmap(m_boxRect, picture);
        } else {
            // Without the pictures the style's own check box stands in.
            QStyleOptionButton option;
            option.initFrom(this);
            option.rect = m_boxRect;
            option.state |= state == Qt::Checked     ? QStyle::State_On
                            : state == Qt::Unchecked ? QStyle::State_Off
                                                     : QStyle::State_NoChange;
            style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter, this);
        }
    } else {
        m_boxRect = QRect();
    }
    const int textLeft = m_boxRect.isValid() ? m_boxRect.right() + 4 : rect.left() + 3;
    QHeaderView::paintSection(
        painter, QRect(textLeft, rect.top(), rect.right() - textLeft + 1, rect.height()), logicalIndex);
}

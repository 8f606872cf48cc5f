#include "widgets/views/HierarchicalHeaderView.h"

#include <QAbstractItemModel>
#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionHeader>

// The header model is read as a tree: the children of an item are row 0, columns 0 .. columnCount(item) - 1
// under it; an item without columns is a leaf, and the k-th leaf from the left is section k.
class HierarchicalHeaderView::CPrivate
{
public:
    QPointer<QAbstractItemModel> m_pHeaderModel;

    QModelIndex LeafOfSection(int section) const
    {
        if (!m_pHeaderModel || section < 0)
            return QModelIndex();
        int count = -1;
        return FindLeaf(QModelIndex(), section, count);
    }

    // The leaves of every child subtree, in column order; a leaf has none under it.
    QModelIndexList LeavesUnder(const QModelIndex& item) const
    {
        QModelIndexList leaves;
        const int columns = m_pHeaderModel->columnCount(item);
        for (int column = 0; column < columns; ++column) {
            const QModelIndex child = m_pHeaderModel->index(0, column, item);
            if (!child.isValid())
                continue;
            if (m_pHeaderModel->columnCount(child) == 0)
                leaves.append(child);
            else
                leaves.append(LeavesUnder(child));
        }
        return leaves;
    }

    static QStyleOptionHeader SectionOption(const HierarchicalHeaderView* header, int section);

    // From the top-level ancestor down to the item itself.
    static QModelIndexList AncestorChain(const QModelIndex& item)
    {
        QModelIndexList chain;
        for (QModelIndex index = item; index.isValid(); index = index.parent())
            chain.prepend(index);
        return chain;
    }

private:
    QModelIndex FindLeaf(const QModelIndex& parent, int section, int& count) const
    {
        const int columns = m_pHeaderModel->columnCount(parent);
        for (int column = 0; column < columns; ++column) {
            const QModelIndex child = m_pHeaderModel->index(0, column, parent);
            if (!child.isValid())
                continue;
            if (m_pHeaderModel->columnCount(child) == 0) {
                if (++count == section)
                    return child;
            } else {
                const QModelIndex found = FindLeaf(child, section, count);
                if (found.isValid())
                    return found;
            }
        }
        return QModelIndex();
    }
};

namespace {

QFont CellFont(const QModelIndex& item, const QFont& headerFont)
{
    QFont font = headerFont;
    const QVariant value = item.data(Qt::FontRole);
    if (value.typeId() == QMetaType::QFont) // a text would convert to some font too
        font = value.value<QFont>();
    font.setBold(true);
    return font;
}

bool IsTurned(const QModelIndex& item)
{
    return item.data(Qt::UserRole).isValid();
}

// A brush, or a colour as models often give for these roles; a text that names a colour is not taken.
bool IsBrush(const QVariant& value)
{
    return value.typeId() == QMetaType::QBrush || value.typeId() == QMetaType::QColor;
}

void ApplyCellBrushes(const QModelIndex& item, QStyleOptionHeader& option)
{
    const QVariant background = item.data(Qt::BackgroundRole);
    if (IsBrush(background)) {
        const QBrush brush = background.value<QBrush>();
        option.palette.setBrush(QPalette::Button, brush);
        option.palette.setBrush(QPalette::Window, brush);
    }
    const QVariant foreground = item.data(Qt::ForegroundRole);
    if (IsBrush(foreground))
        option.palette.setBrush(QPalette::ButtonText, foreground.value<QBrush>());
}

} // namespace

HierarchicalHeaderView::HierarchicalHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent), m_pPrivate(std::make_unique<CPrivate>())
{
    connect(this, &QHeaderView::sectionResized, this, &HierarchicalHeaderView::on_sectionResized);
    setStyleSheet(
        QStringLiteral("QHeaderView::section{border:none; border-left: 1px solid rgb(193,193,193);\t\t"
                       "border-bottom: 1px solid rgb(193,193,193);}"));
    setStretchLastSection(true);
}

HierarchicalHeaderView::~HierarchicalHeaderView() = default;

void HierarchicalHeaderView::setModel(QAbstractItemModel* model)
{
    m_pPrivate->m_pHeaderModel = nullptr;
    if (model) {
        const int role =
            orientation() == Qt::Horizontal ? ROLE_HORIZONTAL_HEADER_MODEL : ROLE_VERTICAL_HEADER_MODEL;
        const QVariant value = model->data(QModelIndex(), role);
        if (value.isValid())
            m_pPrivate->m_pHeaderModel = qobject_cast<QAbstractItemModel*>(value.value<QObject*>());
    }
    QHeaderView::setModel(model);
    const int sections =
        model ? (orientation() == Qt::Horizontal ? model->columnCount() : model->rowCount()) : 0;
    if (sections > 0)
        initializeSections(0, sections - 1);
}

// The option the style gets for one section, filled as for a header of one level.
QStyleOptionHeader HierarchicalHeaderView::CPrivate::SectionOption(const HierarchicalHeaderView* header,
                                                                   int section)
{
    QStyleOptionHeader option;
    header->initStyleOption(&option);
    if (header->window()->isActiveWindow())
        option.state |= QStyle::State_Active;
    option.textAlignment = Qt::AlignCenter;
    option.iconAlignment = Qt::AlignVCenter;
    option.section = section;

    const int visual = header->visualIndex(section);
    if (header->count() == 1)
        option.position = QStyleOptionHeader::OnlyOneSection;
    else if (visual == 0)
        option.position = QStyleOptionHeader::Beginning;
    else if (visual == header->count() - 1)
        option.position = QStyleOptionHeader::End;
    else
        option.position = QStyleOptionHeader::Middle;

    const QItemSelectionModel* selection = header->selectionModel();
    const QModelIndex root = header->rootIndex();
    const bool horizontal = header->orientation() == Qt::Horizontal;
    auto wholly = [&](int logical) {
        if (logical < 0)
            return false;
        return horizontal ? selection->isColumnSelected(logical, root)
                          : selection->isRowSelected(logical, root);
    };
    if (selection && header->sectionsClickable() && header->highlightSections()) {
        const bool touched = horizontal ? selection->columnIntersectsSelection(section, root)
                                        : selection->rowIntersectsSelection(section, root);
        if (touched)
            option.state |= QStyle::State_On;
        if (wholly(section))
            option.state |= QStyle::State_Sunken;
    }
    if (selection) {
        const bool previous = wholly(header->logicalIndex(visual - 1));
        const bool next = wholly(header->logicalIndex(visual + 1));
        if (previous && next)
            option.selectedPosition = QStyleOptionHeader::NextAndPreviousAreSelected;
        else if (previous)
            option.selectedPosition = QStyleOptionHeader::PreviousIsSelected;
        else if (next)
            option.selectedPosition = QStyleOptionHeader::NextIsSelected;
        else
            option.selectedPosition = QStyleOptionHeader::NotAdjacent;
    }
    return option;
}

// The size a cell needs: its text in the bold cell font (turned when asked) plus the style's section margins,
// never below the cell's own size hint.
static QSize CellSize(const QHeaderView* header, const QModelIndex& item, const QStyleOptionHeader& option)
{
    const QVariant hint = item.data(Qt::SizeHintRole);
    const QSize least = hint.isValid() ? hint.toSize() : QSize();
    const QFontMetrics metrics(CellFont(item, header->font()));
    QSize text = metrics.size(0, item.data(Qt::DisplayRole).toString());
    if (IsTurned(item))
        text.transpose();
    const QSize margins =
        header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header);
    const QSize empty = metrics.size(0, QString());
    return least.expandedTo(text + margins - empty);
}

QSize HierarchicalHeaderView::sectionSizeFromContents(int logicalIndex) const
{
    const QModelIndex leaf = m_pPrivate->LeafOfSection(logicalIndex);
    if (!leaf.isValid())
        return QHeaderView::sectionSizeFromContents(logicalIndex);
    const QStyleOptionHeader option = CPrivate::SectionOption(this, logicalIndex);
    QSize size = CellSize(this, leaf, option);
    for (QModelIndex ancestor = leaf.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        const QSize cell = CellSize(this, ancestor, option);
        if (orientation() == Qt::Horizontal)
            size.rheight() += cell.height();
        else
            size.rwidth() += cell.width();
    }
    return size;
}

void HierarchicalHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const QModelIndex leaf = rect.isValid() ? m_pPrivate->LeafOfSection(logicalIndex) : QModelIndex();
    if (!leaf.isValid()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const bool horizontal = orientation() == Qt::Horizontal;
    const QStyleOptionHeader sectionOption = CPrivate::SectionOption(this, logicalIndex);
    const QPointF brushOrigin = painter->brushOrigin();

    // Along the header: where this section starts; across it: where the next level starts.
    const int along = horizontal ? rect.left() : rect.top();
    const int acrossEnd = horizontal ? rect.bottom() + 1 : rect.right() + 1;
    int top = horizontal ? rect.y() : rect.x();

    const QModelIndexList chain = CPrivate::AncestorChain(leaf);
    for (const QModelIndex& cell : chain) {
        const bool isLeaf = cell == leaf;
        QStyleOptionHeader option = sectionOption;
        if (!isLeaf)
            option.state &= ~(QStyle::State_Sunken | QStyle::State_On);
        ApplyCellBrushes(cell, option);

        const QSize size = CellSize(this, cell, option);
        int depth = horizontal ? size.height() : size.width();
        int start = along;
        int length = sectionSize(logicalIndex);
        if (isLeaf) {
            depth = acrossEnd - top;
        } else {
            // The leaves under a spanning cell are consecutive sections around this one.
            const QModelIndexList leaves = m_pPrivate->LeavesUnder(cell);
            const int position = leaves.indexOf(leaf);
            const int first = logicalIndex - position;
            length = 0;
            for (int i = 0; i < leaves.size(); ++i) {
                const int size = sectionSize(first + i);
                if (i < position)
                    start -= size;
                length += size;
            }
        }
        const QRect cellRect =
            horizontal ? QRect(start, top, length, depth) : QRect(top, start, depth, length);
        option.text = cell.data(Qt::DisplayRole).toString();
        option.rect = cellRect;

        painter->save();
        if (!IsTurned(cell)) {
            style()->drawControl(QStyle::CE_Header, &option, painter, this);
        } else {
            style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
            painter->rotate(-90);
            // Rotated by -90 degrees, the local point (-cy, cx) lies on the cell's centre (cx, cy).
            QRect turned(0, 0, cellRect.height(), cellRect.width());
            turned.moveCenter(QPoint(-cellRect.center().y(), cellRect.center().x()));
            option.rect = turned;
            style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
        }
        painter->restore();
        top += depth;
    }
    painter->setBrushOrigin(brushOrigin);
}

void HierarchicalHeaderView::on_sectionResized(int logicalIndex)
{
    if (isSectionHidden(logicalIndex))
        return;
    const QModelIndex leaf = m_pPrivate->LeafOfSection(logicalIndex);
    if (!leaf.isValid())
        return;
    // A spanning cell starts in an earlier section: repaint from there so that it is drawn whole again.
    const QModelIndex topLevel = CPrivate::AncestorChain(leaf).first();
    const int before = m_pPrivate->LeavesUnder(topLevel).indexOf(leaf);
    const int width = viewport()->width();
    const int height = viewport()->height();
    for (int section = logicalIndex - 1; section >= logicalIndex - before && section >= 0; --section) {
        const int position = sectionViewportPosition(section);
        QRect area;
        if (orientation() == Qt::Horizontal) {
            if (isRightToLeft())
                area = QRect(0, 0, position + sectionSize(section), height);
            else
                area = QRect(position, 0, width - position, height);
        } else {
            area = QRect(0, position, width, height - position);
        }
        viewport()->update(area.normalized());
    }
}

#include "widgets/views/CTreeViewDelegate.h"

#include "widgets/GuiUtility.h"

#include <QPainter>

CTreeViewDelegate::CTreeViewDelegate(QWidget* view, QObject* parent) : CTableDelegate(view, parent) {}

CTreeViewDelegate::~CTreeViewDelegate() = default;

void CTreeViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QRect& rect = option.rect;
    if (!index.parent().isValid()) {
        painter->drawPixmap(rect, LoadCachedPixmap(QStringLiteral(":images/public/TreeView/TreeNormal.png")));
        const QPixmap arrow = LoadCachedPixmap(
            (option.state & QStyle::State_Open) ? QStringLiteral(":images/public/TreeView/TreeArrowDown.png")
                                                : QStringLiteral(":images/public/TreeView/TreeArrowUp.png"));
        const QPoint at(rect.width() - arrow.width() - 4, rect.y() + (rect.height() - arrow.height()) / 2);
        if (option.state & QStyle::State_MouseOver)
            painter->drawPixmap(
                at, LoadCachedPixmap(QStringLiteral(":images/public/TreeView/TreeArrowHover.png")));
        painter->drawPixmap(at, arrow);
    } else if (option.state & QStyle::State_Selected) {
        painter->drawPixmap(rect, LoadCachedPixmap(QStringLiteral(":images/public/TreeView/TreeSelect.png")));
    }
    QStyledItemDelegate::paint(painter, option, index);
}

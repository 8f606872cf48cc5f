#include "tests/support/gui/TableClicks.h"

#include "widgets/views/CTableView.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

bool TestSupport::ClickTick(CTableView* view, char letter)
{
    for (int row = 0; row < view->GetRowCount(); ++row) {
        if (view->GetItemText(row, 1) != QString(QLatin1Char(letter)))
            continue;
        const QModelIndex cell = view->model()->index(row, 0);
        view->scrollTo(cell);
        const int before = view->GetItemData(row, 0, Qt::CheckStateRole).toInt();
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(cell);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
        return view->GetItemData(row, 0, Qt::CheckStateRole).toInt() != before;
    }
    return false;
}

#include "pages/log/CLogTypeModel.h"

#include <iterator>

CLogTypeModel::CLogTypeModel(QObject* parent) : QStandardItemModel(parent)
{
    const QString names[] = {tr("All"), tr("Operation Log"), tr("Exception Log")};
    for (int row = 0; row < int(std::size(names)); ++row) {
        auto* item = new QStandardItem(names[row]);
        item->setData(row, Qt::UserRole);
        appendRow(item);
    }
}

#include "widgets/views/ProxyModelWithHeaderModels.h"

#include "widgets/views/HierarchicalHeaderView.h"

ProxyModelWithHeaderModels::ProxyModelWithHeaderModels(QObject* parent) : QIdentityProxyModel(parent) {}

ProxyModelWithHeaderModels::~ProxyModelWithHeaderModels() = default;

void ProxyModelWithHeaderModels::SetHorizontalHeaderModel(QAbstractItemModel* model)
{
    m_pHorizontalHeaderModel = model;
    const int columns = sourceModel() ? sourceModel()->columnCount() : 0;
    if (columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
}

void ProxyModelWithHeaderModels::SetVerticalHeaderModel(QAbstractItemModel* model)
{
    m_pVerticalHeaderModel = model;
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    if (rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows - 1);
}

QVariant ProxyModelWithHeaderModels::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        if (role == ROLE_HORIZONTAL_HEADER_MODEL && m_pHorizontalHeaderModel)
            return QVariant::fromValue(static_cast<QObject*>(m_pHorizontalHeaderModel.data()));
        if (role == ROLE_VERTICAL_HEADER_MODEL && m_pVerticalHeaderModel)
            return QVariant::fromValue(static_cast<QObject*>(m_pVerticalHeaderModel.data()));
    }
    return QIdentityProxyModel::data(index, role);
}

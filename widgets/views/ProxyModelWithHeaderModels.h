#pragma once

// A proxy that passes its source model through unchanged and also hands out the header models that a
// HierarchicalHeaderView reads. The header models belong to the caller; a destroyed one simply drops out.

#include <QIdentityProxyModel>
#include <QPointer>

class ProxyModelWithHeaderModels : public QIdentityProxyModel
{
    Q_OBJECT

public:
    explicit ProxyModelWithHeaderModels(QObject* parent = nullptr);
    ~ProxyModelWithHeaderModels() override;

    // Takes the source model, as the proxy base of old did.
    void setModel(QAbstractItemModel* model) { setSourceModel(model); }

    void SetHorizontalHeaderModel(QAbstractItemModel* model);
    void SetVerticalHeaderModel(QAbstractItemModel* model);

    // The header models are answered only at the root index, so that the cells keep their own values of the
    // same roles.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QPointer<QAbstractItemModel> m_pHorizontalHeaderModel;
    QPointer<QAbstractItemModel> m_pVerticalHeaderModel;
};

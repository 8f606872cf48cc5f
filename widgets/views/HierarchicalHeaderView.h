#pragma once

// A header of several levels: an upper cell spans the sections of all the leaf cells under it. The cells come
// from a second model, the header model, that the view's data model hands out on the roles below.

#include <QHeaderView>

#include <memory>

// The roles on which a data model hands out its header models (a QObject* in a QVariant) at the root index.
enum HEADER_MODEL_ROLE
{
    ROLE_HORIZONTAL_HEADER_MODEL = Qt::UserRole,
    ROLE_VERTICAL_HEADER_MODEL = Qt::UserRole + 1,
};

class HierarchicalHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    HierarchicalHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~HierarchicalHeaderView() override;

    // The header model is read here only: hand it to the data model before setting the data model on the
    // view.
    void setModel(QAbstractItemModel* model) override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private Q_SLOTS:
    void on_sectionResized(int logicalIndex);

private:
    class CPrivate;
    std::unique_ptr<CPrivate> m_pPrivate;
};

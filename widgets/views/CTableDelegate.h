#pragma once

// Paints the cells of the table and tree views (white rows, a pale yellow row under the mouse, a picture for
// a selected row, the open/closed arrow of tree rows, 26-pixel rows) and picks each cell's editor by its
// roles: a combo box for a choice list, a date-and-time editor, a date editor.

#include <QStyledItemDelegate>

class CTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // The view gives the style that paints; it is not owned.
    CTableDelegate(QWidget* view, QObject* parent);
    ~CTableDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    void PaintBackground(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect) const;

    QWidget* m_pView;
};

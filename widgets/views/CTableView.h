#pragma once

// The program's general list widget: a tree view used as a flat table with the check-all header, the cell
// delegate and an item model of its own. Pages fill and read it through the cell operations by row and column
// (top-level rows of the current model) and listen to its four signals.

#include "widgets/views/CTreeViewItem.h"

#include <QIcon>
#include <QMetaObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

class CTreeViewModel;

class CTableView : public QTreeView
{
    Q_OBJECT

public:
    explicit CTableView(QWidget* parent = nullptr);
    ~CTableView() override;

    // Releases the view's own model first (unless it is the one given), then takes the model and expands all.
    void setModel(QAbstractItemModel* model) override;
    // Keeps the current-cell relay on whichever selection model the view has.
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

    void SetDrawRowLine(bool on) { m_bDrawRowLine = on; }
    // Puts a check state into the column's header (section 0 then shows the check-all box); a header text
    // that begins with two blanks loses them.
    void SetHeaderChecked(int column, bool checked);

    // Each returns the new row's number, or -1 when nothing was inserted.
    int AppendRow();
    int InsertFirstRow();
    int InsertRow(int row);
    void RemoveLastRow();
    void RemoveRow(int row);
    int GetRowCount() const;
    int GetTopRowCount() const;
    // Appends ready-made rows in list order; the view takes them over (also when it cannot place them).
    void AppendItems(const QList<CTreeViewItem*>& items);
    void Clear();

    void SetColumnCount(int n);
    void SetHeaderText(int column, const QString& text);
    void SetHeaderLabels(const QStringList& labels);

    // Sets the cell's text and its tool tip.
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    void SetItemChecked(int row, int column, bool checked);
    // The cell is edited with a combo box of the choices; the row becomes editable and no longer selectable.
    void SetItemComboList(int row, int column, const QStringList& choices);
    void SetItemButton(int row, int column, const QString& text, const QIcon& icon);
    void SetItemButtonFlag(int row, int column, bool on);
    // The view takes the widget; a widget already in the cell is deleted.
    void SetItemWidget(int row, int column, QWidget* widget);
    void SetExistingItemWidget(int row, int column, QWidget* widget);
    QWidget* GetItemWidget(int row, int column) const;
    bool SetItemData(int row, int column, const QVariant& value, int role);
    QVariant GetItemData(int row, int column, int role) const;
    QModelIndex GetIndex(int row, int column, const QModelIndex& parent = QModelIndex()) const;
    // Null for an invalid index or while the current model is not the view's kind of model.
    CTreeViewItem* GetItem(const QModelIndex& index) const;
    // Flags belong to the row's item: setting them through any column changes the whole row.
    Qt::ItemFlags GetItemFlags(int row, int column) const;
    void SetItemFlags(int row, int column, Qt::ItemFlags flags);

Q_SIGNALS:
    // A release over a cell with any button, after the view has handled it.
    void SignalClickRelease(const QModelIndex& index);
    // The left button went down on a button cell.
    void PressedBtn(const QModelIndex& index);
    // The left button went down and up on the same button cell.
    void ClickedBtn(const QModelIndex& index);
    void currentItemChanged(const QModelIndex& current, const QModelIndex& previous);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

    // The current model as the view's own kind of model, or null.
    CTreeViewModel* TreeModel() const;
    bool IsButtonCell(const QModelIndex& index) const;

private:
    // Makes sure the column exists, adding columns up to it.
    void GrowColumns(int column);
    QModelIndex Cell(int row, int column) const;

    QPointer<CTreeViewModel> m_pModel;
    bool m_bDrawRowLine = true;
    QPersistentModelIndex m_pressedIndex;
    QMetaObject::Connection m_currentRelay;
};

#pragma once

// The tree of backup plans and their channels: no header, no indentation, group-bar painting. Double-clicks
// and context requests on items come out as signals, Shift never extends the selection, and two options (off
// as built): a multi-selection that keeps every selected item under one parent, and a drag of the pressed
// item as "Group/Stream" data.

#include "widgets/views/CTreeView.h"

#include <QByteArray>

class QDrag;

// The drag data names an item by two rows: a channel by its plan's row and its own, a plan by its row and -1.
// Each is a 32-bit two's complement integer, least significant byte first.
inline constexpr char kGroupStreamMime[] = "Group/Stream";
void IntToBytes(int value, QByteArray& out);
// Leaves value unchanged unless in holds exactly four bytes.
void BytesToInt(const QByteArray& in, int& value);
void MakeGroupStreamData(int first, int second, QByteArray& out);

class CGroupTreeView : public CTreeView
{
    Q_OBJECT

public:
    explicit CGroupTreeView(QWidget* parent = nullptr);
    ~CGroupTreeView() override;

    void SetDragEnabled(bool on) { m_bDragEnabled = on; }
    void SetMultiSelection(bool on);

Q_SIGNALS:
    void ItemRightClicked(QModelIndex& index);
    void ItemDoubleClicked(QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Runs a drag that carries its data; a test can take the drag here instead of running it.
    virtual void RunDrag(QDrag* drag);

private:
    void StartDrag();

    QPoint m_dragStartPos;
    QPoint m_anchorPos;
    bool m_bDragEnabled = false;
    bool m_bMultiSelection = false;
};

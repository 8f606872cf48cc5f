#pragma once

// A grid of channel thumbnails: holds the pictures of one piece of a group, numbers them from 1, splits them
// into pages that fit its size, shows one page and lets the user select by click, Ctrl+click and rubber band,
// reporting every change of a selection flag.

#include <QFrame>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QStringList>

class QGridLayout;
class CPicLabel;

class CPicLabelList : public QFrame
{
    Q_OBJECT

public:
    CPicLabelList(int picWidth, int picHeight, uint listId, QWidget* parent = nullptr);
    ~CPicLabelList() override;

    // Called once on a new list: numbers the pictures 1 .. n, pages them, and returns the numbers.
    // Tool tips by picture path; set before SetPictures.
    void SetPictureTips(const QHash<QString, QString>& tips) { m_tips = tips; }
    QList<uint> SetPictures(const QStringList& paths);
    // Flag of number n at position n - 1.
    void SetSelectionFlags(const QList<bool>& flags);
    void ShowPage(uint page);
    // The thumbnails of the page shown, in grid order; false for a null pointer.
    bool GetPicLabels(QList<CPicLabel*>* out) const;
    // The picture paths in number order.
    void GetPathList(QStringList* out) const;
    void GetIdList(QStringList* out) const { GetPathList(out); }
    void ClearSelection();
    void SelectAll();

    uint GetListId() const { return m_nListId; }
    int GetPageCount() const { return m_nPageCount; }
    int GetCurrentPage() const { return m_nCurPage; }

Q_SIGNALS:
    void SignalLabelDbClicked(uint id);
    void SignalLabelClicked();
    void SignalPicLabelSelected(int listId, int number, bool selected);
    void SignalSetPageInfo(uint pageCount, uint currentPage);

public Q_SLOTS:
    void OnPicLabelClicked();
    void OnShowPage(uint page);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct PAGE_INFO
    {
        int nColumns = 0;
        QList<uint> listNumbers;
    };

    void LayoutPages();
    void BuildPage(const PAGE_INFO& page);
    void SetLabelSelected(CPicLabel* label, bool selected);

    QList<CPicLabel*> m_listLabels;
    QList<uint> m_listNumbers;
    QList<bool> m_listFlags;
    QList<QString> m_listPaths;
    QHash<QString, QString> m_tips;
    QList<PAGE_INFO> m_listPages;
    QList<CPicLabel*> m_listPressSnapshot;
    uint m_nListId;
    int m_nPageCount = 0;
    int m_nCurPage = 1;
    int m_nPicWidth;
    int m_nPicHeight;
    int m_nPicCount = 0;
    bool m_bPressed = false;
    QPoint m_ptPress;
    QPoint m_ptCurrent;
    QGridLayout* m_pGridLayout = nullptr;
    CPicLabel* m_pLastClicked = nullptr;
};

#pragma once

// The page bar under the thumbnail groups: "Previous", up to ten numbered page buttons, "Next".

#include <QFrame>

class QHBoxLayout;
class QSpacerItem;
class CPushButton;

class CPageInfo : public QFrame
{
    Q_OBJECT

public:
    static const int kPageButtons = 10;

    explicit CPageInfo(QWidget* parent = nullptr);
    ~CPageInfo() override;

    // Stores the count only; SetPage shows the buttons.
    int SetPageCount(uint count);
    // Shows the block of ten pages holding `page`, highlights it and emits SignalShowPage; -1 for a page out
    // of range (nothing changes).
    int SetPage(uint page);
    void HideAll();

    uint GetPageCount() const { return m_nPageCount; }
    uint GetCurrentPage() const { return m_nCurPage; }

Q_SIGNALS:
    void SignalShowPage(uint page);

public Q_SLOTS:
    void ClickPage();
    void ClickedNext();
    void ClickedPrior();

private:
    void SetPlain(CPushButton* button);
    void SetHighlighted(CPushButton* button);

    CPushButton* m_pBtnPages[kPageButtons];
    CPushButton* m_pBtnPrevious;
    CPushButton* m_pBtnNext;
    uint m_nPageCount = 0;
    uint m_nCurPage = 0;
    int m_nHighlighted = -1;
    QHBoxLayout* m_pLayout;
    QSpacerItem* m_pSpacer;
};

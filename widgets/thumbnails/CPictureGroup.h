#pragma once

// Named groups of channel pictures in a bordered box, each under a title bar with its pictures in a grid. The
// groups are laid out down the box and across pages (a group that does not fit goes on in pieces on the next
// pages); one page is shown at a time. Groups collapse to their title bar, one group can be singled out, and
// the selection of every picture of every group is kept whichever page is shown.

#include <QFrame>
#include <QList>
#include <QHash>
#include <QMap>
#include <QStringList>

class CPageInfo;
class CPicLabelList;
class CTitleBar;

class CPictureGroup : public QFrame
{
    Q_OBJECT

public:
    explicit CPictureGroup(QWidget* parent = nullptr);
    ~CPictureGroup() override;

    // Stores the sizes (a thumbnail is the picture size plus 2); the next layout uses them.
    void SetSizes(int titleBarHeight, int picWidth, int picHeight, int leftMargin);
    // The new group's id (1, or the last id plus 1); 0 when a group of that name exists (nothing added).
    uint AddGroup(const QString& name, const QStringList& paths);
    // The tool tip of the thumbnail whose picture is `path` (a channel's name), kept until ClearGroups; set
    // before the group is added (it takes effect at the next layout).
    void SetPictureTip(const QString& path, const QString& tip);
    bool ModifyGroup(uint groupId, const QString& name, const QStringList& paths);
    bool RemoveGroup(uint groupId);
    // Afterwards the next AddGroup gives id 1 again.
    void ClearGroups();
    // 0 shows every group; a known id shows that group only.
    bool SetExpandGroup(uint groupId);
    // Per group with a selected picture, the 1-based positions of its selected pictures, ascending.
    bool GetSelectedItems(QMap<uint, QList<uint>>* out) const;
    // The group's grid on the page shown; false when the group is unknown or has none shown.
    bool GetGroupList(uint groupId, CPicLabelList** out) const;

    int GetPageCount() const { return m_nPageCount; }
    int GetCurrentPage() const { return m_nCurPage; }
    CPageInfo* GetPageBar() const { return m_pPageInfo; }

Q_SIGNALS:
    void SignalPicClicked();
    void SignalPicDbClicked(uint id);
    void SignalTitleBtnClicked(int buttonId, uint groupId);
    void SignalTitleBarDbClicked(uint groupId);
    void SignalEnterTitleBar();
    void SignalLeaveTitleBar();

public Q_SLOTS:
    void OnShowPage(uint page);
    void OnMoveToNext();
    void OnLabelClicked();
    void OnTitleBarDbClicked(uint groupId);
    void OnExpandBtnClicked();
    void OnPicLabelSelected(int groupId, int number, bool selected);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // One group's share of one page.
    struct PIECE_INFO
    {
        bool bHasTitle = true;
        uint nGroupId = 0;
        int nPage = -1;
        int nX = 0;
        int nY = 0;
        int nHeight = 0;
        QStringList listPaths;
    };

    bool Layout();
    void DiscardShown();
    // The pictures of the group's pieces that lie before its first piece on the page shown.
    int PictureOffset(uint groupId) const;
    int GroupIndex(uint groupId) const { return static_cast<int>(m_listGroupIds.indexOf(groupId)); }

    QMap<uint, CPicLabelList*> m_mapLists;
    QMap<uint, QStringList> m_mapPaths;
    QHash<QString, QString> m_tips;
    QMap<uint, QList<bool>> m_mapFlags;
    QList<CTitleBar*> m_listTitleBars;
    QList<PIECE_INFO> m_listPieces;
    QList<uint> m_listGroupIds;
    QStringList m_listGroupNames;
    QList<uint> m_listCollapsed;
    QFrame* m_pGroupBox;
    CPageInfo* m_pPageInfo;
    int m_nPageCount = 0;
    int m_nAvailWidth = 0;
    int m_nPicWidth = 0;
    int m_nPicHeight = 0;
    int m_nTitleBarHeight = 0;
    int m_nLeftMargin = 8;
    int m_nCurPage = 1;
    uint m_nSingleGroup = 0;
};

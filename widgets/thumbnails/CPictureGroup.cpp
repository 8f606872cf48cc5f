#include "widgets/thumbnails/CPictureGroup.h"

#include "widgets/thumbnails/CPageInfo.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CTitleBar.h"

#include <QDebug>
#include <QGuiApplication>
#include <QResizeEvent>

#include <algorithm>

namespace {
const int kGap = 5;
const int kContinuationTop = 8;
} // namespace

CPictureGroup::CPictureGroup(QWidget* parent) : QFrame(parent)
{
    m_pGroupBox = new QFrame(this);
    m_pGroupBox->setObjectName(QStringLiteral("m_pGroupBox"));
    m_pGroupBox->setStyleSheet(QStringLiteral("QFrame#m_pGroupBox{border-image:url(:/images/public/TreeView/"
                                              "tree_bg.png) 2 2 2 2;") +
                               QString(31, QLatin1Char(' ')) +
                               QStringLiteral("border-width:2px 2px 2px 2px;}"));
    m_pGroupBox->show();
    m_pPageInfo = new CPageInfo(this);
    m_pPageInfo->show();
    connect(m_pPageInfo, &CPageInfo::SignalShowPage, this, &CPictureGroup::OnShowPage);
}

CPictureGroup::~CPictureGroup() = default;

void CPictureGroup::SetSizes(int titleBarHeight, int picWidth, int picHeight, int leftMargin)
{
    m_nTitleBarHeight = titleBarHeight;
    m_nPicWidth = picWidth + 2;
    m_nPicHeight = picHeight + 2;
    m_nLeftMargin = leftMargin;
}

uint CPictureGroup::AddGroup(const QString& name, const QStringList& paths)
{
    if (m_listGroupNames.contains(name)) {
        qDebug() << "The group with the same Name is existed.";
        return 0;
    }
    const uint id = m_listGroupIds.isEmpty() ? 1u : m_listGroupIds.last() + 1;
    m_listGroupIds.append(id);
    m_listGroupNames.append(name);
    m_mapPaths.insert(id, paths);
    m_mapFlags.insert(id, QList<bool>(paths.size(), false));
    Layout();
    return id;
}

void CPictureGroup::SetPictureTip(const QString& path, const QString& tip)
{
    m_tips.insert(path, tip);
}

bool CPictureGroup::ModifyGroup(uint groupId, const QString& name, const QStringList& paths)
{
    const int index = GroupIndex(groupId);
    if (index < 0) {
        qDebug() << "GroupLsh " << groupId << "is not existed.";
        return false;
    }
    m_listGroupNames[index] = name;
    m_mapPaths.insert(groupId, paths);
    m_mapFlags.insert(groupId, QList<bool>(paths.size(), false));
    Layout();
    return true;
}

bool CPictureGroup::RemoveGroup(uint groupId)
{
    const int index = GroupIndex(groupId);
    if (index < 0) {
        qDebug() << "GroupLsh " << groupId << "is not existed.";
        return false;
    }
    m_listGroupIds.removeAt(index);
    m_listGroupNames.removeAt(index);
    m_mapPaths.remove(groupId);
    m_mapFlags.remove(groupId);
    // A later group may get this id again: it must not inherit the collapse or the singling out.
    m_listCollapsed.removeAll(groupId);
    if (m_nSingleGroup == groupId)
        m_nSingleGroup = 0;
    Layout();
    return true;
}

void CPictureGroup::ClearGroups()
{
    // As RemoveGroup for each group, with one layout at the end instead of one per group.
    m_listGroupIds.clear();
    m_listGroupNames.clear();
    m_mapPaths.clear();
    m_tips.clear();
    m_mapFlags.clear();
    m_listCollapsed.clear();
    m_nSingleGroup = 0;
    Layout();
    // A box too small to lay out keeps its last page; nothing of the old groups may stay on it.
    DiscardShown();
    m_listPieces.clear();
}

bool CPictureGroup::SetExpandGroup(uint groupId)
{
    if (groupId == 0) {
        m_nSingleGroup = 0;
        return Layout();
    }
    if (GroupIndex(groupId) < 0)
        return false;
    if (m_nSingleGroup == groupId)
        return true;
    m_nSingleGroup = groupId;
    return Layout();
}

bool CPictureGroup::GetSelectedItems(QMap<uint, QList<uint>>* out) const
{
    if (!out)
        return false;
    for (auto it = m_mapFlags.cbegin(); it != m_mapFlags.cend(); ++it) {
        QList<uint> positions;
        for (int i = 0; i < it.value().size(); ++i) {
            if (it.value().at(i))
                positions.append(static_cast<uint>(i) + 1);
        }
        if (!positions.isEmpty())
            out->insert(it.key(), positions);
    }
    return true;
}

bool CPictureGroup::GetGroupList(uint groupId, CPicLabelList** out) const
{
    if (GroupIndex(groupId) < 0) {
        qDebug() << "The group is not existed.";
        return false;
    }
    CPicLabelList* list = m_mapLists.value(groupId, nullptr);
    if (!list || !out)
        return false;
    *out = list;
    return true;
}

void CPictureGroup::resizeEvent(QResizeEvent* event)
{
    const int w = event->size().width();
    const int h = event->size().height();
    m_pGroupBox->setGeometry(0, 0, w, h - m_pPageInfo->height());
    m_pPageInfo->setGeometry(0, h - 30, w, m_pPageInfo->height());
    Layout();
}

bool CPictureGroup::Layout()
{
    const int availWidth = m_pGroupBox->width() - 8;
    const int availHeight = m_pGroupBox->height() - 16;
    const int rowHeight = m_nPicHeight + kGap;
    // A page that goes on with a group must hold one row, or the pieces would never end.
    if (availWidth < m_nPicWidth + m_nLeftMargin + 3 || availHeight < m_nPicHeight ||
        availHeight - kContinuationTop < rowHeight)
        return false;
    m_nAvailWidth = availWidth;

    m_listPieces.clear();
    int page = 1;
    int room = availHeight;
    const int columns = (availWidth - m_nLeftMargin) / (m_nPicWidth + 3);
    for (int g = 0; g < m_listGroupIds.size(); ++g) {
        const uint id = m_listGroupIds.at(g);
        PIECE_INFO first;
        first.nGroupId = id;
        if (m_nSingleGroup != 0 && m_nSingleGroup != id) {
            first.nPage = 0;
            m_listPieces.append(first);
            continue;
        }
        if (room < m_nTitleBarHeight + m_nPicHeight + kGap) {
            ++page;
            room = availHeight;
        }
        room -= m_nTitleBarHeight + kGap;
        first.nPage = page;
        first.nX = m_nLeftMargin - 3;
        first.nY = availHeight - room + kGap;
        if (m_listCollapsed.contains(id)) {
            m_listPieces.append(first);
            continue;
        }

        const QStringList& paths = m_mapPaths.value(id);
        const int count = static_cast<int>(paths.size());
        int next = 0;
        // As many rows of the pictures from `next` on as the room left on the page holds.
        const auto fillRows = [&] {
            int rows = 0;
            while (next < count && room >= rowHeight) {
                room -= rowHeight;
                ++rows;
                next += std::min(columns, count - next);
            }
            return rows;
        };
        int rows = fillRows();
        if (next == count) {
            first.nHeight = rowHeight * rows + kGap;
            first.listPaths = paths;
            m_listPieces.append(first);
            continue;
        }
        first.nHeight = rowHeight * rows + room;
        first.listPaths = paths.mid(0, next);
        m_listPieces.append(first);
        while (next < count) {
            ++page;
            PIECE_INFO more;
            more.bHasTitle = false;
            more.nGroupId = id;
            more.nPage = page;
            more.nX = m_nLeftMargin - 3;
            more.nY = kContinuationTop;
            room = availHeight - kContinuationTop;
            const int start = next;
            rows = fillRows();
            more.nHeight = rowHeight * rows + kGap;
            more.listPaths = paths.mid(start, next - start);
            m_listPieces.append(more);
        }
    }

    m_nPageCount = page;
    if (m_nCurPage > m_nPageCount)
        m_nCurPage = m_nPageCount;
    m_pPageInfo->SetPageCount(static_cast<uint>(m_nPageCount));
    m_pPageInfo->SetPage(static_cast<uint>(m_nCurPage));
    if (m_listGroupIds.isEmpty())
        m_pPageInfo->HideAll();
    return true;
}

void CPictureGroup::DiscardShown()
{
    // The title bar or grid being discarded may be the sender of the click that got us here (the expand
    // arrow): hide it now and let the event loop delete it.
    for (CTitleBar* bar : std::as_const(m_listTitleBars)) {
        bar->hide();
        bar->deleteLater();
    }
    m_listTitleBars.clear();
    for (CPicLabelList* list : std::as_const(m_mapLists)) {
        list->hide();
        list->deleteLater();
    }
    m_mapLists.clear();
}

int CPictureGroup::PictureOffset(uint groupId) const
{
    int offset = 0;
    for (const PIECE_INFO& piece : m_listPieces) {
        if (piece.nGroupId != groupId)
            continue;
        if (piece.nPage == m_nCurPage)
            break;
        offset += static_cast<int>(piece.listPaths.size());
    }
    return offset;
}

void CPictureGroup::OnShowPage(uint page)
{
    if (page < 1 || page > static_cast<uint>(m_nPageCount))
        return;
    DiscardShown();
    m_nCurPage = static_cast<int>(page);
    const int boxWidth = m_pGroupBox->width();
    for (const PIECE_INFO& piece : m_listPieces) {
        if (piece.nPage != m_nCurPage)
            continue;
        const uint id = piece.nGroupId;
        const int index = GroupIndex(id);
        if (piece.bHasTitle) {
            auto* bar = new CTitleBar(m_nTitleBarHeight, m_listGroupNames.value(index), id, m_pGroupBox);
            bar->SetExpanded(!m_listCollapsed.contains(id));
            connect(bar, &CTitleBar::SignalExpandBtnClicked, this, &CPictureGroup::OnExpandBtnClicked);
            connect(bar, &CTitleBar::SignalDbClicked, this, &CPictureGroup::OnTitleBarDbClicked);
            connect(bar, &CTitleBar::SignalBtnClicked, this, &CPictureGroup::SignalTitleBtnClicked);
            connect(bar, &CTitleBar::SignalEnter, this, &CPictureGroup::SignalEnterTitleBar);
            connect(bar, &CTitleBar::SignalLeave, this, &CPictureGroup::SignalLeaveTitleBar);
            bar->setGeometry(piece.nX - m_nLeftMargin + 8, piece.nY - m_nTitleBarHeight, m_nAvailWidth,
                             m_nTitleBarHeight);
            bar->show();
            m_listTitleBars.append(bar);
        }
        if (piece.listPaths.isEmpty())
            continue;
        auto* list = new CPicLabelList(m_nPicWidth, m_nPicHeight, id, m_pGroupBox);
        connect(list, &CPicLabelList::SignalLabelDbClicked, this, &CPictureGroup::SignalPicDbClicked,
                Qt::QueuedConnection);
        connect(list, &CPicLabelList::SignalLabelClicked, this, &CPictureGroup::OnLabelClicked);
        connect(list, &CPicLabelList::SignalLabelClicked, this, &CPictureGroup::SignalPicClicked);
        connect(list, &CPicLabelList::SignalPicLabelSelected, this, &CPictureGroup::OnPicLabelSelected);
        list->setGeometry(piece.nX, piece.nY, boxWidth - m_nLeftMargin, piece.nHeight);
        list->SetPictureTips(m_tips);
        list->SetPictures(piece.listPaths);
        list->SetSelectionFlags(m_mapFlags.value(id).mid(PictureOffset(id)));
        list->ShowPage(1);
        list->show();
        list->setStyleSheet(QStringLiteral("CPicLabelList:hover{background-color: rgb(230, 230, 230)}"));
        m_mapLists.insert(id, list);
    }
}

void CPictureGroup::OnLabelClicked()
{
    if (QGuiApplication::keyboardModifiers() == Qt::ControlModifier)
        return;
    for (CPicLabelList* list : std::as_const(m_mapLists))
        list->ClearSelection();
}

void CPictureGroup::OnTitleBarDbClicked(uint groupId)
{
    if (CPicLabelList* list = m_mapLists.value(groupId, nullptr))
        list->SelectAll();
}

void CPictureGroup::OnExpandBtnClicked()
{
    auto* bar = qobject_cast<CTitleBar*>(sender());
    if (!bar)
        return;
    const uint id = bar->GetId();
    if (m_listCollapsed.contains(id))
        m_listCollapsed.removeAll(id);
    else
        m_listCollapsed.append(id);
    Layout();
}

void CPictureGroup::OnPicLabelSelected(int groupId, int number, bool selected)
{
    const uint id = static_cast<uint>(groupId);
    auto it = m_mapFlags.find(id);
    if (it == m_mapFlags.end())
        return;
    const int index = PictureOffset(id) + number - 1;
    if (index >= 0 && index < it.value().size())
        it.value()[index] = selected;
}

void CPictureGroup::OnMoveToNext()
{
    QList<CPicLabel*> labels;
    for (CPicLabelList* list : std::as_const(m_mapLists)) {
        QList<CPicLabel*> own;
        list->GetPicLabels(&own);
        labels.append(own);
    }
    for (int i = 0; i < labels.size(); ++i) {
        if (!labels.at(i)->IsSelected())
            continue;
        // The grids are walked in id order, so the next label is the next in its grid or the first of the
        // next non-empty grid.
        if (i + 1 < labels.size()) {
            labels.at(i)->SetSelected(false);
            labels.at(i + 1)->SetSelected(true);
        }
        return;
    }
}

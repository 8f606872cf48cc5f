#include "widgets/thumbnails/CPicLabelList.h"

#include "widgets/thumbnails/CPicLabel.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSpacerItem>

namespace {
const int kGap = 5;

bool CtrlAlone(Qt::KeyboardModifiers modifiers)
{
    return modifiers == Qt::ControlModifier;
}
} // namespace

CPicLabelList::CPicLabelList(int picWidth, int picHeight, uint listId, QWidget* parent)
    : QFrame(parent), m_nListId(listId), m_nPicWidth(picWidth), m_nPicHeight(picHeight)
{
    setObjectName(QStringLiteral("CPicLabelList"));
}

CPicLabelList::~CPicLabelList() = default;

QList<uint> CPicLabelList::SetPictures(const QStringList& paths)
{
    m_listPaths = paths;
    for (int i = 0; i < paths.size(); ++i)
        m_listNumbers.append(m_listNumbers.isEmpty() ? 1u : m_listNumbers.last() + 1);
    m_nPicCount = static_cast<int>(m_listNumbers.size());
    LayoutPages();
    return m_listNumbers;
}

void CPicLabelList::SetSelectionFlags(const QList<bool>& flags)
{
    m_listFlags = flags;
}

void CPicLabelList::LayoutPages()
{
    const int W = width();
    const int H = height();
    if (m_nPicCount == 0 || W < m_nPicWidth + 10 || H < m_nPicHeight + kGap)
        return;
    const int cols = W / (m_nPicWidth + kGap);
    const int perPage = cols * (H / (m_nPicHeight + kGap));

    m_listPages.clear();
    for (int first = 0; first < m_nPicCount; first += perPage) {
        PAGE_INFO info;
        info.nColumns = cols;
        info.listNumbers = m_listNumbers.mid(first, perPage);
        m_listPages.append(info);
    }
    m_nPageCount = static_cast<int>(m_listPages.size());
    if (m_nCurPage > m_nPageCount)
        m_nCurPage = m_nPageCount;
    emit SignalSetPageInfo(static_cast<uint>(m_nPageCount), static_cast<uint>(m_nCurPage));
}

void CPicLabelList::ShowPage(uint page)
{
    if (page == 0 || page > static_cast<uint>(m_nPageCount))
        return;
    m_listPressSnapshot.clear();
    m_pLastClicked = nullptr;
    // The labels may be on the call stack of one of their own signals: let the event loop delete them.
    for (CPicLabel* label : std::as_const(m_listLabels)) {
        label->hide();
        label->deleteLater();
    }
    m_listLabels.clear();
    delete m_pGridLayout;
    m_pGridLayout = nullptr;
    m_nCurPage = static_cast<int>(page);
    BuildPage(m_listPages.at(m_nCurPage - 1));
}

void CPicLabelList::OnShowPage(uint page)
{
    ShowPage(page);
}

void CPicLabelList::BuildPage(const PAGE_INFO& page)
{
    auto* grid = new QGridLayout;
    grid->setSpacing(kGap);
    grid->setContentsMargins(kGap, kGap, kGap, kGap);
    const int cols = page.nColumns;
    const int count = static_cast<int>(page.listNumbers.size());
    for (int i = 0; i < count; ++i) {
        const uint number = page.listNumbers.at(i);
        auto* label = new CPicLabel(this);
        m_listLabels.append(label);
        connect(label, &CPicLabel::SignalDoubleClicked, this, &CPicLabelList::SignalLabelDbClicked);
        connect(label, &CPicLabel::SignalPicLabelClicked, this, &CPicLabelList::SignalLabelClicked);
        connect(label, &CPicLabel::SignalPicLabelClicked, this, &CPicLabelList::OnPicLabelClicked);
        label->setFixedSize(m_nPicWidth, m_nPicHeight); // first, so the picture is decoded once, at its size
        label->SetPicInfo(number, m_listPaths.value(static_cast<int>(number) - 1));
        label->setToolTip(m_tips.value(m_listPaths.value(static_cast<int>(number) - 1)));
        grid->addWidget(label, i / cols, i % cols, Qt::AlignLeft | Qt::AlignTop);
        // The spare width goes right of the last column, so the columns keep even gaps.
        if (i % cols == cols - 1 || i == count - 1)
            grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), i / cols,
                          cols);
        label->SetSelected(m_listFlags.value(static_cast<int>(number) - 1, false));
        // A page may be built while the list is already shown; new children stay hidden unless asked.
        label->show();
    }
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), count / cols + 1, 0);
    m_pGridLayout = grid;
    setLayout(grid);
}

bool CPicLabelList::GetPicLabels(QList<CPicLabel*>* out) const
{
    if (!out)
        return false;
    *out = m_listLabels;
    return true;
}

void CPicLabelList::GetPathList(QStringList* out) const
{
    if (out)
        *out = m_listPaths;
}

void CPicLabelList::SetLabelSelected(CPicLabel* label, bool selected)
{
    label->SetSelected(selected);
    const int number = static_cast<int>(label->GetId());
    if (number >= 1 && number <= m_listFlags.size())
        m_listFlags[number - 1] = selected;
    emit SignalPicLabelSelected(static_cast<int>(m_nListId), number, selected);
}

void CPicLabelList::ClearSelection()
{
    for (CPicLabel* label : std::as_const(m_listLabels))
        SetLabelSelected(label, false);
}

void CPicLabelList::SelectAll()
{
    for (CPicLabel* label : std::as_const(m_listLabels))
        SetLabelSelected(label, true);
}

void CPicLabelList::OnPicLabelClicked()
{
    m_pLastClicked = qobject_cast<CPicLabel*>(sender());
}

void CPicLabelList::mousePressEvent(QMouseEvent* event)
{
    m_bPressed = true;
    m_ptPress = event->position().toPoint();
    m_ptCurrent = m_ptPress;
    const bool onLast = m_pLastClicked && m_listLabels.contains(m_pLastClicked) &&
                        m_pLastClicked->geometry().contains(m_ptPress);
    if (!CtrlAlone(event->modifiers())) {
        // The group has already cleared every grid for a plain click; only the pressed thumbnail is added.
        if (onLast)
            SetLabelSelected(m_pLastClicked, true);
    } else {
        CPicLabel* toggled = onLast ? m_pLastClicked : nullptr;
        if (toggled) {
            if (toggled->IsSelected()) {
                SetLabelSelected(toggled, false);
                m_listPressSnapshot.append(toggled);
            } else {
                SetLabelSelected(toggled, true);
            }
        }
        for (CPicLabel* label : std::as_const(m_listLabels)) {
            if (label != toggled && label->IsSelected())
                m_listPressSnapshot.append(label);
        }
    }
    QFrame::mousePressEvent(event);
}

void CPicLabelList::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bPressed) {
        const QPoint pos = event->position().toPoint();
        const QRect band = QRect(m_ptPress, pos).normalized();
        const bool ctrl = CtrlAlone(event->modifiers());
        for (CPicLabel* label : std::as_const(m_listLabels)) {
            const bool inBand = label->geometry().intersects(band);
            SetLabelSelected(label, inBand);
            // With Ctrl the band toggles what was selected before the press.
            if (ctrl && m_listPressSnapshot.contains(label))
                SetLabelSelected(label, !inBand);
        }
        m_ptCurrent = pos;
        if (m_ptCurrent.x() < 0)
            m_ptCurrent.setX(0);
        else if (m_ptCurrent.x() > width())
            m_ptCurrent.setX(width() - 2);
        if (m_ptCurrent.y() < 0)
            m_ptCurrent.setY(0);
        else if (m_ptCurrent.y() > height())
            m_ptCurrent.setY(height() - 2);
        update();
    }
    QFrame::mouseMoveEvent(event);
}

void CPicLabelList::mouseReleaseEvent(QMouseEvent* event)
{
    m_bPressed = false;
    m_listPressSnapshot.clear();
    update();
    QFrame::mouseReleaseEvent(event);
}

void CPicLabelList::paintEvent(QPaintEvent* event)
{
    if (m_bPressed) {
        QPainter painter(this);
        painter.setPen(QPen(QBrush(Qt::yellow), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawRect(QRect(m_ptPress, m_ptCurrent).normalized());
    }
    QFrame::paintEvent(event);
}

void CPicLabelList::resizeEvent(QResizeEvent* event)
{
    LayoutPages();
    QFrame::resizeEvent(event);
}

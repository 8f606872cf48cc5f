#include "widgets/thumbnails/CPageInfo.h"

#include "widgets/dialogs/CPushButton.h"

#include <QHBoxLayout>
#include <QSpacerItem>

namespace {
const char* const kHoverRule =
    "QPushButton:hover{border-image:url(:/images/button/button_hover.png); color: rgb(0, 0, 0); }";
const char* const kPlainRule =
    "QPushButton{border-image:url(:/images/button/button.png); border: none; color: rgb(121, 121, 121);}";
// The application's buttons keep 6 pixels of padding at each side: a 20-pixel page button would have no room
// left for its digit.
const char* const kNoPaddingRule = "QPushButton{padding: 0px;}";
} // namespace

CPageInfo::CPageInfo(QWidget* parent) : QFrame(parent)
{
    m_pLayout = new QHBoxLayout(this);
    m_pLayout->setContentsMargins(0, 2, 0, 2);
    m_pSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_pLayout->addItem(m_pSpacer);

    m_pBtnPrevious = new CPushButton(tr("Previous"), this);
    m_pLayout->addWidget(m_pBtnPrevious);
    connect(m_pBtnPrevious, &QPushButton::clicked, this, &CPageInfo::ClickedPrior);
    for (CPushButton*& button : m_pBtnPages) {
        button = new CPushButton(this);
        button->setFixedSize(20, 20);
        m_pLayout->addWidget(button);
        connect(button, &QPushButton::clicked, this, &CPageInfo::ClickPage);
    }
    m_pBtnNext = new CPushButton(tr("Next"), this);
    m_pLayout->addWidget(m_pBtnNext);
    connect(m_pBtnNext, &QPushButton::clicked, this, &CPageInfo::ClickedNext);

    resize(215, 31);
    HideAll();
}

CPageInfo::~CPageInfo() = default;

void CPageInfo::SetPlain(CPushButton* button)
{
    button->setStyleSheet(QString::fromLatin1(kNoPaddingRule) + QString::fromLatin1(kPlainRule) +
                          QStringLiteral("    ") + QString::fromLatin1(kHoverRule));
}

void CPageInfo::SetHighlighted(CPushButton* button)
{
    button->setStyleSheet(QString::fromLatin1(kNoPaddingRule) + QString::fromLatin1(kHoverRule));
}

int CPageInfo::SetPageCount(uint count)
{
    m_nPageCount = count;
    return 0;
}

int CPageInfo::SetPage(uint page)
{
    if (page == 0 || page > m_nPageCount)
        return -1;
    const uint block = (page - 1) / kPageButtons;
    const uint lastBlock = (m_nPageCount - 1) / kPageButtons;
    for (CPushButton* button : m_pBtnPages)
        button->hide();
    m_pBtnNext->setVisible(block < lastBlock);
    m_pBtnPrevious->setVisible(block >= 1);
    for (int i = 0; i < kPageButtons; ++i) {
        const uint number = block * kPageButtons + static_cast<uint>(i) + 1;
        if (number > m_nPageCount)
            break;
        m_pBtnPages[i]->setText(QString::number(number));
        SetPlain(m_pBtnPages[i]);
        m_pBtnPages[i]->show();
    }
    m_nHighlighted = static_cast<int>((page - 1) % kPageButtons);
    SetHighlighted(m_pBtnPages[m_nHighlighted]);
    m_nCurPage = page;
    emit SignalShowPage(page);
    return 0;
}

void CPageInfo::HideAll()
{
    for (CPushButton* button : m_pBtnPages)
        button->hide();
    m_pBtnPrevious->hide();
    m_pBtnNext->hide();
}

void CPageInfo::ClickPage()
{
    int position = -1;
    for (int i = 0; i < kPageButtons; ++i) {
        if (m_pBtnPages[i] == sender())
            position = i;
    }
    if (position < 0 || position == m_nHighlighted)
        return;
    if (m_nHighlighted >= 0)
        SetPlain(m_pBtnPages[m_nHighlighted]);
    SetHighlighted(m_pBtnPages[position]);
    m_nHighlighted = position;
    m_nCurPage = m_pBtnPages[position]->text().toUInt();
    emit SignalShowPage(m_nCurPage);
}

void CPageInfo::ClickedNext()
{
    const int block = (static_cast<int>(m_nCurPage) - 1) / kPageButtons;
    const int first = (block + 1) * kPageButtons + 1;
    SetPage(static_cast<uint>(first));
}

void CPageInfo::ClickedPrior()
{
    const int block = (static_cast<int>(m_nCurPage) - 1) / kPageButtons;
    const int first = (block - 1) * kPageButtons + 1;
    if (first >= 1)
        SetPage(static_cast<uint>(first));
}

#include "widgets/thumbnails/CTitleBar.h"

#include "widgets/dialogs/CPushButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>

namespace {
const char* const kArrowUp = ":/images/public/TreeView/TreeArrowUp.png";
const char* const kArrowDown = ":/images/public/TreeView/TreeArrowDown.png";
} // namespace

CTitleBar::CTitleBar(int height, const QString& caption, uint panelId, QWidget* parent)
    : QFrame(parent), m_nPanelId(panelId)
{
    Q_UNUSED(height);
    setObjectName(QStringLiteral("CTitleBar"));
    setStyleSheet(QStringLiteral("QFrame#CTitleBar{background-color: rgb(193, 193, 193);}"));

    m_pLabelCaption = new QLabel(caption, this);
    m_pLabelCaption->setObjectName(QStringLiteral("label"));
    m_pLabelCaption->setToolTip(caption);

    m_pLayout = new QHBoxLayout(this);
    m_pLayout->setSpacing(3);
    m_pLayout->setContentsMargins(6, 0, 6, 0);
    m_pLayout->addWidget(m_pLabelCaption);
    m_pLayout->addItem(new QSpacerItem(6, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_pBtnExpand = new CPushButton(this);
    m_pBtnExpand->setFixedSize(22, 22);
    m_pBtnExpand->setIcon(QIcon(QString::fromLatin1(kArrowUp)));
    m_pLayout->addWidget(m_pBtnExpand);
    connect(m_pBtnExpand, &QPushButton::clicked, this, &CTitleBar::SignalExpandBtnClicked);
}

CTitleBar::~CTitleBar() = default;

void CTitleBar::SetExpanded(bool expanded)
{
    m_pBtnExpand->setIcon(QIcon(QString::fromLatin1(expanded ? kArrowUp : kArrowDown)));
}

void CTitleBar::AddButton(int buttonId, const QString& text, const QString& toolTip, const QIcon& icon)
{
    auto* button = new CPushButton(this);
    button->setFixedSize(32, 24);
    if (!icon.isNull())
        button->setIcon(icon);
    if (!text.isEmpty())
        button->setText(text);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    m_pLayout->insertWidget(m_pLayout->indexOf(m_pBtnExpand), button);
    m_mapButtons.insert(buttonId, button);
    connect(button, &QPushButton::clicked, this, &CTitleBar::OnBtnClicked);
}

void CTitleBar::SetButtonEnabled(int buttonId, bool enabled)
{
    if (QPushButton* button = m_mapButtons.value(buttonId, nullptr))
        button->setEnabled(enabled);
}

void CTitleBar::OnBtnClicked()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    for (auto it = m_mapButtons.cbegin(); it != m_mapButtons.cend(); ++it) {
        if (it.value() == button) {
            emit SignalBtnClicked(it.key(), m_nPanelId);
            return;
        }
    }
}

void CTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    emit SignalDbClicked(m_nPanelId);
}

void CTitleBar::enterEvent(QEnterEvent* event)
{
    emit SignalEnter();
    QFrame::enterEvent(event);
}

void CTitleBar::leaveEvent(QEvent* event)
{
    emit SignalLeave();
    QFrame::leaveEvent(event);
}

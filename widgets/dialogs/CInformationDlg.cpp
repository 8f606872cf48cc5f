#include "widgets/dialogs/CInformationDlg.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>

namespace {

constexpr Qt::WindowFlags kNoticeFlags = Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

QPointer<CInformationDlg>& TheNotice()
{
    // Guarded: the parent the notice was given deletes it with itself, and the next use makes a new one.
    static QPointer<CInformationDlg> notice;
    return notice;
}

} // namespace

CInformationDlg::CInformationDlg(QWidget* parent, bool buildContent)
    : QFrame(parent, kNoticeFlags), m_timer(this)
{
    setObjectName(QStringLiteral("m_this"));
    setStyleSheet(QStringLiteral("QFrame#m_this{background: rgb(15, 15, 15); border: 2px solid gray;}"));
    // A notice must not take the keyboard from the field the operator is typing in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(kWidth, kHeight);
    connect(&m_timer, &QTimer::timeout, this, &CInformationDlg::HideWnd);
    if (!buildContent)
        return;

    auto* grid = new QGridLayout(this);
    const QString textStyle = QStringLiteral("background-color: transparent; border:none; color: white;");
    m_pTextEdit = new QTextEdit(this);
    m_pTextEdit->setObjectName(QStringLiteral("m_pTextEdit"));
    m_pTextEdit->setStyleSheet(textStyle);
    m_pTextEdit->setReadOnly(true);
    m_pTextEdit->setTextInteractionFlags(Qt::NoTextInteraction);
    grid->addWidget(m_pTextEdit, 0, 0);
    m_pLabel = new QLabel(this);
    m_pLabel->setObjectName(QStringLiteral("m_pLabel"));
    m_pLabel->setStyleSheet(textStyle);
    m_pLabel->setAlignment(Qt::AlignCenter);
    m_pLabel->setWordWrap(true);
    // Texts carry names that recorders and operators chose: shown as typed, never read as markup.
    m_pLabel->setTextFormat(Qt::PlainText);
    grid->addWidget(m_pLabel, 1, 0);
}

CInformationDlg::~CInformationDlg() = default;

bool CInformationDlg::FitsLabel(int textWidth)
{
    return textWidth + 15 < kWidth;
}

void CInformationDlg::SetText(const QString& text)
{
    if (m_pLabel == nullptr || m_pTextEdit == nullptr)
        return;
    if (FitsLabel(QFontMetrics(m_pLabel->font()).horizontalAdvance(text))) {
        // A long text before left the label aligned for an empty line.
        m_pLabel->setAlignment(Qt::AlignCenter);
        m_pLabel->setText(text);
        m_pLabel->show();
        m_pTextEdit->clear();
        m_pTextEdit->hide();
    } else {
        m_pTextEdit->setPlainText(text);
        m_pTextEdit->show();
        m_pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_pLabel->clear();
        m_pLabel->hide();
    }
}

void CInformationDlg::SetAnchor(int x, int y)
{
    m_anchor = QPoint(x, y);
    MoveToAnchor();
}

void CInformationDlg::MoveToAnchor()
{
    if (m_anchor)
        move(m_anchor->x() - width() + 1, m_anchor->y() - height() + 1);
}

void CInformationDlg::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (!m_anchor)
        return;
    MoveToAnchor();
    m_anchor.reset();
}

void CInformationDlg::Present(const QString& text)
{
    SetText(text);
    show();
    raise();
    m_timer.start(kHideMs);
}

void CInformationDlg::ShowInfo(const QString& text)
{
    QWidget* parent = parentWidget();
    if (parent == nullptr || parent->screen() == nullptr)
        return;
    const QRect area = parent->screen()->availableGeometry();
    SetAnchor(area.right(), area.bottom());
    Present(text);
}

void CInformationDlg::HideWnd()
{
    // The timer keeps running while the cursor rests on the notice: the next look comes 3000 ms later.
    if (isVisible() && frameGeometry().contains(QCursor::pos()))
        return;
    hide();
    m_timer.stop();
}

CInformationDlg* CInformationDlg::Instance()
{
    QPointer<CInformationDlg>& notice = TheNotice();
    if (notice.isNull())
        notice = new CInformationDlg(nullptr, true);
    return notice.data();
}

void CInformationDlg::SetParentWnd(QWidget* parent)
{
    CInformationDlg* notice = Instance();
    // A new parent hides the notice and resets its flags: it stays a frameless window on top, and the same
    // parent again leaves a shown notice alone.
    if (notice->parentWidget() != parent)
        notice->setParent(parent, kNoticeFlags);
}

void CInformationDlg::ShowText(const QString& text)
{
    Instance()->ShowInfo(text);
}

void CInformationDlg::ShowTextAt(const QString& text, const QPoint& corner)
{
    CInformationDlg* notice = Instance();
    if (notice->parentWidget() == nullptr)
        return;
    notice->SetAnchor(corner.x(), corner.y());
    notice->Present(text);
}

void CInformationDlg::ShowTextInCorner(const QString& text, QWidget* parent)
{
    if (parent == nullptr)
        return;
    SetParentWnd(parent);
    Instance()->ShowInfo(text);
}

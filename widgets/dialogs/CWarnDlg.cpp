#include "widgets/dialogs/CWarnDlg.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QTextBlockFormat>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

void CWarnDlgClass::setupUi(QFrame* frame)
{
    m_pBrowserTxt = new QTextBrowser(frame);
    m_pBrowserTxt->setObjectName(QStringLiteral("m_pBrowserTxt"));
    m_pBrowserTxt->setGeometry(50, 30, 141, 61);
    m_pBrowserTxt->setFrameShape(QFrame::NoFrame);
    m_pBrowserTxt->setTextInteractionFlags(Qt::NoTextInteraction);
    m_pBrowserTxt->setOpenLinks(false);
    // The box grows to the text's height, so a scroll bar would only steal width from the wrapped text.
    m_pBrowserTxt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pBrowserTxt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CWarnDlg::CWarnDlg(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    m_ui.setupUi(GetContentFrame());
    m_ui.m_pBrowserTxt->setStyleSheet(QStringLiteral("background-color: transparent;"));
    m_ui.m_pBrowserTxt->document()->setDefaultFont(QFont(QStringLiteral("Arial"), 9));
    m_ui.m_pBrowserTxt->setFont(QFont(QStringLiteral("Arial"), 9));
    SetText(QString());
    connect(m_ui.m_pBrowserTxt->document()->documentLayout(),
            &QAbstractTextDocumentLayout::documentSizeChanged, this, &CWarnDlg::TextNeededSize);
}

CWarnDlg::~CWarnDlg() = default;

CWarnDlg::TEXT_SIZE CWarnDlg::SizeForTextWidth(int textWidth)
{
    const int w = textWidth + 15;
    if (w + 10 <= kMinWidth - kMargin)
        return {kMinWidth, w};
    if (w + 10 < kMaxWidth - kMargin)
        return {w + 10 + kMargin, w};
    return {kMaxWidth, kMaxWidth - kMargin - 10};
}

void CWarnDlg::AdjustToText(const QString& text)
{
    const QFontMetrics metrics(m_ui.m_pBrowserTxt->font());
    const TEXT_SIZE size = SizeForTextWidth(metrics.horizontalAdvance(text));
    resize(size.boxWidth, kHeight);
    m_ui.m_pBrowserTxt->setFixedWidth(size.browserWidth);
}

void CWarnDlg::SetText(const QString& text)
{
    // Messages carry names that recorders and operators chose: shown as typed, never read as markup.
    m_ui.m_pBrowserTxt->setPlainText(text);
    // Every paragraph centred.
    QTextCursor cursor(m_ui.m_pBrowserTxt->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
}

int CWarnDlg::Exec(const QString& title, const QString& text, bool confirm)
{
    AdjustToText(text);
    ShowCloseBtn(true);
    ShowBottomBar(confirm);
    SetTitle(title);
    SetText(text);
    return exec();
}

int CWarnDlg::ExecInfo(const QString& title, const QString& text)
{
    return Exec(title, text, false);
}

int CWarnDlg::ExecConfirm(const QString& title, const QString& text)
{
    return Exec(title, text, true);
}

void CWarnDlg::ChangeText(const QString& text)
{
    AdjustToText(text);
    SetText(text);
}

void CWarnDlg::TextNeededSize(const QSizeF& size)
{
    QTextBrowser* browser = m_ui.m_pBrowserTxt;
    QFrame* frame = GetContentFrame();
    // Before the box is shown its content frame has not been laid out: its height would mean nothing.
    if (browser->parentWidget() == nullptr || browser->document() == nullptr || frame == nullptr ||
        !isVisible())
        return;
    const int needed = int(size.height() + 10);
    browser->setFixedHeight(needed);
    const int frameHeight = frame->height();
    if (needed <= frameHeight) {
        browser->move(frame->width() / 2 - browser->width() / 2, frameHeight / 2 - browser->height() / 2);
    } else {
        resize(width(), height() + (needed - frameHeight) + 30);
        browser->move(frame->width() / 2 - browser->width() / 2, 15);
    }
}

void CWarnDlg::showEvent(QShowEvent* event)
{
    CBaseDialog::showEvent(event);
    TextNeededSize(m_ui.m_pBrowserTxt->document()->documentLayout()->documentSize());
}

void CWarnDlg::closeEvent(QCloseEvent* event)
{
    // Hiding ends exec() with the result it started with (0), without the toolkit's rejection handling.
    hide();
    event->ignore();
}

int ShowInfoMsgBox(const QString& title, const QString& text, QWidget* parent)
{
    if (parent == nullptr)
        return -1;
    CWarnDlg box(parent);
    return box.ExecInfo(title, text);
}

int ShowConfirmMsgBox(const QString& title, const QString& text, QWidget* parent)
{
    if (parent == nullptr)
        return -1;
    CWarnDlg box(parent);
    return box.ExecConfirm(title, text);
}

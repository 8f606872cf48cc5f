#include "widgets/dialogs/CBaseDialog.h"

#include "widgets/GuiUtility.h"
#include "widgets/ScreenPlacement.h"
#include "widgets/dialogs/CPushButton.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QSpacerItem>
#include <QWindow>

namespace {

const char* const kBarStyle =
    "QDialog#CBaseDialogClass{border-image:url(\":/images/Dialog/dialog_bg.png\") 58;\n"
    "border-width:58;}";
const char* const kNoBarStyle =
    "QDialog#CBaseDialogClass{border-image:url(\":/images/Dialog/dialog_bg2.png\") 34 6 16 6;\n"
    "border-width:34 6 16 6;}";

} // namespace

void CBaseDialogClass::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("CBaseDialogClass"));
    dialog->resize(437, 327);
    dialog->setMinimumSize(0, 150);

    m_pgridBaseDialog = new QGridLayout(dialog);
    m_pgridBaseDialog->setObjectName(QStringLiteral("m_pgridBaseDialog"));
    m_pgridBaseDialog->setVerticalSpacing(0);
    m_pgridBaseDialog->setContentsMargins(6, 3, 6, 5);

    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    pLabelTitle = new QLabel(dialog);
    pLabelTitle->setObjectName(QStringLiteral("pLabelTitle"));
    pLabelTitle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    pLabelTitle->setMinimumSize(100, 30);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setBold(true);
    pLabelTitle->setFont(titleFont);
    pLabelTitle->setStyleSheet(QStringLiteral("QLabel#pLabelTitle{color: rgb(255, 255, 255);}"));
    pLabelTitle->setAlignment(Qt::AlignCenter);
    horizontalLayout->addWidget(pLabelTitle);

    m_pCloseBtn = new CPushButton(dialog);
    m_pCloseBtn->setObjectName(QStringLiteral("m_pCloseBtn"));
    m_pCloseBtn->setMinimumSize(20, 20);
    m_pCloseBtn->setMaximumSize(20, 20);
    m_pCloseBtn->setFocusPolicy(Qt::NoFocus);
    m_pCloseBtn->setIconSize(QSize(20, 20));
    m_pCloseBtn->setStyleSheet(QStringLiteral(
        "QPushButton{border: none;margin:0px;border-image:url(:/images/title/close.png); }\n"
        "QPushButton:hover{border: none;margin:0px;border-image:url(:/images/title/close_hover.png); }"));
    horizontalLayout->addWidget(m_pCloseBtn);
    m_pgridBaseDialog->addLayout(horizontalLayout, 0, 0);

    m_pContentFrame = new QFrame(dialog);
    m_pContentFrame->setObjectName(QStringLiteral("m_pContentFrame"));
    m_pContentFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pContentFrame->setMinimumWidth(100);
    m_pContentFrame->setFocusPolicy(Qt::NoFocus);
    m_pContentFrame->setStyleSheet(QStringLiteral("QFrame#m_pContentFrame\n{\n\tborder:none;\n}"));
    m_pContentFrame->setFrameShape(QFrame::StyledPanel);
    m_pContentFrame->setFrameShadow(QFrame::Raised);
    m_pgridBaseDialog->addWidget(m_pContentFrame, 1, 0);

    m_pBottomFrame = new QFrame(dialog);
    m_pBottomFrame->setObjectName(QStringLiteral("m_pBottomFrame"));
    m_pBottomFrame->setMaximumHeight(52);
    m_pBottomFrame->setFrameShape(QFrame::StyledPanel);
    m_pBottomFrame->setFrameShadow(QFrame::Raised);
    gridLayout_2 = new QGridLayout(m_pBottomFrame);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    gridLayout_2->addItem(new QSpacerItem(10, 25, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 0);
    pOkBtn = new CPushButton(m_pBottomFrame);
    pOkBtn->setObjectName(QStringLiteral("pOkBtn"));
    pOkBtn->setMinimumSize(80, 24);
    gridLayout_2->addWidget(pOkBtn, 0, 1);
    pCancelBtn = new CPushButton(m_pBottomFrame);
    pCancelBtn->setObjectName(QStringLiteral("pCancelBtn"));
    pCancelBtn->setMinimumSize(80, 24);
    gridLayout_2->addWidget(pCancelBtn, 0, 2);
    m_pgridBaseDialog->addWidget(m_pBottomFrame, 2, 0);

    retranslateUi(dialog);
}

void CBaseDialogClass::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("CBaseDialogClass", "Dialog"));
    pOkBtn->setText(QCoreApplication::translate("CBaseDialogClass", "OK"));
    pCancelBtn->setText(QCoreApplication::translate("CBaseDialogClass", "Cancel"));
}

CBaseDialog::CBaseDialog(QWidget* parent, bool bottomBar, bool showOk, bool showCancel) : QDialog(parent)
{
    ui.setupUi(this);
    ui.m_pCloseBtn->hide();
    if (!bottomBar) {
        ui.m_pBottomFrame->hide();
        ui.m_pgridBaseDialog->setContentsMargins(6, 4, 6, 11);
        setStyleSheet(QString::fromLatin1(kNoBarStyle));
    } else {
        setStyleSheet(QString::fromLatin1(kBarStyle));
    }
    if (!showOk)
        ui.pOkBtn->hide();
    if (!showCancel)
        ui.pCancelBtn->hide();
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    connect(ui.pCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.pOkBtn, &QPushButton::clicked, this, &CBaseDialog::on_pOkBtn_clicked);
    connect(ui.m_pCloseBtn, &QPushButton::clicked, this, &CBaseDialog::on_m_pCloseBtn_clicked);
}

CBaseDialog::~CBaseDialog() = default;

void CBaseDialog::SetTitle(const QString& title)
{
    ui.pLabelTitle->setText(title);
    // The frameless window still has a name for the task bar and for accessibility.
    setWindowTitle(title);
}

QString CBaseDialog::GetTitle() const
{
    return ui.pLabelTitle->text();
}

void CBaseDialog::ShowCloseBtn(bool show)
{
    ui.m_pCloseBtn->setVisible(show);
}

void CBaseDialog::ShowOkBtn(bool show)
{
    ui.pOkBtn->setVisible(show);
}

void CBaseDialog::ShowBottomBar(bool show)
{
    ui.pOkBtn->setVisible(show);
    ui.pCancelBtn->setVisible(show);
    ui.m_pBottomFrame->setVisible(show);
    setStyleSheet(QString::fromLatin1(show ? kBarStyle : kNoBarStyle));
}

void CBaseDialog::SetOkBtnAccept(bool accept)
{
    m_bOkAccept = accept;
}

void CBaseDialog::SetCloseBtnClose(bool close)
{
    m_bCloseClose = close;
}

bool CBaseDialog::SetContentWidget(QWidget* widget)
{
    if (widget == nullptr)
        return false;
    if (m_pContentLayout == nullptr)
        m_pContentLayout = new QGridLayout(ui.m_pContentFrame);
    m_pContentLayout->setContentsMargins(0, 0, 0, 0);
    m_pContentLayout->addWidget(widget);
    return true;
}

QFrame* CBaseDialog::GetContentFrame() const
{
    return ui.m_pContentFrame;
}

void CBaseDialog::SetOkBtnText(const QString& text)
{
    ui.pOkBtn->setText(text);
}

void CBaseDialog::SetCancelBtnText(const QString& text)
{
    ui.pCancelBtn->setText(text);
}

void CBaseDialog::SetOkBtnEnable(bool enable)
{
    ui.pOkBtn->setEnabled(enable);
}

void CBaseDialog::on_pOkBtn_clicked()
{
    TakeTypedValue();
    if (m_bOkAccept)
        accept();
    else
        Q_EMIT ClickedOKBtnSig();
}

void CBaseDialog::on_m_pCloseBtn_clicked()
{
    if (m_bCloseClose)
        close();
    else
        Q_EMIT ClickedCloseBtnSig();
}

void CBaseDialog::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (pos.y() < kDragStripHeight)
        m_bDrag = 1;
    m_pressPos = pos;
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    m_bDrag = 0;
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDrag == 0)
        return;
    const QPoint global = AdjustPosToScreen(event->globalPosition().toPoint());
    move(global - m_pressPos);
}

void CBaseDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    if (IsAcceptKey(event)) {
        // Here only after the focused widget has had the key and left it: an editor has taken its typed text,
        // an open list chose its item and kept the key. The OK path follows, so a dialog that checks its
        // fields first is not bypassed by the keyboard. The toolkit's own handling is not called: it would
        // click a default button after the dialog has already ended.
        on_pOkBtn_clicked();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBaseDialog::LeaveAcceptKeysToContent()
{
    m_bContentKeepsAcceptKeys = true;
}

void CBaseDialog::TakeTypedValue()
{
    // A spin or date-time editor holds what is typed into it as text until its own Return or the loss of its
    // focus takes it; a click on OK that does not move the focus (the OK of a test, a button without focus)
    // would otherwise check and store the value from before the typing.
    for (QWidget* widget = focusWidget(); widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        if (auto* editor = qobject_cast<QAbstractSpinBox*>(widget)) {
            editor->interpretText();
            return;
        }
    }
}

bool CBaseDialog::IsAcceptKey(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
}

void CBaseDialog::resizeEvent(QResizeEvent* event)
{
    setMask(GetRoundRectRegion(rect(), 2));
    QDialog::resizeEvent(event);
}

void CBaseDialog::showEvent(QShowEvent* event)
{
    // The toolkit centres a dialog that nobody placed on its parent as the toolkit has recorded that parent,
    // which under a window manager may be the screen's origin, and guesses a frame of 10 x 40 pixels round a
    // frameless window. The dialog is centred here instead, on its parent's frame as it stands on the screen.
    const bool automatic = !event->spontaneous() && !testAttribute(Qt::WA_Moved) && isWindow();
    QDialog::showEvent(event);
    // A page embedded in the dialog (the settings' pages are plain dialogs) would end Return and Enter in its
    // own key handling, which only looks for a default button; they go on to this dialog's OK path instead.
    // Not so for a content whose default button is its own choice (the file picker's Save, greyed until a
    // name is given): there the toolkit's rule is the one the operator expects.
    const QList<QDialog*> pages = findChildren<QDialog*>();
    for (QDialog* page : pages)
        if (!page->isWindow() && !m_bContentKeepsAcceptKeys)
            page->installEventFilter(this);
    if (!automatic)
        return;
    QWidget* parent = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    move(PlaceOverParent(parent, WindowFrameSize(this)));
    // Placed by the program, not by the operator: the next showing is centred again.
    setAttribute(Qt::WA_Moved, false);
    if (QWindow* handle = windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
        m_bPlacePending = true;
    }
}

bool CBaseDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Reached only when the focused widget within the page left the key: it goes on to the page's parents.
    if (event->type() == QEvent::KeyPress && watched != windowHandle() &&
        IsAcceptKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    // Once the window manager has framed and shown the dialog, the toolkit's record of its place is read back
    // from the window system, so that what opens over the dialog (boxes, bubbles, lists) opens where it is.
    if (m_bPlacePending && event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        m_bPlacePending = false;
        SyncWindowPlace(this);
    }
    return QDialog::eventFilter(watched, event);
}

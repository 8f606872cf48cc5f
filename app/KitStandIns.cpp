// TEMPORARY: see KitStandIns.h; replaced when the widget kit is built.

#include "app/KitStandIns.h"

#include "widgets/dialogs/CPushButton.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QStyleFactory>

CBaseDialog::CBaseDialog(QWidget* parent, bool bottomBar, bool showOk, bool showCancel) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setStyleSheet(QStringLiteral("QDialog{background:rgb(240,240,240);border:1px solid rgb(60,70,90);}"));
    auto* layout = new QGridLayout(this);
    m_pLabelTitle = new QLabel(this);
    m_pCloseBtn = new CPushButton(QStringLiteral("x"), this);
    m_pCloseBtn->setFixedSize(20, 20);
    m_pCloseBtn->hide();
    m_pContentFrame = new QFrame(this);
    m_pOkBtn = new CPushButton(tr("OK"), this);
    m_pCancelBtn = new CPushButton(tr("Cancel"), this);
    layout->addWidget(m_pLabelTitle, 0, 0);
    layout->addWidget(m_pCloseBtn, 0, 2);
    layout->addWidget(m_pContentFrame, 1, 0, 1, 3);
    layout->addWidget(m_pOkBtn, 2, 1);
    layout->addWidget(m_pCancelBtn, 2, 2);
    m_pOkBtn->setVisible(bottomBar && showOk);
    m_pCancelBtn->setVisible(bottomBar && showCancel);
    connect(m_pOkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pCloseBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void CBaseDialog::SetTitle(const QString& title)
{
    m_pLabelTitle->setText(title);
    setWindowTitle(title);
}

QString CBaseDialog::GetTitle() const
{
    return m_pLabelTitle->text();
}

void CBaseDialog::ShowCloseBtn(bool show)
{
    m_pCloseBtn->setVisible(show);
}

void CBaseDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else if (event->key() != Qt::Key_Escape)
        QDialog::keyPressEvent(event);
}

CWarnDlg::CWarnDlg(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    auto* layout = new QGridLayout(GetContentFrame());
    m_pText = new QLabel(GetContentFrame());
    m_pText->setWordWrap(true);
    layout->addWidget(m_pText);
    resize(300, 225);
}

int CWarnDlg::ExecInfo(const QString& title, const QString& text)
{
    SetTitle(title);
    m_pText->setText(text);
    ShowCloseBtn(true);
    return exec();
}

int CWarnDlg::ExecConfirm(const QString& title, const QString& text)
{
    SetTitle(title);
    m_pText->setText(text);
    return exec();
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

void CToolTip::SetFont(const QFont& font)
{
    QApplication::setFont(font, "CToolLabel");
}

COmbrixStyle::COmbrixStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

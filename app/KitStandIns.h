#pragma once

// TEMPORARY: least stand-ins for the widget kit's dialog base, message boxes, tooltip and application style,
// so the shell builds and runs before the kit exists. Replaced when the widget kit is built: the shell then
// includes the kit's own headers and this file goes.

#include <QDialog>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QProxyStyle>

class CPushButton;

class CBaseDialog : public QDialog
{
    Q_OBJECT

public:
    CBaseDialog(QWidget* parent, bool bottomBar, bool showOk, bool showCancel);
    void SetTitle(const QString& title);
    QString GetTitle() const;
    void ShowCloseBtn(bool show);
    QFrame* GetContentFrame() const { return m_pContentFrame; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_pLabelTitle = nullptr;
    CPushButton* m_pCloseBtn = nullptr;
    CPushButton* m_pOkBtn = nullptr;
    CPushButton* m_pCancelBtn = nullptr;
    QFrame* m_pContentFrame = nullptr;
};

class CWarnDlg : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CWarnDlg(QWidget* parent);
    int ExecInfo(const QString& title, const QString& text);
    int ExecConfirm(const QString& title, const QString& text);

private:
    QLabel* m_pText = nullptr;
};

int ShowInfoMsgBox(const QString& title, const QString& text, QWidget* parent);
int ShowConfirmMsgBox(const QString& title, const QString& text, QWidget* parent);

class CToolTip
{
public:
    static void SetFont(const QFont& font);
};

class COmbrixStyle : public QProxyStyle
{
    Q_OBJECT

public:
    COmbrixStyle();
};

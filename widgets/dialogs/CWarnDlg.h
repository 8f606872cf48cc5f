#pragma once

// The program's message box: information (close button only) or confirmation (OK and Cancel). It sizes itself
// to its text: 300 to 400 pixels wide after the text's one-line width, taller when the wrapped text needs it.

#include "widgets/dialogs/CBaseDialog.h"

#include <QSizeF>

class QTextBrowser;

struct CWarnDlgClass
{
    QTextBrowser* m_pBrowserTxt = nullptr;

    void setupUi(QFrame* frame);
};

class CWarnDlg : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CWarnDlg(QWidget* parent = nullptr);
    ~CWarnDlg() override;

    // Runs the box modally; 1 when accepted (Return, or OK of a confirmation), 0 when closed or cancelled.
    int ExecInfo(const QString& title, const QString& text);
    int ExecConfirm(const QString& title, const QString& text);
    // Says something else while it is open (a second disk that failed with the first, say).
    void ChangeText(const QString& text);

    // The box width and the text's width for a text that is `textWidth` pixels wide on one line.
    struct TEXT_SIZE
    {
        int boxWidth;
        int browserWidth;
    };
    static TEXT_SIZE SizeForTextWidth(int textWidth);

    static constexpr int kMinWidth = 300;
    static constexpr int kMaxWidth = 400;
    static constexpr int kMargin = 12;
    static constexpr int kHeight = 225;

public Q_SLOTS:
    void TextNeededSize(const QSizeF& size);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int Exec(const QString& title, const QString& text, bool confirm);
    void AdjustToText(const QString& text);
    void SetText(const QString& text);

    CWarnDlgClass m_ui;
};

// Information box over the parent; -1 and no box without a parent.
int ShowInfoMsgBox(const QString& title, const QString& text, QWidget* parent);
// OK/Cancel box over the parent: 1 for OK, 0 for Cancel or close, -1 and no box without a parent.
int ShowConfirmMsgBox(const QString& title, const QString& text, QWidget* parent);

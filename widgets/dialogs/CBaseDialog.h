#pragma once

// The base of every pop-up dialog: frameless, with its own title strip (title text and a close button), a
// content frame for the concrete dialog's form and an optional bottom bar with OK and Cancel. It is dragged
// by its top 33 pixels, Escape never closes it, and Return or Enter take the OK path once the focused widget
// has left them: a concrete dialog never makes window shortcuts for them, which would run before the focused
// editor or an open list sees the key.

#include <QDialog>
#include <QPoint>

class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class CPushButton;

// The widgets of the dialog's frame, built in code; members are owned by the dialog.
struct CBaseDialogClass
{
    QGridLayout* m_pgridBaseDialog = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QLabel* pLabelTitle = nullptr;
    CPushButton* m_pCloseBtn = nullptr;
    QFrame* m_pContentFrame = nullptr;
    QFrame* m_pBottomFrame = nullptr;
    QGridLayout* gridLayout_2 = nullptr;
    CPushButton* pOkBtn = nullptr;
    CPushButton* pCancelBtn = nullptr;

    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

class CBaseDialog : public QDialog
{
    Q_OBJECT

public:
    CBaseDialog(QWidget* parent = nullptr, bool bottomBar = true, bool showOk = true, bool showCancel = true);
    ~CBaseDialog() override;

    void SetTitle(const QString& title);
    QString GetTitle() const;
    void ShowCloseBtn(bool show);
    void ShowOkBtn(bool show);
    // Shows or hides OK, Cancel and their bar together, with the matching background; the margins stay.
    void ShowBottomBar(bool show);
    // false: OK (and Return or Enter) only emit ClickedOKBtnSig, so the dialog can check its fields first.
    void SetOkBtnAccept(bool accept);
    // false: the close button only emits ClickedCloseBtnSig.
    void SetCloseBtnClose(bool close);
    // Puts the widget into the content frame's grid; false for a null widget.
    bool SetContentWidget(QWidget* widget);
    QFrame* GetContentFrame() const;
    void SetOkBtnText(const QString& text);
    void SetCancelBtnText(const QString& text);

    // The strip at the top by which the dialog is dragged.
    static constexpr int kDragStripHeight = 33;

Q_SIGNALS:
    void leftBtn_clicked();
    void ClickedOKBtnSig();
    void ClickedCloseBtnSig();

public Q_SLOTS:
    void SetOkBtnEnable(bool enable);
    void on_pOkBtn_clicked();
    void on_m_pCloseBtn_clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Return, Enter and Select: the keys that end a dialog the OK way.
    static bool IsAcceptKey(const QKeyEvent* event);
    // Has the focused spin or date-time editor take the text it shows, as its own Return does; the OK path
    // runs it first.
    void TakeTypedValue();
    // For a dialog whose content is a dialog with rules of its own for Return and Enter (the file picker,
    // whose greyed Save must stay greyed): those keys are left to it, and never passed on to this dialog's OK
    // path (the content's default button takes them, or nothing does).
    void LeaveAcceptKeysToContent();

    CBaseDialogClass ui;

private:
    int m_bDrag = 0;
    QPoint m_pressPos;
    QGridLayout* m_pContentLayout = nullptr;
    bool m_bOkAccept = true;
    bool m_bCloseClose = true;
    bool m_bContentKeepsAcceptKeys = false;
    // Shown and not yet exposed: the window manager may still be framing it.
    bool m_bPlacePending = false;
};

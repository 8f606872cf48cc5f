#pragma once

// A small notice that hides itself: a dark 200 x 150 window without a frame that stays on top, showing a
// short text in a label and a longer one in a read-only text view. It hides 3000 ms after it was shown, or,
// while the cursor rests on it, at the first look every 3000 ms after that which finds the cursor gone. One
// instance serves the whole process (the static operations); nothing is shown while it has no parent.

#include <QFrame>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <optional>

class QLabel;
class QTextEdit;

class CInformationDlg : public QFrame
{
    Q_OBJECT

public:
    explicit CInformationDlg(QWidget* parent = nullptr, bool buildContent = true);
    ~CInformationDlg() override;

    // A text `textWidth` pixels wide on one line is shown in the label; a wider one in the text view.
    static bool FitsLabel(int textWidth);
    void SetText(const QString& text);
    // Keeps the notice's bottom-right corner at the global point (x, y), also through the next resize.
    void SetAnchor(int x, int y);
    // Shows the text in the bottom-right corner of the usable area of the parent's screen and starts the
    // hide timer; nothing without a parent.
    virtual void ShowInfo(const QString& text);

    // The process-wide notice, made (with its content) on first use, and again after its parent took it.
    static CInformationDlg* Instance();
    static void SetParentWnd(QWidget* parent);
    static void ShowText(const QString& text);
    // The notice's bottom-right corner at the global point.
    static void ShowTextAt(const QString& text, const QPoint& corner);
    // Over `parent`, in the corner of its screen.
    static void ShowTextInCorner(const QString& text, QWidget* parent);

    static constexpr int kWidth = 200;
    static constexpr int kHeight = 150;
    static constexpr int kHideMs = 3000;

public Q_SLOTS:
    void HideWnd();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void MoveToAnchor();
    void Present(const QString& text);

    QTimer m_timer;
    QTextEdit* m_pTextEdit = nullptr;
    QLabel* m_pLabel = nullptr;
    std::optional<QPoint> m_anchor; // global; used by the next resize, then dropped
};

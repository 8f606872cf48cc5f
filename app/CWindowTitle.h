#pragma once

// The main window's own title bar: icon, title, minimise, full screen/restore and close. Dragging it moves
// the window, a double-click toggles full screen, and the close button asks the window to close (which asks
// the operator first).

#include <QPoint>
#include <QWidget>

class CPushButton;
class QLabel;

class CWindowTitle : public QWidget
{
    Q_OBJECT

public:
    // The parent is also the window the bar acts on.
    explicit CWindowTitle(QWidget* parent);
    ~CWindowTitle() override;

    // The style sheet of the maximise button for the window's state.
    static QString MaxButtonStyle(bool fullScreen);
    // Full screen needs a screen of at least 1024 x 768.
    static bool ScreenAllowsFull(const QSize& screen);

    CPushButton* MaxButton() const { return m_pMaxBtn; }
    CPushButton* CloseButton() const { return m_pCloseBtn; }
    bool IsDragging() const { return m_bPressed; }

public Q_SLOTS:
    void showSmall();
    void ChangSizeToFull();
    void ChaneMaxSizeOrRestore();
    void OnCloseWindow();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool WindowScreenAllowsFull() const;

    bool m_bPressed = false;
    QPoint m_pressGlobal;
    QPoint m_pressOffset;
    QLabel* m_pLabelTitle = nullptr;
    CPushButton* m_pMinBtn = nullptr;
    CPushButton* m_pCloseBtn = nullptr;
    CPushButton* m_pMaxBtn = nullptr;
    CPushButton* m_pIconBtn = nullptr;
    QWidget* m_pWindow = nullptr;
};

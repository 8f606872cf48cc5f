#pragma once

// The tooltip bubble itself: one text in a tool-tip window, which hides itself after a time that grows with
// the text and when the mouse leaves a widget or a window is activated or deactivated. At most one exists.

#include <QBasicTimer>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QRect>

class CToolLabel : public QLabel
{
    Q_OBJECT

public:
    CToolLabel(const QString& text, QWidget* parent);
    ~CToolLabel() override;

    // The bubble on screen, or null.
    static CToolLabel* Instance();
    static QPalette& BubblePalette();

    void reuseTip(const QString& text);
    void restartExpireTimer();
    void hideTip();
    void hideTipImmediately();
    void setTipRect(QWidget* w, const QRect& rect);
    void placeTip(const QPoint& pos, QWidget* w);
    bool tipChanged(const QPoint& pos, const QString& text, QWidget* w) const;
    static int getTipScreen(const QPoint& pos, QWidget* w);

    // How long a bubble with this text stays: 8 s, and 40 ms more for each character past the hundredth.
    static int ExpireMs(const QString& text);
    // Where a bubble of `size` for the point `pos` goes on a screen of geometry `screen`: below and right of
    // the point, flipped left or above at the edges, never outside the screen.
    static QPoint PlaceRect(const QPoint& pos, const QSize& size, const QRect& screen);

    void setVisible(bool visible) override;

    bool IsHideTimerActive() const { return m_hideTimer.isActive(); }
    int ExpireTimerId() const { return m_expireTimer.timerId(); }
    QWidget* TipWidget() const { return m_widget; }
    QRect TipRect() const { return m_rect; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QBasicTimer m_hideTimer;
    QBasicTimer m_expireTimer;
    QPointer<QWidget> m_widget;
    QRect m_rect;
};

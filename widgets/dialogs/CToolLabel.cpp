#include "widgets/dialogs/CToolLabel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHintReturnMask>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTimerEvent>
#include <QWindow>

#include <algorithm>

namespace {
// The bubble on screen. The bubble owns itself: it is deleted when it expires, when a new bubble replaces it,
// or when the application quits.
CToolLabel* g_pInstance = nullptr;
} // namespace

CToolLabel* CToolLabel::Instance()
{
    return g_pInstance;
}

QPalette& CToolLabel::BubblePalette()
{
    static QPalette palette;
    return palette;
}

CToolLabel::CToolLabel(const QString& text, QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::WindowTransparentForInput)
{
    // The bubble often lies over the next field: a click meant for that field must reach it, not the bubble.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    delete g_pInstance;
    g_pInstance = this;
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setPalette(BubblePalette());
    ensurePolished();
    setMargin(1 + style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth, nullptr, this));
    setFrameStyle(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft);
    setIndent(1);
    qApp->installEventFilter(this);
    setWindowOpacity(style()->styleHint(QStyle::SH_ToolTipLabel_Opacity, nullptr, this) / 255.0);
    setMouseTracking(true);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);
    reuseTip(text);
}

CToolLabel::~CToolLabel()
{
    if (g_pInstance == this)
        g_pInstance = nullptr;
}

void CToolLabel::setVisible(bool visible)
{
    QLabel::setVisible(visible);
    QWindow* handle = windowHandle();
    if (!visible || handle == nullptr)
        return;
    // The toolkit gives "transparent for input" to the bubble's first native window, but under X showing the
    // bubble puts a new native window in its place, which then takes the clicks meant for the field below
    // (the address typed next went into the field that was refused). Said again, the flag reaches the window
    // that is on the screen.
    handle->setFlag(Qt::WindowTransparentForInput, false);
    handle->setFlag(Qt::WindowTransparentForInput, true);
}

int CToolLabel::ExpireMs(const QString& text)
{
    return 8000 + 40 * std::max(0, int(text.length()) - 100);
}

void CToolLabel::reuseTip(const QString& text)
{
    setWordWrap(Qt::mightBeRichText(text));
    setText(text);
    const QFontMetrics metrics(font());
    QSize extra(1, 0);
    // Some fonts draw their descent one pixel below the label's own hint.
    if (metrics.descent() == 2 && metrics.ascent() >= 11)
        ++extra.rheight();
    resize(sizeHint() + extra);
    restartExpireTimer();
}

void CToolLabel::restartExpireTimer()
{
    m_expireTimer.start(ExpireMs(text()), this);
    m_hideTimer.stop();
}

void CToolLabel::hideTip()
{
    if (!m_hideTimer.isActive())
        m_hideTimer.start(300, this);
}

void CToolLabel::hideTipImmediately()
{
    close();
    deleteLater();
}

void CToolLabel::setTipRect(QWidget* w, const QRect& rect)
{
    if (!m_rect.isNull() && w == nullptr) {
        qWarning("CToolTip::setTipRect: Cannot pass null widget if rect is set");
        return;
    }
    m_widget = w;
    m_rect = rect;
}

QPoint CToolLabel::PlaceRect(const QPoint& pos, const QSize& size, const QRect& screen)
{
    QPoint p = pos + QPoint(2, 21);
    const int width = size.width();
    const int height = size.height();
    const int right = screen.x() + screen.width();
    const int bottom = screen.y() + screen.height();
    if (p.x() + width > right)
        p.rx() -= 4 + width;
    if (p.y() + height > bottom)
        p.ry() -= 24 + height;
    if (p.y() < screen.y())
        p.setY(screen.y());
    if (p.x() + width > right)
        p.setX(right - width);
    if (p.x() < screen.x())
        p.setX(screen.x());
    if (p.y() + height > bottom)
        p.setY(bottom - height);
    return p;
}

int CToolLabel::getTipScreen(const QPoint& pos, QWidget* w)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* screen = nullptr;
    if (screens.size() > 1 && QGuiApplication::primaryScreen() != nullptr &&
        QGuiApplication::primaryScreen()->virtualSiblings().size() > 1)
        screen = QGuiApplication::screenAt(pos);
    if (screen == nullptr)
        screen = w != nullptr ? w->screen() : QGuiApplication::primaryScreen();
    return std::max(0, int(screens.indexOf(screen)));
}

void CToolLabel::placeTip(const QPoint& pos, QWidget* w)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const int index = getTipScreen(pos, w);
    if (index >= screens.size())
        return;
    move(PlaceRect(pos, size(), screens.at(index)->geometry()));
}

bool CToolLabel::tipChanged(const QPoint& pos, const QString& text, QWidget* w) const
{
    if (text != this->text() || w != m_widget)
        return true;
    if (!m_rect.isNull())
        return !m_rect.contains(pos);
    return false;
}

bool CToolLabel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Leave:
        hideTip();
        break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        hideTipImmediately();
        break;
    default:
        break;
    }
    return QLabel::eventFilter(watched, event);
}

void CToolLabel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_hideTimer.timerId() || event->timerId() == m_expireTimer.timerId()) {
        m_hideTimer.stop();
        m_expireTimer.stop();
        hideTipImmediately();
    }
}

void CToolLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_rect.isNull()) {
        QPoint pos = event->globalPosition().toPoint();
        if (m_widget)
            pos = m_widget->mapFromGlobal(pos);
        if (!m_rect.contains(pos))
            hideTip();
    }
    QLabel::mouseMoveEvent(event);
}

void CToolLabel::paintEvent(QPaintEvent* event)
{
    QStylePainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    painter.setPen(Qt::red);
    painter.drawPrimitive(QStyle::PE_PanelTipLabel, option);
    painter.end();
    QLabel::paintEvent(event);
}

void CToolLabel::resizeEvent(QResizeEvent* event)
{
    QStyleHintReturnMask mask;
    QStyleOption option;
    option.initFrom(this);
    if (style()->styleHint(QStyle::SH_ToolTip_Mask, &option, this, &mask))
        setMask(mask.region);
    QLabel::resizeEvent(event);
}

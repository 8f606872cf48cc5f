#include "widgets/dialogs/CDelayButton.h"

#include <QTimerEvent>

CDelayButton::CDelayButton(QWidget* parent) : CPushButton(parent) {}

CDelayButton::CDelayButton(const QString& text, QWidget* parent) : CPushButton(text, parent) {}

CDelayButton::CDelayButton(const QIcon& icon, const QString& text, QWidget* parent)
    : CPushButton(icon, text, parent)
{
}

CDelayButton::~CDelayButton() = default;

void CDelayButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_delayTimer.timerId()) {
        CPushButton::timerEvent(event);
        return;
    }
    if (isChecked()) {
        m_delayTimer.start(kDelayMs, this);
        return;
    }
    m_delayTimer.stop();
    Q_EMIT SignalDelayRelease();
}

void CDelayButton::mouseReleaseEvent(QMouseEvent* event)
{
    CPushButton::mouseReleaseEvent(event);
    m_delayTimer.start(kDelayMs, this);
}

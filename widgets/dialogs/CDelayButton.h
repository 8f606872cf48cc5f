#pragma once

// A button that reports its release two seconds late, and not before it is unchecked.

#include "widgets/dialogs/CPushButton.h"

#include <QBasicTimer>

class CDelayButton : public CPushButton
{
    Q_OBJECT

public:
    explicit CDelayButton(QWidget* parent = nullptr);
    CDelayButton(const QString& text, QWidget* parent = nullptr);
    CDelayButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);
    ~CDelayButton() override;

Q_SIGNALS:
    void SignalDelayRelease();

protected:
    void timerEvent(QTimerEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int kDelayMs = 2000;
    QBasicTimer m_delayTimer;
};

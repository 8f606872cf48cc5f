#pragma once

// The busy box: a small modal box with a looping animation under a title, shown with exec() while a worker
// runs and ended by a signal of the worker (or of the page that drives it) when the work is done.

#include "widgets/dialogs/CBaseDialog.h"

#include <QTimer>

class ChaseDialog : public CBaseDialog
{
    Q_OBJECT

public:
    ChaseDialog(QWidget* parent, const QString& moviePath, const QString& title, bool cancelable);
    ~ChaseDialog() override;

    // -1 keep waiting, 1 accept at the next poll, 0 reject at the next poll.
    int StopState() const { return m_stopState; }

Q_SIGNALS:
    void SignalCancel();

public Q_SLOTS:
    void UpdateInfo();
    void SetStopChase();
    void OnSlotRejectChase();
    void OnImmediatelyStopChase();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTimer m_pollTimer;
    int m_stopState = -1;
};

#pragma once

// The requests of the session or the service manager to end the program: SIGTERM (a logout, a service
// stop), SIGINT (Ctrl+C) and SIGHUP (the terminal or the session went). Without a handler each kills the
// process on the spot: the engine's files are left half-written, "Close Software" is never logged and the
// database is left with its journal. Caught here, each becomes a call on the GUI thread's event loop, where
// the program ends as after a confirmed close.

#include <QObject>

#include <memory>

class QSocketNotifier;

class CTerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Catches the three signals for the object's life; the default actions return afterwards. One object at
    // a time.
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // False when the signals could not be caught (no pipe): they keep their default actions.
    bool IsActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // On the thread that made the object, once per signal caught.
    void Requested(int signal);

private:
    void ReadPending();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

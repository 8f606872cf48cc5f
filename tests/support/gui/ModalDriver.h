#pragma once

// Answers modal windows in GUI tests, so that no exec() ever blocks a test. Queue the answers before the call
// that opens the window; the driver polls for QApplication::activeModalWidget() and answers each new modal
// window in turn, recording what it showed. A window that stays up (nothing answered it, or its answer or its
// work never ended it) must not block the test until its process is killed: after a while the driver fails
// the running test, naming the window, and rejects it.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

struct MODAL_SEEN
{
    QString className;  // the window's class, for example "CMessageBox"
    QString objectName; // the window's object name
    QString title;      // its window title (the frameless dialogs keep it equal to their drawn title)
    QStringList labels; // the texts of its visible labels, then of its read-only text views, in child order
    QString Text() const { return labels.join(QLatin1Char('\n')); }
};

class CModalDriver : public QObject
{
    Q_OBJECT

public:
    explicit CModalDriver(QObject* parent = nullptr);

    // Each call queues the answer for the next modal window that appears.
    void Accept();
    void Reject();
    // For the next `count` windows: a busy box is left to close by itself (it may be gone before the driver
    // sees it), any other is accepted.
    void AcceptPassingBusy(int count);
    // Clicks the button whose text (without '&') or object name is `button`; fails the answer when none
    // matches.
    void Click(const QString& button);
    // Any other answer: the function gets the modal window and must end it (or let it end by itself).
    void Answer(std::function<void(QWidget*)> answer) { m_answers.append(std::move(answer)); }

    // The windows answered so far, oldest first.
    const QList<MODAL_SEEN>& Seen() const { return m_seen; }
    // Answers still waiting for their window.
    int Pending() const { return int(m_answers.size()); }
    // Texts of answers that could not be given (a button that was not there).
    const QStringList& Failures() const { return m_failures; }
    void Clear();
    // How long one modal window may stay on top; 0 lets it stay for ever.
    void SetOnTopLimit(int ms) { m_onTopLimit = ms; }

    // Reads a window the way the driver records it.
    static MODAL_SEEN Describe(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();
    void EndStuck(QWidget* window);

    QTimer m_timer;
    QList<std::function<void(QWidget*)>> m_answers;
    QList<MODAL_SEEN> m_seen;
    QStringList m_failures;
    QPointer<QWidget> m_lastAnswered;
    QPointer<QWidget> m_onTop; // the modal window on top, since m_onTopSince
    QElapsedTimer m_onTopSince;
    int m_onTopLimit;
};

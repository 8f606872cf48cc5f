#pragma once

// The range a search page starts with: today from midnight up to the moment of the search. It follows the
// clock (read when the page is shown and at each search), so what was stored or logged since the page was
// built is found, until the operator picks a range of their own, which is then kept as picked.

#include <QDateTime>
#include <QObject>

#include <functional>

class QDateTimeEdit;

class CClockRange : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // `now` is the clock the page's data is stamped with.
    CClockRange(QDateTimeEdit* from, QDateTimeEdit* to, Clock now, QObject* parent);

    // Sets today's start and now into the editors, unless the operator has changed either of them.
    void Follow();
    bool IsChosen() const { return m_chosen; }
    void SetClock(Clock now) { m_now = std::move(now); }

private:
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    Clock m_now;
    bool m_chosen = false;
    bool m_following = false;
};

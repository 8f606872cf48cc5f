#include "pages/ClockRange.h"

#include <QDateTimeEdit>

CClockRange::CClockRange(QDateTimeEdit* from, QDateTimeEdit* to, Clock now, QObject* parent)
    : QObject(parent), m_from(from), m_to(to), m_now(std::move(now))
{
    for (QDateTimeEdit* edit : {m_from, m_to})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this] { m_chosen |= !m_following; });
    Follow();
}

void CClockRange::Follow()
{
    if (m_chosen)
        return;
    const QDateTime now = m_now();
    m_following = true;
    m_from->setDateTime(QDateTime(now.date(), QTime(0, 0, 0)));
    m_to->setDateTime(now);
    m_following = false;
}

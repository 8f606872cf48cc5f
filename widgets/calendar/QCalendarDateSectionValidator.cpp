#include "widgets/calendar/QCalendarDateSectionValidator.h"

namespace {

int DigitOf(int key)
{
    return key >= Qt::Key_0 && key <= Qt::Key_9 ? key - Qt::Key_0 : -1;
}

int DaysIn(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QCalendarDateSectionValidator::~QCalendarDateSectionValidator() = default;

QString QCalendarDateSectionValidator::HighlightString(const QString& text, int position)
{
    if (position == 0)
        return QStringLiteral("<b>") + text + QStringLiteral("</b>");
    const qsizetype start = qMax<qsizetype>(0, text.size() - position);
    return text.left(start) + QStringLiteral("<b>") + text.mid(start) + QStringLiteral("</b>");
}

bool QCalendarDateSectionValidator::IsSeparatorKey(int key)
{
    switch (key) {
    case Qt::Key_Slash:
    case Qt::Key_Backslash:
    case Qt::Key_Minus:
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Colon:
    case Qt::Key_Space:
        return true;
    default:
        return false;
    }
}

QCalendarDateSectionValidator::Section QCalendarTwoDigitValidator::HandleKey(int key)
{
    if (IsSeparatorKey(key)) {
        // After a section's last digit the entry has already moved on: the separator typed next is the one
        // shown, not one more step.
        if (m_position == 0)
            return ThisSection;
        m_position = 0;
        return NextSection;
    }
    if (key == Qt::Key_Right || key == Qt::Key_Left) {
        m_position = 0;
        return ThisSection;
    }
    if (key == Qt::Key_Up) {
        m_position = 0;
        if (++m_value > m_bound)
            m_value = 1;
        return ThisSection;
    }
    if (key == Qt::Key_Down) {
        m_position = 0;
        if (--m_value < 1)
            m_value = m_bound;
        return ThisSection;
    }
    if (key == Qt::Key_Back || key == Qt::Key_Backspace) {
        --m_position;
        if (m_position < 0)
            m_position = 1;
        if (m_position == 0) {
            m_value = m_oldValue;
            return PrevSection;
        }
        m_value /= 10;
        return ThisSection;
    }
    const int digit = DigitOf(key);
    if (digit < 0)
        return ThisSection;
    m_value = m_position == 0 ? digit : (m_value % 10) * 10 + digit;
    if (m_value > m_bound)
        m_value = m_bound;
    if (++m_position == 2) {
        m_position = 0;
        return NextSection;
    }
    return ThisSection;
}

QString QCalendarTwoDigitValidator::Text() const
{
    return HighlightString(TwoDigits(m_value), m_position);
}

QDate QCalendarDayValidator::ApplyToDate(const QDate& date) const
{
    const int day = qMin(qBound(1, m_value, 31), DaysIn(date.year(), date.month()));
    return QDate(date.year(), date.month(), day);
}

void QCalendarDayValidator::SetDate(const QDate& date)
{
    m_value = m_oldValue = date.day();
    m_position = 0;
}

QString QCalendarDayValidator::Text(const QDate& date, int repeat) const
{
    if (repeat <= 1)
        return QString::number(date.day());
    if (repeat == 2)
        return TwoDigits(date.day());
    if (repeat == 3)
        return m_locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    return m_locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
}

QDate QCalendarMonthValidator::ApplyToDate(const QDate& date) const
{
    const int month = qBound(1, m_value, 12);
    const int day = qMin(date.day(), DaysIn(date.year(), month));
    return QDate(date.year(), month, day);
}

void QCalendarMonthValidator::SetDate(const QDate& date)
{
    m_value = m_oldValue = date.month();
    m_position = 0;
}

QString QCalendarMonthValidator::Text(const QDate& date, int repeat) const
{
    if (repeat <= 1)
        return QString::number(date.month());
    if (repeat == 2)
        return TwoDigits(date.month());
    if (repeat == 3)
        return m_locale.standaloneMonthName(date.month(), QLocale::ShortFormat);
    return m_locale.standaloneMonthName(date.month(), QLocale::LongFormat);
}

QCalendarDateSectionValidator::Section QCalendarYearValidator::HandleKey(int key)
{
    int p = 1;
    for (int i = 0; i < m_position; ++i)
        p *= 10;
    if (key == Qt::Key_Right || key == Qt::Key_Left) {
        m_position = 0;
        return ThisSection;
    }
    if (key == Qt::Key_Up) {
        m_position = 0;
        ++m_value;
        return ThisSection;
    }
    if (key == Qt::Key_Down) {
        m_position = 0;
        --m_value;
        return ThisSection;
    }
    if (key == Qt::Key_Back || key == Qt::Key_Backspace) {
        --m_position;
        if (m_position < 0)
            m_position = 3;
        p = 1;
        for (int i = 0; i < m_position; ++i)
            p *= 10;
        m_value = (m_oldValue / p) * p + (m_value % (p * 10)) / 10;
        return m_position == 0 ? PrevSection : ThisSection;
    }
    if (IsSeparatorKey(key)) {
        // The digits typed so far replace the year's last digits ("24" on 2026 is 2024).
        if (m_position == 0)
            return ThisSection;
        m_position = 0;
        return NextSection;
    }
    const int digit = DigitOf(key);
    if (digit < 0)
        return ThisSection;
    m_value = (m_value / (p * 10)) * (p * 10) + (m_value % p) * 10 + digit;
    if (++m_position == 4) {
        m_position = 0;
        return NextSection;
    }
    return ThisSection;
}

QDate QCalendarYearValidator::ApplyToDate(const QDate& date) const
{
    const int year = qMax(1, m_value);
    const int day = qMin(date.day(), DaysIn(year, date.month()));
    return QDate(year, date.month(), day);
}

void QCalendarYearValidator::SetDate(const QDate& date)
{
    m_value = m_oldValue = date.year();
    m_position = 0;
}

QString QCalendarYearValidator::Text(const QDate& date, int repeat) const
{
    if (repeat < 4)
        return QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
    return QString::number(date.year());
}

QString QCalendarYearValidator::Text() const
{
    QString text;
    for (int bound : {10, 100, 1000})
        if (m_value < bound)
            text += QLatin1Char('0');
    return HighlightString(text + QString::number(m_value), m_position);
}

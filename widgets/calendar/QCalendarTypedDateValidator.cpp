#include "widgets/calendar/QCalendarTypedDateValidator.h"

#include <QKeyEvent>

QCalendarTypedDateValidator::QCalendarTypedDateValidator()
    : m_initialDate(QDate::currentDate()), m_currentDate(m_initialDate)
{
}

QCalendarTypedDateValidator::~QCalendarTypedDateValidator()
{
    Clear();
}

void QCalendarTypedDateValidator::SetLocale(const QLocale& locale)
{
    m_yearValidator.m_locale = locale;
    m_monthValidator.m_locale = locale;
    m_dayValidator.m_locale = locale;
}

void QCalendarTypedDateValidator::Clear()
{
    qDeleteAll(m_tokens);
    m_tokens.clear();
    m_separators.clear();
    m_currentToken = nullptr;
}

int QCalendarTypedDateValidator::CountRepeat(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    qsizetype j = i + 1;
    while (j < text.size() && text.at(j) == c)
        ++j;
    return static_cast<int>(j - i);
}

void QCalendarTypedDateValidator::SetFormat(const QString& format)
{
    Clear();
    qsizetype pos = 0;
    bool quoting = false;
    QString separator;
    while (pos < format.size()) {
        qsizetype step = 1;
        const QChar ch = format.at(pos);
        if (ch == QLatin1Char('\'')) {
            quoting = !quoting;
        } else if (quoting) {
            separator += ch;
        } else if (ch == QLatin1Char('d') || ch == QLatin1Char('M') || ch == QLatin1Char('y')) {
            const int repeat = qMin(4, CountRepeat(format, pos));
            step = repeat;
            QCalendarDateSectionValidator* validator = &m_dayValidator;
            if (ch == QLatin1Char('M'))
                validator = &m_monthValidator;
            else if (ch == QLatin1Char('y'))
                validator = &m_yearValidator;
            m_tokens.append(new QCalendarSectionToken{validator, repeat});
            m_separators.append(separator);
            separator.clear();
            if (m_currentToken == nullptr)
                m_currentToken = m_tokens.last();
        } else {
            separator += ch;
        }
        pos += step;
    }
    m_separators.append(separator);
}

void QCalendarTypedDateValidator::SetInitialDate(const QDate& date)
{
    m_yearValidator.SetDate(date);
    m_monthValidator.SetDate(date);
    m_dayValidator.SetDate(date);
    m_initialDate = date;
    m_currentDate = date;
    m_lastSectionMove = QCalendarDateSectionValidator::ThisSection;
}

void QCalendarTypedDateValidator::HandleKeyEvent(QKeyEvent* event)
{
    HandleKey(event->key());
}

void QCalendarTypedDateValidator::HandleKey(int key)
{
    if (m_currentToken == nullptr)
        return;
    if (m_lastSectionMove == QCalendarDateSectionValidator::NextSection &&
        (key == Qt::Key_Back || key == Qt::Key_Backspace))
        ToPreviousToken();
    if (key == Qt::Key_Right)
        ToNextToken();
    else if (key == Qt::Key_Left)
        ToPreviousToken();
    m_lastSectionMove = m_currentToken->validator->HandleKey(key);
    ApplyToDate();
    if (m_lastSectionMove == QCalendarDateSectionValidator::NextSection)
        ToNextToken();
    else if (m_lastSectionMove == QCalendarDateSectionValidator::PrevSection)
        ToPreviousToken();
}

void QCalendarTypedDateValidator::ApplyToDate()
{
    m_currentDate = m_yearValidator.ApplyToDate(m_currentDate);
    m_currentDate = m_monthValidator.ApplyToDate(m_currentDate);
    m_currentDate = m_dayValidator.ApplyToDate(m_currentDate);
}

void QCalendarTypedDateValidator::ToNextToken()
{
    const qsizetype i = m_tokens.indexOf(m_currentToken);
    if (i < 0)
        return;
    m_currentToken = m_tokens.at((i + 1) % m_tokens.size());
}

void QCalendarTypedDateValidator::ToPreviousToken()
{
    const qsizetype i = m_tokens.indexOf(m_currentToken);
    if (i < 0)
        return;
    m_currentToken = m_tokens.at(i == 0 ? m_tokens.size() - 1 : i - 1);
}

QString QCalendarTypedDateValidator::CurrentText() const
{
    QString text;
    qsizetype next = 0;
    for (const QString& separator : m_separators) {
        text += separator;
        if (next < m_tokens.size()) {
            const QCalendarSectionToken* token = m_tokens.at(next++);
            text += token == m_currentToken ? token->validator->Text()
                                            : token->validator->Text(m_currentDate, token->repeat);
        }
    }
    return text;
}

#pragma once

// Splits a date format into its day, month and year sections and routes the typed keys to the section being
// typed; gives the date typed so far and its text with the current section in bold.

#include "widgets/calendar/QCalendarDateSectionValidator.h"

#include <QList>
#include <QStringList>

class QKeyEvent;

struct QCalendarSectionToken
{
    QCalendarDateSectionValidator* validator; // not owned
    int repeat;                               // how often the format letter stands, 1..4
};

class QCalendarTypedDateValidator
{
public:
    QCalendarTypedDateValidator();
    ~QCalendarTypedDateValidator();
    QCalendarTypedDateValidator(const QCalendarTypedDateValidator&) = delete;
    QCalendarTypedDateValidator& operator=(const QCalendarTypedDateValidator&) = delete;

    void SetLocale(const QLocale& locale);
    // Text between apostrophes stays literal and never becomes a section.
    void SetFormat(const QString& format);
    void SetInitialDate(const QDate& date);
    void HandleKeyEvent(QKeyEvent* event);
    void HandleKey(int key);
    QString CurrentText() const;
    QDate CurrentDate() const { return m_currentDate; }

private:
    void ToNextToken();
    void ToPreviousToken();
    void ApplyToDate();
    static int CountRepeat(const QString& text, qsizetype i);
    void Clear();

    QStringList m_separators;
    QList<QCalendarSectionToken*> m_tokens;
    QCalendarYearValidator m_yearValidator;
    QCalendarMonthValidator m_monthValidator;
    QCalendarDayValidator m_dayValidator;
    QCalendarSectionToken* m_currentToken = nullptr;
    QDate m_initialDate;
    QDate m_currentDate;
    QCalendarDateSectionValidator::Section m_lastSectionMove = QCalendarDateSectionValidator::ThisSection;
};

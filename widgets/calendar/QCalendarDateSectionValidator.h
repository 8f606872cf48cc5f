#pragma once

// Typed-date entry: one validator per date section (day, month, year). Each takes the typed keys of its
// section digit by digit, keeps the section's value within its bounds, and says whether the entry moves on to
// the next section, stays, or goes back to the previous one.

#include <QDate>
#include <QLocale>
#include <QString>

class QCalendarDateSectionValidator
{
public:
    enum Section
    {
        NextSection = 0,
        ThisSection = 1,
        PrevSection = 2
    };

    QCalendarDateSectionValidator() = default;
    virtual ~QCalendarDateSectionValidator();
    QCalendarDateSectionValidator(const QCalendarDateSectionValidator&) = delete;
    QCalendarDateSectionValidator& operator=(const QCalendarDateSectionValidator&) = delete;

    virtual Section HandleKey(int key) = 0;
    virtual QDate ApplyToDate(const QDate& date) const = 0;
    virtual void SetDate(const QDate& date) = 0;
    // The section of date as the format shows it with the letter repeated `repeat` times.
    virtual QString Text(const QDate& date, int repeat) const = 0;
    // The section being typed, its typed digits in bold (rich text).
    virtual QString Text() const = 0;

    QLocale m_locale;

    // A key that stands between sections in a typed date ("/", "-", ".", a space...): it ends a section typed
    // short ("5/1/24"), so that the next digits go to the next section and not into the same one.
    static bool IsSeparatorKey(int key);

protected:
    static QString HighlightString(const QString& text, int position);
};

// Day and month share their typing rules; only the bound differs.
class QCalendarTwoDigitValidator : public QCalendarDateSectionValidator
{
public:
    explicit QCalendarTwoDigitValidator(int bound) : m_bound(bound) {}

    Section HandleKey(int key) override;
    QString Text() const override;

    int m_position = 0;
    int m_value = 1;
    int m_oldValue = 1;

private:
    int m_bound;
};

class QCalendarDayValidator : public QCalendarTwoDigitValidator
{
public:
    QCalendarDayValidator() : QCalendarTwoDigitValidator(31) {}

    QDate ApplyToDate(const QDate& date) const override;
    void SetDate(const QDate& date) override;
    QString Text(const QDate& date, int repeat) const override;
    using QCalendarTwoDigitValidator::Text;
};

class QCalendarMonthValidator : public QCalendarTwoDigitValidator
{
public:
    QCalendarMonthValidator() : QCalendarTwoDigitValidator(12) {}

    QDate ApplyToDate(const QDate& date) const override;
    void SetDate(const QDate& date) override;
    QString Text(const QDate& date, int repeat) const override;
    using QCalendarTwoDigitValidator::Text;
};

class QCalendarYearValidator : public QCalendarDateSectionValidator
{
public:
    Section HandleKey(int key) override;
    QDate ApplyToDate(const QDate& date) const override;
    void SetDate(const QDate& date) override;
    QString Text(const QDate& date, int repeat) const override;
    QString Text() const override;

    int m_position = 0;
    int m_value = 2000;
    int m_oldValue = 2000;
};

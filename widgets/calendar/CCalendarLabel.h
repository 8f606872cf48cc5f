#pragma once

// A desk-calendar face: a raised 100 x 50 panel that shows the month, the weekday, the year and the day of
// the month over its picture, in the program's language. When the cursor comes onto it, the program's month
// calendar opens over it; a day clicked there becomes the face's date, and the calendar goes when the cursor
// leaves it. At the change of day the face turns to the new day by itself.

#include <QDate>
#include <QDateTime>
#include <QFrame>
#include <QString>
#include <QTimer>

#include <functional>

class CCalendarWidget;

class CCalendarLabel : public QFrame
{
    Q_OBJECT

public:
    // What the face takes "now" from; the system clock unless one is given.
    using TimeSource = std::function<QDateTime()>;

    explicit CCalendarLabel(QWidget* parent = nullptr, TimeSource clock = {});
    ~CCalendarLabel() override;

    // The day shown.
    QDate Date() const { return m_date; }

    // What the face writes for its day, in the widget's language.
    struct FACE_TEXTS
    {
        QString month;
        QString weekday;
        QString year;
        QString day;
    };
    FACE_TEXTS FaceTexts() const;

    // The calendar that opens over the face; null until it first opened.
    CCalendarWidget* Calendar() const { return m_pCalendar; }

    // How long, from `now`, until the face looks at the day again: up to 23:59:59, and from then 2000 ms, so
    // the look after midnight finds the new day. The wait is never longer than an hour: the timer does not
    // count the time a machine sleeps, and the clock may be set.
    static int NextDayCheck(const QTime& now);

    static constexpr int kWidth = 100;
    static constexpr int kHeight = 50;
    static constexpr int kAfterLastSecondMs = 2000;
    static constexpr int kLongestWaitMs = 60 * 60 * 1000;

public Q_SLOTS:
    void OnLeaveCalendar();
    void OnCalendarClicked(QDate date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private Q_SLOTS:
    void OnDayTimer();

private:
    void ShowCalendar();

    TimeSource m_clock;
    QDate m_today; // the day of the last look
    QDate m_date;
    QTimer m_timer;
    CCalendarWidget* m_pCalendar = nullptr;
};

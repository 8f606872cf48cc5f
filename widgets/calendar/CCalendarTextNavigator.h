#pragma once

// Typed-date entry over the calendar: the first printable key on the calendar's grid opens a small framed
// label with the date being typed in the locale's short date format; Return accepts, Escape cancels, and a
// pause of the edit delay accepts as well.

#include <QBasicTimer>
#include <QDate>
#include <QObject>
#include <QPointer>

#include <memory>

class QFrame;
class QLabel;
class QCalendarTypedDateValidator;

class CCalendarTextNavigator : public QObject
{
    Q_OBJECT

public:
    explicit CCalendarTextNavigator(QObject* parent = nullptr);
    ~CCalendarTextNavigator() override;

    // Typed entry is enabled while a widget is set.
    void SetWidget(QWidget* widget) { m_widget = widget; }
    QWidget* Widget() const { return m_widget; }
    void SetDate(const QDate& date) { m_date = date; }
    int DateEditAcceptDelay() const { return m_editDelay; }
    void SetDateEditAcceptDelay(int delay) { m_editDelay = delay; }
    // The frame of the open typed entry, or null.
    QFrame* DateFrame() const { return m_dateFrame; }

    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void dateChanged(QDate date);
    void editingFinished();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void CreateDateLabel();
    void UpdateDateLabel();
    void ApplyDate();
    void RemoveDateLabel();

    QLabel* m_dateText = nullptr;
    QPointer<QFrame> m_dateFrame;
    QBasicTimer m_acceptTimer;
    std::unique_ptr<QCalendarTypedDateValidator> m_dateValidator;
    QWidget* m_widget = nullptr;
    int m_editDelay = 1500;
    QDate m_date;
};

#pragma once

// The date-time field of the pages: "yyyy-MM-dd hh:mm:ss", today at construction, and a click opens the
// program's calendar in a popup instead of stepping a section. The date follows the calendar while the
// operator moves in it, takes the chosen day, and goes back when the popup is dismissed.

#include "widgets/calendar/CSectionTyping.h"

#include <QDateTimeEdit>

class CCalendarTimePopup;

class CDateTimeEdit : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit CDateTimeEdit(QWidget* parent = nullptr);
    CDateTimeEdit(const QDateTime& dateTime, QWidget* parent = nullptr);
    CDateTimeEdit(const QDate& date, QWidget* parent = nullptr);
    CDateTimeEdit(const QTime& time, QWidget* parent = nullptr);
    CDateTimeEdit(const QVariant& value, QMetaType::Type parserType, QWidget* parent = nullptr);
    ~CDateTimeEdit() override;

    // The popup, or null before the first click.
    CCalendarTimePopup* Popup() const { return m_popup; }
    // Where the popup goes: below the editor, or above it when the screen ends below, and never past the
    // usable area of the screen.
    static QRect PopupGeometry(const QRect& editorGlobal, const QSize& popupSize, const QRect& screenArea);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // F4 and Alt+Up/Down open the program's calendar, never the toolkit's.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenPopup();
    void SetUp(bool editsDate = true);

    CCalendarTimePopup* m_popup = nullptr;
};

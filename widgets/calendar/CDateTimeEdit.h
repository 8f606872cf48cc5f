#pragma once

// The date-time field of the pages: "yyyy-MM-dd hh:mm:ss", today at construction, and a click opens the
// program's calendar in a popup instead of stepping a section. The date follows the calendar while the
// operator moves in it, takes the chosen day, and goes back when the popup is dismissed.

#include <QDateTimeEdit>

class CCalendarTimePopup;
class QKeyEvent;

// Typing over the sections of a date or time field. The toolkit's field drops digits typed while the whole
// text is selected (or while the caret stands before a full section), and after a section filled by its last
// digit moves on by itself, a typed separator moves on once more: "04:33:00" over 18:00:00 gave 18:33:00, and
// "2024-05-01 10:00:00" landed in other sections. Attached to a field, a digit starts a section afresh (the
// first section of a selection), and the separator that follows a section filled by its digits is taken as
// typed. Arrows, Backspace and the rest keep the field's own handling.
class CSectionTyping : public QObject
{
    Q_OBJECT

public:
    // Watches the field's keys for the field's life time.
    static void Attach(QDateTimeEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CSectionTyping(QDateTimeEdit* edit);
    // True when the key is taken and must not reach the field.
    bool KeyPress(const QKeyEvent* event);

    QDateTimeEdit* m_edit;
    int m_section = -1; // the section that the last digit went into, -1 when none
};

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

#pragma once

// Typing into a date or time field ("yyyy-MM-dd hh:mm:ss" and its date-only and time-only parts) as a
// keyboard types it. The toolkit's field drops digits typed over a selection or before a full section, moves
// on a second time when a separator follows a section its digits filled, lets the second digit of an
// impossible day or hour land in the next section, and takes a digit typed inside a full section nowhere.
// Attached to a field, the digits, the separators, Backspace, Delete and a paste are taken here:
// - a selection, or a caret at the start of a full section, is typed over from its first section; a caret
//   inside a section types there (into a short section it is inserted, in a full one it replaces the digit
//   after it), and typing goes on to the next section only from the end of a full one;
// - a section is done when its digits fill it or a separator is typed; the caret then goes on to the next
//   section, and a separator typed right after that is taken as typed, not as one more step;
// - Backspace (Delete) removes the digit before (after) the caret, whichever section it is in, past a
//   separator; right after a section's digits filled it, that is its last digit, not the next section;
// - the field always holds the nearest value that exists: a day past the month's end is its last day,
//   month 13 is December, an hour past 23 is the end of the day (23:59:59); a year typed in part is shown
//   as typed and the value waits for the whole year;
// - a paste (its keys or the context menu's Paste) is a whole value or nothing, wherever the caret stands:
//   a date and time, a date or a time sets what the field has of it and keeps the rest; a text that is no
//   existing date or time in the field's range, or names nothing the field has, is refused;
// - a modifier pressed or released alone (Shift before ':', Caps Lock, AltGr, ...) changes nothing;
// - what an input method hands over at once (full-width digits and colons of a Chinese one) is typed as its
//   keys would be.
// Arrows, Backspace and Delete over a selection the operator made, Tab, Return and the rest are the field's
// own.

#include <QDateTime>
#include <QDateTimeEdit>
#include <QList>
#include <QObject>
#include <QString>

class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QMenu;

class CSectionTyping : public QObject
{
    Q_OBJECT

public:
    // Watches the field's keys for the field's life time.
    static void Attach(QDateTimeEdit* edit);

    // A number for each section of the field (in the format's order), brought to the nearest date and time
    // that exists; sections the format does not have come from `base`.
    static QDateTime Nearest(const QList<QDateTimeEdit::Section>& sections, const QList<int>& numbers,
                             const QDateTime& base);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CSection
    {
        QDateTimeEdit::Section kind;
        int width;
    };
    // The field's text cut at the format's separators: each section's digits and where they start.
    struct CSplit
    {
        QStringList digits;
        QList<int> starts;
        bool valid = false;
        int End(int i) const { return starts.at(i) + int(digits.at(i).size()); }
    };

    explicit CSectionTyping(QDateTimeEdit* edit);
    // The format's sections and the literal texts around them; false when the format has a section of
    // another kind (names, one-letter widths), which the field then types on its own.
    bool ReadFormat();
    CSplit Split(const QString& text) const;
    // The section a text position belongs to: its own, or the one after the separator it stands in.
    int SectionAt(const CSplit& split, int position) const;

    // True when the key is taken and must not reach the field.
    bool KeyPress(const QKeyEvent* event);
    bool TypeDigit(QChar digit);
    bool TypeSeparator();
    // Backspace (Delete) removes the digit before (after) the caret, past a separator.
    bool Erase(bool backward);
    bool UndoDigit();
    // The pasted value, or nothing.
    bool Paste();
    // The Paste of the field's context menu goes through Paste() too.
    void TakeMenuPaste(QMenu* menu);
    bool Commit(const QInputMethodEvent* event);
    // Digits and separators only, as typed keys would give them.
    static bool Typeable(const QString& text);
    void TypeText(const QString& text);

    // The numbers the operator means, read from the field when a run of typing starts.
    void StartRun(const CSplit& split);
    // Sets the field to the nearest value of the numbers, then puts the caret after the section typed (or on
    // the next section, selected, when `done`).
    void Show(int section, bool done);
    // Whether the field still stands as this filter left it (no click, no other key in between).
    bool RunGoesOn() const;
    void Remember();
    void Reset();

    QDateTimeEdit* m_edit;
    QLineEdit* m_line = nullptr;
    QList<CSection> m_sections;
    QStringList m_literals; // before the first section, between sections, after the last

    // A run of typing: valid while the field is as it was left.
    bool m_running = false;
    QList<int> m_numbers;
    int m_section = -1;     // the section whose digits are being typed, -1 when none
    QString m_digits;       // its digits typed so far
    int m_caret = 0;        // where the next digit goes in them
    int m_before = 0;       // its number before its first digit
    bool m_movedOn = false; // its last digit filled it and the caret went on by itself

    QString m_leftText;
    int m_leftCursor = 0;
    int m_leftSelectionStart = -1;
    int m_leftSelectionLength = 0;
};

#include "widgets/calendar/CSectionTyping.h"

#include <QChildEvent>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The digit a character stands for, as the field shows it: an input method's full-width digits are digits
// too. Null for anything else.
QChar AsciiDigit(QChar c)
{
    if (IsDigit(c))
        return c;
    const int value = c.isDigit() ? c.digitValue() : -1;
    return value >= 0 && value <= 9 ? QLatin1Char(char('0' + value)) : QChar();
}

// A printable key that is neither a digit nor a letter: what stands between sections.
bool IsSeparator(QChar c)
{
    return c.isPrint() && !c.isLetterOrNumber();
}

// A value's numbers in the order year, month, day, hour, minute, second.
using CParts = std::array<int, 6>;

CParts PartsOf(const QDateTime& value)
{
    return {value.date().year(), value.date().month(),  value.date().day(),
            value.time().hour(), value.time().minute(), value.time().second()};
}

// Where a section's number stands among the parts; -1 for a section of another kind.
int PartOf(QDateTimeEdit::Section kind)
{
    static constexpr QDateTimeEdit::Section kKinds[] = {
        QDateTimeEdit::YearSection, QDateTimeEdit::MonthSection,  QDateTimeEdit::DaySection,
        QDateTimeEdit::HourSection, QDateTimeEdit::MinuteSection, QDateTimeEdit::SecondSection};
    const auto* found = std::find(std::begin(kKinds), std::end(kKinds), kind);
    return found == std::end(kKinds) ? -1 : int(found - std::begin(kKinds));
}

constexpr int kFirstTimePart = 3;

int NumberOf(QDateTimeEdit::Section kind, const QDateTime& value)
{
    const int part = PartOf(kind);
    return part < 0 ? 0 : PartsOf(value)[size_t(part)];
}

// A key pressed or released alone that only changes what the next key means.
bool IsModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

// A date, a time or both, read from a pasted text; null where the text has none or is no date and time.
struct CPasted
{
    QDate date;
    QTime time;
};

// The forms the fields show (2024-05-01 10:00:00, 10:00:00) and the ISO ones beside them (a T between date
// and time, a time to the minute), with the full-width digits and marks a Chinese text may have. Months, days
// and hours may be written with one digit; a time zone, fractions of a second or anything else make the
// text no value of these fields.
CPasted ReadPasted(const QString& text)
{
    QString plain;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0xFF01 && code <= 0xFF5E)
            c = QChar(char16_t(code - 0xFEE0));
        plain += c.isSpace() ? QLatin1Char(' ') : c;
    }
    plain = plain.simplified();
    static const QRegularExpression kForm(QStringLiteral(
        "^(?:([0-9]{4})-([0-9]{1,2})-([0-9]{1,2}))?([ T]?)(?:([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    const QRegularExpressionMatch match = kForm.match(plain);
    if (!match.hasMatch())
        return {};
    const bool hasDate = match.hasCaptured(1);
    const bool hasTime = match.hasCaptured(5);
    // A separator stands between a date and a time, and only there.
    if ((!hasDate && !hasTime) || match.captured(4).isEmpty() == (hasDate && hasTime))
        return {};
    CPasted pasted;
    if (hasDate) {
        pasted.date = QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        if (!pasted.date.isValid())
            return {};
    }
    if (hasTime) {
        pasted.time = QTime(match.captured(5).toInt(), match.captured(6).toInt(), match.captured(7).toInt());
        if (!pasted.time.isValid())
            return {};
    }
    return pasted;
}

} // namespace

CSectionTyping::CSectionTyping(QDateTimeEdit* edit)
    : QObject(edit), m_edit(edit), m_line(edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
{
}

void CSectionTyping::Attach(QDateTimeEdit* edit)
{
    if (edit == nullptr || edit->findChild<CSectionTyping*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    auto* typing = new CSectionTyping(edit);
    edit->installEventFilter(typing);
    // A click in the text places the caret there: what was being typed ends.
    if (typing->m_line != nullptr)
        typing->m_line->installEventFilter(typing);
}

QDateTime CSectionTyping::Nearest(const QList<QDateTimeEdit::Section>& sections, const QList<int>& numbers,
                                  const QDateTime& base)
{
    CParts parts = PartsOf(base);
    bool hasTime = false;
    for (qsizetype i = 0; i < sections.size() && i < numbers.size(); ++i) {
        const int part = PartOf(sections.at(i));
        if (part < 0)
            continue;
        parts[size_t(part)] = numbers.at(i);
        hasTime = hasTime || part >= kFirstTimePart;
    }
    auto& [year, month, day, hour, minute, second] = parts;
    // A year typed as 0000 has no date: the first year is the nearest.
    year = qMax(year, 1);
    month = qBound(1, month, 12);
    day = qBound(1, day, QDate(year, month, 1).daysInMonth());
    if (hour > 23) {
        // 24:00:00 is the end of the day, and every later time of it is nearer to its last second than to
        // any other.
        hour = 23;
        minute = 59;
        second = 59;
    }
    QDateTime value = base;
    value.setDate(QDate(year, month, day));
    if (hasTime)
        value.setTime(QTime(qMax(hour, 0), qBound(0, minute, 59), qBound(0, second, 59)));
    return value;
}

bool CSectionTyping::ReadFormat()
{
    m_sections.clear();
    m_literals.clear();
    const QString format = m_edit->displayFormat();
    QString literal;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (IsDigit(c) || c == QLatin1Char('\''))
            return false;
        if (!c.isLetter()) {
            literal += c;
            ++i;
            continue;
        }
        qsizetype n = 1;
        while (i + n < format.size() && format.at(i + n) == c)
            ++n;
        CSection section{QDateTimeEdit::NoSection, 2};
        const char letter = c.toLatin1();
        if (letter == 'y' && n == 4)
            section = {QDateTimeEdit::YearSection, 4};
        else if (letter == 'M' && n == 2)
            section.kind = QDateTimeEdit::MonthSection;
        else if (letter == 'd' && n == 2)
            section.kind = QDateTimeEdit::DaySection;
        else if ((letter == 'h' || letter == 'H') && n == 2)
            section.kind = QDateTimeEdit::HourSection;
        else if (letter == 'm' && n == 2)
            section.kind = QDateTimeEdit::MinuteSection;
        else if (letter == 's' && n == 2)
            section.kind = QDateTimeEdit::SecondSection;
        else
            return false;
        // Sections without a separator between them cannot be told apart in a text typed short.
        if (!m_sections.isEmpty() && literal.isEmpty())
            return false;
        m_literals << literal;
        literal.clear();
        m_sections << section;
        i += n;
    }
    m_literals << literal;
    return !m_sections.isEmpty();
}

CSectionTyping::CSplit CSectionTyping::Split(const QString& text) const
{
    CSplit split;
    qsizetype position = 0;
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        if (!QStringView(text).mid(position).startsWith(m_literals.at(i)))
            return split;
        position += m_literals.at(i).size();
        const qsizetype start = position;
        while (position < text.size() && IsDigit(text.at(position)))
            ++position;
        split.starts << int(start);
        split.digits << text.mid(start, position - start);
    }
    split.valid = QStringView(text).mid(position) == m_literals.last();
    return split;
}

int CSectionTyping::SectionAt(const CSplit& split, int position) const
{
    for (int i = 0; i < split.starts.size(); ++i) {
        if (position <= split.End(i))
            return i;
    }
    return int(split.starts.size()) - 1;
}

bool CSectionTyping::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (KeyPress(static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::InputMethod:
            if (Commit(static_cast<QInputMethodEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            Reset();
            break;
        default:
            break;
        }
    } else if (watched == m_line &&
               (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        Reset();
    } else if (watched == m_line && event->type() == QEvent::ChildPolished) {
        // The field's context menu, about to be shown: its Paste is the same paste as Control+V.
        if (auto* menu = qobject_cast<QMenu*>(static_cast<QChildEvent*>(event)->child()))
            TakeMenuPaste(menu);
    }
    return QObject::eventFilter(watched, event);
}

bool CSectionTyping::KeyPress(const QKeyEvent* event)
{
    // The Shift before ':', Caps Lock, AltGr: what is being typed goes on.
    if (IsModifierKey(event->key()))
        return false;
    if (m_line == nullptr || m_edit->isReadOnly() || !ReadFormat()) {
        Reset();
        return false;
    }
    if (event->matches(QKeySequence::Paste))
        return Paste();
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        const QString text = event->text();
        if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
            return TypeDigit(QLatin1Char(char('0' + (event->key() - Qt::Key_0))));
        if (text.size() == 1 && !AsciiDigit(text.at(0)).isNull())
            return TypeDigit(AsciiDigit(text.at(0)));
        if (text.size() == 1 && IsSeparator(text.at(0)))
            return TypeSeparator();
        if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
            return Erase(event->key() == Qt::Key_Backspace);
    }
    Reset();
    return false;
}

bool CSectionTyping::TypeDigit(QChar digit)
{
    const CSplit split = Split(m_line->text());
    if (!split.valid) {
        Reset();
        return false;
    }
    const bool goesOn = RunGoesOn();
    if (!goesOn)
        StartRun(split);
    int section = m_section;
    if (goesOn && section >= 0) {
        // A full section takes the digit over the one after the caret; a short one takes it in.
        if (m_digits.size() >= m_sections.at(section).width && m_caret < m_digits.size())
            m_digits[m_caret++] = digit;
        else
            m_digits.insert(m_caret++, digit);
    } else if (m_line->hasSelectedText()) {
        const int from = m_line->selectionStart();
        const int to = from + int(m_line->selectedText().size());
        section = SectionAt(split, from);
        const int start = split.starts.at(section);
        const QString& old = split.digits.at(section);
        if (from >= start && to <= split.End(section) && to - from < old.size()) {
            // Part of one section: the digits selected are mended.
            m_digits = old.left(from - start) + digit + old.mid(to - start);
            m_caret = from - start + 1;
        } else {
            m_digits = digit;
            m_caret = 1;
        }
    } else {
        const int caret = m_line->cursorPosition();
        section = SectionAt(split, caret);
        const int start = split.starts.at(section);
        const QString& old = split.digits.at(section);
        const int width = m_sections.at(section).width;
        if (caret <= start && old.size() >= width) {
            m_digits = digit;
            m_caret = 1;
        } else if (old.size() < width) {
            // A section left short (by Backspace, say) takes the digit where the caret stands.
            m_caret = qBound(0, caret - start, int(old.size()));
            m_digits = old;
            m_digits.insert(m_caret++, digit);
        } else if (caret < split.End(section)) {
            // Inside a full section: the digit after the caret is mended.
            m_digits = old;
            m_digits[caret - start] = digit;
            m_caret = caret - start + 1;
        } else if (section + 1 < m_sections.size()) {
            ++section;
            m_digits = digit;
            m_caret = 1;
        } else {
            return true; // past the last section: nothing to type into
        }
    }
    if (m_section != section)
        m_before = m_numbers.at(section);
    m_section = section;
    m_numbers[section] = m_digits.toInt();
    // Typing goes on to the next section only from the end of a full one: digits typed from a caret inside
    // a section stay in it.
    const int width = m_sections.at(section).width;
    Show(section, m_digits.size() >= width && m_caret >= width);
    return true;
}

bool CSectionTyping::TypeSeparator()
{
    const bool goesOn = RunGoesOn();
    if (goesOn && m_movedOn) {
        // The caret went on when the digits filled the section: this separator is the one typed after them.
        m_movedOn = false;
        Remember();
        return true;
    }
    const CSplit split = Split(m_line->text());
    if (!split.valid) {
        Reset();
        return false;
    }
    if (!goesOn)
        StartRun(split);
    const int section = goesOn && m_section >= 0
                            ? m_section
                            : SectionAt(split, m_line->hasSelectedText() ? m_line->selectionStart()
                                                                         : m_line->cursorPosition());
    // The section ends here, typed short or not typed at all; the field takes what stands in it.
    Show(section, true);
    m_movedOn = false;
    Remember();
    return true;
}

bool CSectionTyping::Erase(bool backward)
{
    const bool goesOn = RunGoesOn();
    if (backward && goesOn && m_section >= 0 && m_caret > 0)
        return UndoDigit();
    const QString text = m_line->text();
    const CSplit split = Split(text);
    if (!split.valid) {
        Reset();
        return false;
    }
    int caret = m_line->cursorPosition();
    if (m_line->hasSelectedText()) {
        // A selection the operator made is the field's to remove. The section this filter selected when
        // the digits before it filled their own is not: the caret stands between the two.
        if (!goesOn || !m_movedOn) {
            Reset();
            return false;
        }
        caret = m_line->selectionStart();
    }
    // The digit before (after) the caret, whichever section it is in: a separator is passed over, never
    // removed.
    const int step = backward ? -1 : 1;
    int at = backward ? caret - 1 : caret;
    while (at >= 0 && at < text.size() && !IsDigit(text.at(at)))
        at += step;
    Reset();
    if (at < 0 || at >= text.size())
        return true;
    // The field removes it as its own Backspace does, leaving the section short with the caret where the
    // digit was; the next digit typed goes there.
    m_line->setCursorPosition(at + 1);
    m_line->backspace();
    if (m_line->cursorPosition() != at)
        m_line->setCursorPosition(at);
    return true;
}

bool CSectionTyping::UndoDigit()
{
    m_digits.remove(--m_caret, 1);
    const int section = m_section;
    m_numbers[section] = m_digits.isEmpty() ? m_before : m_digits.toInt();
    Show(section, false);
    if (m_digits.isEmpty()) {
        // Every digit typed is taken back: the section shows its old number, to be typed over.
        const CSplit shown = Split(m_line->text());
        if (shown.valid)
            m_line->setCursorPosition(shown.starts.at(section));
        Remember();
    }
    return true;
}

bool CSectionTyping::Paste()
{
    // A paste is a whole value or nothing: never keys typed from the caret, which put the digits of a date
    // into the hours, or a year's into the month. The value pasted sets the parts of it the field has and
    // keeps the rest: a time-only field takes the time of a date and time, a date keeps the field's time
    // (as a time keeps its date, so a day pasted into both ends of a range that runs from 00:00:00 to
    // 23:59:59 gives the whole day, and no time is made up). Whatever names nothing the field has, is no
    // date or time, does not exist (31 February, 24:00) or lies outside the field's range is refused.
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const CPasted pasted = ReadPasted(clipboard != nullptr ? clipboard->text() : QString());
    bool hasDate = false;
    bool hasTime = false;
    for (const CSection& section : m_sections) {
        const int part = PartOf(section.kind);
        hasDate = hasDate || (part >= 0 && part < kFirstTimePart);
        hasTime = hasTime || part >= kFirstTimePart;
    }
    QDateTime value = m_edit->dateTime();
    bool taken = false;
    if (hasDate && pasted.date.isValid()) {
        value.setDate(pasted.date);
        taken = true;
    }
    if (hasTime && pasted.time.isValid()) {
        value.setTime(pasted.time);
        taken = true;
    }
    if (!taken || !value.isValid() || value < m_edit->minimumDateTime() || value > m_edit->maximumDateTime())
        return true;
    Reset();
    m_edit->setDateTime(value);
    m_edit->setCurrentSectionIndex(int(m_sections.size()) - 1);
    m_line->setCursorPosition(int(m_line->text().size()));
    return true;
}

void CSectionTyping::TakeMenuPaste(QMenu* menu)
{
    // The line's menu names its Paste by the text it gives it: the paste keys, after a tab.
    const QString keys =
        QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu->actions()) {
        if (!action->text().endsWith(keys))
            continue;
        disconnect(action, &QAction::triggered, m_line, nullptr);
        // A read-only field's menu has its Paste disabled.
        connect(action, &QAction::triggered, this, [this] {
            if (ReadFormat())
                Paste();
        });
    }
}

bool CSectionTyping::Commit(const QInputMethodEvent* event)
{
    // An input method (the Chinese ones) may hand over what was typed as one text, full-width digits and
    // colons included: typed as its keys would be. A text being composed, or anything else, is the field's.
    if (!event->preeditString().isEmpty() || event->commitString().isEmpty() || m_line == nullptr ||
        m_edit->isReadOnly() || !ReadFormat() || !Typeable(event->commitString()))
        return false;
    TypeText(event->commitString());
    return true;
}

bool CSectionTyping::Typeable(const QString& text)
{
    for (const QChar c : text) {
        if (AsciiDigit(c).isNull() && !IsSeparator(c))
            return false;
    }
    return !text.isEmpty();
}

void CSectionTyping::TypeText(const QString& text)
{
    for (const QChar c : text) {
        if (!AsciiDigit(c).isNull())
            TypeDigit(AsciiDigit(c));
        else
            TypeSeparator();
    }
}

void CSectionTyping::StartRun(const CSplit& split)
{
    const QDateTime value = m_edit->dateTime();
    m_numbers.clear();
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        const QString& digits = split.digits.at(i);
        m_numbers << (digits.isEmpty() ? NumberOf(m_sections.at(i).kind, value) : digits.toInt());
    }
    m_section = -1;
    m_digits.clear();
    m_caret = 0;
    m_movedOn = false;
    m_running = true;
}

void CSectionTyping::Show(int section, bool done)
{
    const CSection& typed = m_sections.at(section);
    if (!done && typed.kind == QDateTimeEdit::YearSection && !m_digits.isEmpty() &&
        m_digits.size() < typed.width) {
        // A year under way is no year yet: filled with zeros it would lie in the first centuries, which the
        // field takes as its least date and time (1752-09-14 00:00:00). Shown as typed, as the field shows
        // its own short sections; the value stays until the year is whole.
        const CSplit now = Split(m_line->text());
        if (now.valid) {
            m_movedOn = false;
            m_edit->setCurrentSectionIndex(section);
            m_line->setSelection(now.starts.at(section), int(now.digits.at(section).size()));
            m_line->insert(m_digits);
            m_line->setCursorPosition(now.starts.at(section) + m_caret);
            Remember();
            return;
        }
    }
    QList<QDateTimeEdit::Section> kinds;
    for (const CSection& s : m_sections)
        kinds << s.kind;
    m_edit->setDateTime(Nearest(kinds, m_numbers, m_edit->dateTime()));
    const CSplit shown = Split(m_line->text());
    const int end = shown.valid ? shown.End(section) : int(m_line->text().size());
    // The digits typed stand at the section's end, after the zeros that fill it; the caret after the one
    // typed last.
    const int caret = shown.valid ? end - int(m_digits.size()) + m_caret : end;
    m_movedOn = false;
    if (done) {
        m_section = -1;
        m_digits.clear();
        m_caret = 0;
        if (section + 1 < m_sections.size()) {
            m_edit->setCurrentSectionIndex(section + 1);
            m_edit->setSelectedSection(m_edit->sectionAt(section + 1));
            m_movedOn = true;
        } else {
            m_edit->setCurrentSectionIndex(section);
            m_line->setCursorPosition(end);
        }
    } else {
        m_edit->setCurrentSectionIndex(section);
        m_line->setCursorPosition(qBound(shown.valid ? shown.starts.at(section) : 0, caret, end));
    }
    Remember();
}

bool CSectionTyping::RunGoesOn() const
{
    return m_running && m_line->text() == m_leftText && m_line->cursorPosition() == m_leftCursor &&
           m_line->selectionStart() == m_leftSelectionStart &&
           m_line->selectedText().size() == m_leftSelectionLength;
}

void CSectionTyping::Remember()
{
    m_running = true;
    m_leftText = m_line->text();
    m_leftCursor = m_line->cursorPosition();
    m_leftSelectionStart = m_line->selectionStart();
    m_leftSelectionLength = int(m_line->selectedText().size());
}

void CSectionTyping::Reset()
{
    m_running = false;
    m_section = -1;
    m_digits.clear();
    m_caret = 0;
    m_movedOn = false;
}

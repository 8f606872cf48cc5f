// Times and dates typed as a keyboard types them, into the editors of the real windows (the schedule table,
// the log and record pages' ranges, the manual backup form), in both languages. A keyboard sends the Shift's
// own press before ':' and its release after it; a filter that forgot the section under way on that press
// let the ':' step a second time, and "04:33:00" became 04:00:00. A caret placed by a click inside a section
// mends the digit there; an impossible day, month or hour becomes the nearest one that exists, never a value
// whose last digit went into the next section. A paste (Control, V, as a keyboard sends them) is the value
// pasted or nothing, wherever the caret stands: a date pasted into a time became 20:24:05 when it was typed
// as keys from the hour.

#include "engine/EngineCommon.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/KeyboardKeys.h"
#include "tests/support/gui/ModalDriver.h"
#include "tests/support/gui/TypingWindows.h"
#include "widgets/thumbnails/CPictureGroup.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <memory>

class TestKeyboardTyping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void typedWithItsModifierKeys_data();
    void typedWithItsModifierKeys();
    void mendingOneDigit_data();
    void mendingOneDigit();
    void impossibleValueBecomesTheNearest_data();
    void impossibleValueBecomesTheNearest();
    void pasteOfNoDateKeepsTheValue();
    void pasteIsTheValueOrNothing_data();
    void pasteIsTheValueOrNothing();
    void menuPasteIsThePaste_data();
    void menuPasteIsThePaste();
    void inputMethodTextIsTyped_data();
    void inputMethodTextIsTyped();
    void correctedAsOneTypes_data();
    void correctedAsOneTypes();
    void correctedValueIsStored();
};

namespace {

using namespace TypingWindows;

const char* const kWindowNames[] = {"schedule", "log page", "record page", "manual backup", "date cell"};

// The fields of a window, by the names the windows give them; the schedule's by their table columns.
QStringList FieldsOf(int window)
{
    switch (window) {
    case SCHEDULE:
        return {QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("5")};
    case LOG_PAGE:
        return {QStringLiteral("m_pStartTime"), QStringLiteral("m_pEndTime")};
    case RECORD_PAGE:
        return {QStringLiteral("pDtFrom"), QStringLiteral("pDtTo")};
    case DATE_CELL:
        return {QStringLiteral("date")};
    default:
        return {QStringLiteral("pDtStart"), QStringLiteral("pDtEnd")};
    }
}

// A window of the program on a station of its own, one of its fields focused and holding `value`.
struct CWindowUnderTest
{
    std::unique_ptr<CEngineFixture> station;
    std::unique_ptr<QWidget> window;
    QDateTimeEdit* edit = nullptr;
    QLineEdit* line = nullptr;

    CWindowUnderTest(int kind, const QString& field, const QString& value)
    {
        station = std::make_unique<CEngineFixture>(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        COpened opened = Open(kind, field);
        window = std::move(opened.window);
        edit = opened.edit;
        if (edit == nullptr)
            return;
        line = edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
        edit->setDateTime(
            QDateTime::fromString(value, edit->displayFormat()).isValid()
                ? QDateTime::fromString(value, edit->displayFormat())
                : QDateTime(edit->date(), QTime::fromString(value, QStringLiteral("hh:mm:ss"))));
        window->resize(1100, 700);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            edit = nullptr;
            return;
        }
        window->activateWindow();
        edit->setFocus();
    }

    bool Ready() const { return edit != nullptr && line != nullptr && edit->hasFocus(); }
};

// The columns of a test that types `typed` over `start` in a field of a window and finds `shown` there.
void AddTypingColumns()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("chinese");
}

void AddForEachLanguage(const QString& name, int window, const QString& field, const QString& start,
                        const QString& typed, const QString& shown)
{
    for (const bool chinese : {false, true})
        QTest::addRow("%s %s: %s%s", kWindowNames[window], qPrintable(field), qPrintable(name),
                      chinese ? ", Chinese" : "")
            << window << field << start << typed << shown << chinese;
}

void SetLanguage(bool chinese)
{
    QLocale::setDefault(chinese ? QLocale(QLocale::Chinese, QLocale::China)
                                : QLocale(QLocale::English, QLocale::UnitedStates));
}

} // namespace

using KeyboardKeys::TypeLikeAKeyboard;

namespace {

// The keys of a correction as a keyboard sends them: B is Backspace, D Delete, the rest typed as they are
// (':' with its Shift). Keys that start with V paste the rest.
void TypeWithCorrections(QWidget* w, const QString& keys)
{
    if (keys.startsWith(QLatin1Char('V'))) {
        QGuiApplication::clipboard()->setText(keys.mid(1));
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        return;
    }
    for (const QChar key : keys) {
        if (key == QLatin1Char('B'))
            QTest::keyClick(w, Qt::Key_Backspace);
        else if (key == QLatin1Char('D'))
            QTest::keyClick(w, Qt::Key_Delete);
        else
            TypeLikeAKeyboard(w, QString(key));
    }
}

// The caret put before character `position` by a click, or the whole text selected for -1.
bool PlaceCaret(const CWindowUnderTest& under, int position)
{
    if (position < 0) {
        QTest::keyClick(under.edit, Qt::Key_A, Qt::ControlModifier);
        return under.line->selectedText() == under.line->text();
    }
    const QPoint at = PointOfCaret(under.line, position);
    if (at.x() < 0)
        return false;
    QTest::mouseClick(under.line, Qt::LeftButton, Qt::NoModifier, at);
    return under.line->cursorPosition() == position && !under.line->hasSelectedText();
}

} // namespace

void TestKeyboardTyping::cleanup()
{
    SetLanguage(false);
}

void TestKeyboardTyping::typedWithItsModifierKeys_data()
{
    AddTypingColumns();
    // Every digit is typed somewhere (0 to 9), each time after a separator typed with Shift.
    const QStringList times = {QStringLiteral("04:33:00"), QStringLiteral("23:59:59"),
                               QStringLiteral("19:30:00"), QStringLiteral("04:33:15"),
                               QStringLiteral("16:47:28")};
    for (const QString& field : FieldsOf(SCHEDULE)) {
        for (const QString& time : times)
            AddForEachLanguage(time, SCHEDULE, field, QStringLiteral("18:27:42"), time, time);
    }
    const QStringList dateTimes = {
        QStringLiteral("2024-05-01 10:33:44"), QStringLiteral("2024-05-01 23:59:59"),
        QStringLiteral("2019-08-27 19:30:00"), QStringLiteral("2016-12-31 06:17:58")};
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        for (const QString& field : FieldsOf(window)) {
            for (const QString& dateTime : dateTimes)
                AddForEachLanguage(dateTime, window, field, QStringLiteral("2023-11-17 18:27:42"), dateTime,
                                   dateTime);
        }
    }
}

// Over the whole text selected, and from the caret at the start; with only the Shift around each ':', and
// with other modifiers pressed alone between the keys besides.
void TestKeyboardTyping::typedWithItsModifierKeys()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    for (const bool selectAll : {true, false}) {
        for (const bool noise : {false, true}) {
            CWindowUnderTest under(window, field, start);
            QVERIFY(under.Ready());
            QCOMPARE(under.edit->text(), start);
            if (selectAll)
                QTest::keyClick(under.edit, Qt::Key_A, Qt::ControlModifier);
            else
                QTest::keyClick(under.edit, Qt::Key_Home);
            TypeLikeAKeyboard(under.edit, typed, noise);
            const QString how = QStringLiteral("%1%2").arg(selectAll ? "over all" : "from the start",
                                                           noise ? ", modifiers alone between" : "");
            QVERIFY2(under.edit->text() == shown, qPrintable(how + ": " + under.edit->text()));
            QTest::keyClick(under.edit, Qt::Key_Tab);
            QVERIFY2(under.edit->dateTime().toString(under.edit->displayFormat()) == shown, qPrintable(how));
        }
    }
}

void TestKeyboardTyping::mendingOneDigit_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("click");    // the caret's place, put there by a click
    QTest::addColumn<QString>("keys"); // digits as they are, B Backspace, D Delete, < Left
    QTest::addColumn<QString>("shown");
    struct CMend
    {
        const char* name;
        const char* start;
        int click;
        const char* keys;
        const char* shown;
    };
    const CMend times[] = {
        {"last minute digit, Backspace", "04:33:00", 5, "B5", "04:35:00"},
        {"hour's 0 mended to 1", "10:00:00", 2, "B1", "11:00:00"},
        {"inside a full section, no Backspace", "04:33:00", 4, "5", "04:35:00"},
        {"Delete before the minutes' first digit", "04:33:00", 3, "D5", "04:53:00"},
        {"start of a full section: typed over", "04:33:00", 3, "57", "04:57:00"},
        {"a digit typed, taken back, typed again", "18:27:42", 0, "2B13", "13:27:42"},
        {"caret moved by keys", "04:33:00", 8, "<<<B5", "04:35:00"},
    };
    const CMend dateTimes[] = {
        {"year 2024 mended to 2023", "2024-05-01 04:33:00", 4, "B3", "2023-05-01 04:33:00"},
        {"day 01 mended to 05", "2024-05-01 04:33:00", 10, "B5", "2024-05-05 04:33:00"},
        {"last minute digit, Backspace", "2024-05-01 04:33:00", 16, "B5", "2024-05-01 04:35:00"},
        {"hour's 0 mended to 1", "2024-05-01 10:00:00", 13, "B1", "2024-05-01 11:00:00"},
        {"month's second digit, no Backspace", "2024-05-01 04:33:00", 6, "6", "2024-06-01 04:33:00"},
    };
    for (const auto& t : times) {
        for (const QString& field : {QStringLiteral("1"), QStringLiteral("5")})
            QTest::addRow("schedule %s: %s", qPrintable(field), t.name)
                << int(SCHEDULE) << field << QString::fromLatin1(t.start) << t.click
                << QString::fromLatin1(t.keys) << QString::fromLatin1(t.shown);
    }
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        for (const auto& t : dateTimes)
            QTest::addRow("%s: %s", kWindowNames[window], t.name)
                << window << FieldsOf(window).constFirst() << QString::fromLatin1(t.start) << t.click
                << QString::fromLatin1(t.keys) << QString::fromLatin1(t.shown);
    }
}

// One digit mended where the caret stands edits that digit, as the plain field does; the rest stays.
void TestKeyboardTyping::mendingOneDigit()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(int, click);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    CWindowUnderTest under(window, field, start);
    QVERIFY(under.Ready());
    QCOMPARE(under.edit->text(), start);
    const QPoint at = PointOfCaret(under.line, click);
    QVERIFY(at.x() >= 0);
    QTest::mouseClick(under.line, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(under.line->cursorPosition(), click);
    QVERIFY(!under.line->hasSelectedText());
    for (const QChar key : keys) {
        if (key == QLatin1Char('B'))
            QTest::keyClick(under.edit, Qt::Key_Backspace);
        else if (key == QLatin1Char('D'))
            QTest::keyClick(under.edit, Qt::Key_Delete);
        else if (key == QLatin1Char('<'))
            QTest::keyClick(under.edit, Qt::Key_Left);
        else
            QTest::keyClick(under.edit, key.toLatin1());
    }
    QCOMPARE(under.edit->text(), shown);
    QCOMPARE(under.edit->dateTime().toString(under.edit->displayFormat()), shown);
}

void TestKeyboardTyping::impossibleValueBecomesTheNearest_data()
{
    AddTypingColumns();
    const struct
    {
        const char* typed;
        const char* shown;
    } dates[] = {
        {"2024-02-31 10:00:00", "2024-02-29 10:00:00"}, {"2024-02-30 10:00:00", "2024-02-29 10:00:00"},
        {"2023-02-29 10:00:00", "2023-02-28 10:00:00"}, {"2024-04-31 10:00:00", "2024-04-30 10:00:00"},
        {"2024-13-01 10:00:00", "2024-12-01 10:00:00"}, {"2024-00-00 10:00:00", "2024-01-01 10:00:00"},
        {"2024-05-01 24:00:00", "2024-05-01 23:59:59"}, {"2024-05-01 24:30:15", "2024-05-01 23:59:59"},
    };
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        for (const auto& d : dates)
            AddForEachLanguage(QString::fromLatin1(d.typed), window, FieldsOf(window).constLast(),
                               QStringLiteral("2023-11-17 18:27:42"), QString::fromLatin1(d.typed),
                               QString::fromLatin1(d.shown));
    }
    for (const QString& field : FieldsOf(SCHEDULE)) {
        AddForEachLanguage(QStringLiteral("24:00:00"), SCHEDULE, field, QStringLiteral("18:27:42"),
                           QStringLiteral("24:00:00"), QStringLiteral("23:59:59"));
        AddForEachLanguage(QStringLiteral("hour 24 alone"), SCHEDULE, field, QStringLiteral("18:27:42"),
                           QStringLiteral("24"), QStringLiteral("23:59:59"));
    }
}

// Typed with its keys, the nearest value; no digit of a section lands in the next one (the hour stays 10
// after an impossible day). Pasted over the whole text, a value that does not exist is refused: a paste is
// the value pasted or nothing.
void TestKeyboardTyping::impossibleValueBecomesTheNearest()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    for (const bool paste : {false, true}) {
        CWindowUnderTest under(window, field, start);
        QVERIFY(under.Ready());
        QTest::keyClick(under.edit, Qt::Key_A, Qt::ControlModifier);
        if (paste) {
            QGuiApplication::clipboard()->setText(typed);
            QTest::keyClick(under.edit, Qt::Key_V, Qt::ControlModifier);
        } else {
            TypeLikeAKeyboard(under.edit, typed, false);
        }
        const char* how = paste ? "pasted" : "typed";
        const QString expected = paste ? start : shown;
        QVERIFY2(under.edit->text() == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(how, under.edit->text())));
        QTest::keyClick(under.edit, Qt::Key_Tab);
        QVERIFY2(under.edit->dateTime().toString(under.edit->displayFormat()) == expected, how);
    }
}

// A paste that is no date or time leaves the field as it was, whatever it holds.
void TestKeyboardTyping::pasteOfNoDateKeepsTheValue()
{
    for (const QString& junk : {QStringLiteral("tomorrow"), QStringLiteral("10:00 pm")}) {
        CWindowUnderTest under(MANUAL_BACKUP, QStringLiteral("pDtStart"),
                               QStringLiteral("2023-11-17 18:27:42"));
        QVERIFY(under.Ready());
        QTest::keyClick(under.edit, Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(junk);
        QTest::keyClick(under.edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(under.edit, Qt::Key_Tab);
        QCOMPARE(under.edit->dateTime(), QDateTime(QDate(2023, 11, 17), QTime(18, 27, 42)));
    }
}

namespace {

// A paste as a keyboard sends it: Control pressed, V pressed and released with it, Control released.
void PasteLikeAKeyboard(QWidget* w)
{
    QTest::keyPress(w, Qt::Key_Control);
    QTest::keyPress(w, Qt::Key_V, Qt::ControlModifier);
    QTest::keyRelease(w, Qt::Key_V, Qt::ControlModifier);
    QTest::keyRelease(w, Qt::Key_Control, Qt::ControlModifier);
}

} // namespace

void TestKeyboardTyping::pasteIsTheValueOrNothing_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown"); // the start again where the paste is refused
    QTest::addColumn<bool>("chinese");
    struct CPaste
    {
        const char* name;
        const char* pasted;
        const char* shown; // null: refused
    };
    // Full-width digits, hyphens, colons and the ideographic space, as a Chinese text has them.
    const char* const fullWidthDateTime = "\uFF12\uFF10\uFF12\uFF14\uFF0D\uFF10\uFF15\uFF0D\uFF10\uFF11\u3000"
                                          "\uFF11\uFF10\uFF1A\uFF10\uFF10\uFF1A\uFF10\uFF10";
    const CPaste dateTimes[] = {
        {"a date and time", "2024-05-01 10:00:00", "2024-05-01 10:00:00"},
        {"a date and time with a T", "2024-05-01T10:00:00", "2024-05-01 10:00:00"},
        {"a date and time to the minute", "2024-05-01 10:00", "2024-05-01 10:00:00"},
        {"a date and time with a line's end", " 2024-05-01 10:00:00\n", "2024-05-01 10:00:00"},
        {"a date and time, one-digit month, day and hour", "2024-5-1 9:05:06", "2024-05-01 09:05:06"},
        {"a full-width date and time", fullWidthDateTime, "2024-05-01 10:00:00"},
        {"a time", "10:00:00", "2023-11-17 10:00:00"},
        {"a time to the minute", "10:00", "2023-11-17 10:00:00"},
        {"a date keeps the time", "2024-05-01", "2024-05-01 18:27:42"},
        {"31 February", "2024-02-31 10:00:00", nullptr},
        {"month 13", "2024-13-01 10:00:00", nullptr},
        {"hour 24", "2024-05-01 24:00:00", nullptr},
        {"minute 60", "2024-05-01 10:60:00", nullptr},
        {"a year and month", "2024-05", nullptr},
        {"two digits", "05", nullptr},
        {"digits without separators", "20240501100000", nullptr},
        {"a date and an hour", "2024-05-01 10", nullptr},
        {"a time zone", "2024-05-01T10:00:00Z", nullptr},
        {"a fraction of a second", "2024-05-01 10:00:00.5", nullptr},
        {"a T without a date", "T10:00:00", nullptr},
        {"a date and time run together", "2024-05-0110:00:00", nullptr},
        {"a date with slashes", "2024/05/01 10:00:00", nullptr},
        {"a two-digit year", "24-05-01 10:00:00", nullptr},
        {"a word after it", "2024-05-01 10:00:00 pm", nullptr},
        {"nothing", "", nullptr},
    };
    const CPaste times[] = {
        {"a time", "04:35:06", "04:35:06"},
        {"a time to the minute", "04:35", "04:35:00"},
        {"a one-digit hour", "4:35:06", "04:35:06"},
        {"the time of a date and time", "2024-05-01 10:00:00", "10:00:00"},
        {"the time of a date and time with a T", "2024-05-01T04:35:06", "04:35:06"},
        {"a full-width time", "\uFF10\uFF14\uFF1A\uFF13\uFF15\uFF1A\uFF10\uFF16", "04:35:06"},
        {"a date: no time in it", "2024-05-01", nullptr},
        {"the date of an impossible date and time", "2024-02-30 10:00:00", nullptr},
        {"hour 24", "24:00:00", nullptr},
        {"second 60", "04:35:60", nullptr},
        {"two digits", "05", nullptr},
        {"digits without separators", "043506", nullptr},
        {"a time and a half", "04:35:06:07", nullptr},
        {"nothing", "", nullptr},
    };
    const CPaste dates[] = {
        {"a date", "2024-05-01", "2024-05-01"},
        {"the date of a date and time", "2024-05-01 10:00:00", "2024-05-01"},
        {"a time: no date in it", "10:00:00", nullptr},
        {"30 February", "2024-02-30", nullptr},
        {"a year and month", "2024-05", nullptr},
    };
    const auto add = [](int window, const QString& field, const QString& start, const CPaste& p) {
        for (const bool chinese : {false, true})
            QTest::addRow("%s %s: %s%s", kWindowNames[window], qPrintable(field), p.name,
                          chinese ? ", Chinese" : "")
                << window << field << start << QString::fromUtf8(p.pasted)
                << (p.shown != nullptr ? QString::fromLatin1(p.shown) : start) << chinese;
    };
    for (const QString& field : FieldsOf(SCHEDULE)) {
        for (const auto& p : times)
            add(SCHEDULE, field, QStringLiteral("18:27:42"), p);
    }
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        for (const QString& field : FieldsOf(window)) {
            for (const auto& p : dateTimes)
                add(window, field, QStringLiteral("2023-11-17 18:27:42"), p);
        }
    }
    // The log keeps nothing before 1970: its fields refuse a value they cannot hold rather than bend it, and
    // take their first and last values as they are.
    const CPaste logRange[] = {
        {"before the field's first date", "1969-12-31 23:59:59", nullptr},
        {"the field's first value", "1970-01-01 00:00:00", "1970-01-01 00:00:00"},
        {"the field's last value", "9999-12-31 23:59:59", "9999-12-31 23:59:59"},
    };
    for (const QString& field : FieldsOf(LOG_PAGE)) {
        for (const auto& p : logRange)
            add(LOG_PAGE, field, QStringLiteral("2023-11-17 18:27:42"), p);
    }
    for (const auto& p : dates)
        add(DATE_CELL, FieldsOf(DATE_CELL).constFirst(), QStringLiteral("2023-11-17"), p);
}

// Wherever the caret stands (the whole text selected, the start, inside the month or the hour, the end), a
// paste sent as a keyboard sends it gives the value pasted, or leaves the field as it was; shown and taken.
void TestKeyboardTyping::pasteIsTheValueOrNothing()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    CWindowUnderTest under(window, field, start);
    QVERIFY(under.Ready());
    const QDateTime before = under.edit->dateTime();
    // Places inside the month and the hour of a date and time, the minute of a time; -1 selects all.
    const QList<int> carets = start.size() > 10                  ? QList<int>{-1, 0, 5, 6, 12, 19}
                              : start.contains(QLatin1Char(':')) ? QList<int>{-1, 0, 1, 3, 8}
                                                                 : QList<int>{-1, 0, 6, 10};
    for (const int caret : carets) {
        under.edit->setDateTime(before);
        under.edit->setFocus();
        QCOMPARE(under.edit->text(), start);
        QVERIFY(PlaceCaret(under, caret));
        const int caretBefore = under.line->cursorPosition();
        const QString selectedBefore = under.line->selectedText();
        QGuiApplication::clipboard()->setText(pasted);
        PasteLikeAKeyboard(under.edit);
        const QString where = QStringLiteral("caret %1: ").arg(caret);
        QVERIFY2(under.edit->text() == shown, qPrintable(where + under.edit->text()));
        if (shown == start) {
            // Refused: nothing moves, the caret and the selection included.
            QCOMPARE(under.line->cursorPosition(), caretBefore);
            QCOMPARE(under.line->selectedText(), selectedBefore);
        } else {
            // Taken: the caret after the value, as after any paste, and the arrows step the section it
            // stands in.
            QCOMPARE(under.line->cursorPosition(), int(under.line->text().size()));
            QVERIFY(!under.line->hasSelectedText());
            QCOMPARE(under.edit->currentSection(), under.edit->sectionAt(under.edit->sectionCount() - 1));
        }
        QTest::keyClick(under.edit, Qt::Key_Tab);
        QVERIFY2(under.edit->dateTime().toString(under.edit->displayFormat()) == shown,
                 qPrintable(where + under.edit->dateTime().toString(under.edit->displayFormat())));
    }
}

void TestKeyboardTyping::menuPasteIsThePaste_data()
{
    AddTypingColumns();
    const QString whole = QStringLiteral("2024-05-01 10:00:00");
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        AddForEachLanguage(QStringLiteral("a date and time"), window, FieldsOf(window).constFirst(),
                           QStringLiteral("2023-11-17 18:27:42"), whole, whole);
        AddForEachLanguage(QStringLiteral("31 February refused"), window, FieldsOf(window).constLast(),
                           QStringLiteral("2023-11-17 18:27:42"), QStringLiteral("2024-02-31 10:00:00"),
                           QStringLiteral("2023-11-17 18:27:42"));
    }
    for (const QString& field : FieldsOf(SCHEDULE)) {
        AddForEachLanguage(QStringLiteral("the time of a date and time"), SCHEDULE, field,
                           QStringLiteral("18:27:42"), whole, QStringLiteral("10:00:00"));
        AddForEachLanguage(QStringLiteral("a date refused"), SCHEDULE, field, QStringLiteral("18:27:42"),
                           QStringLiteral("2024-05-01"), QStringLiteral("18:27:42"));
    }
}

// The Paste of the field's context menu, with the caret in the month (the minutes of a time), is the same
// paste as the keys': the toolkit's own refused a whole value pasted there, and took a time-only field's
// date and time whole or not at all.
void TestKeyboardTyping::menuPasteIsThePaste()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    CWindowUnderTest under(window, field, start);
    QVERIFY(under.Ready());
    QVERIFY(PlaceCaret(under, start.size() > 10 ? 6 : 4));
    QGuiApplication::clipboard()->setText(typed);
    bool found = false;
    // The menu runs its own loop: its Paste is chosen from a timer, as the pointer chooses it.
    QTimer::singleShot(0, under.edit, [&found] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        const QString keys =
            QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        for (QAction* action : menu->actions()) {
            if (action->text().endsWith(keys) && action->isEnabled()) {
                found = true;
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    const QPoint at = under.line->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, under.line->mapToGlobal(at));
    QApplication::sendEvent(under.edit, &menuEvent);
    QVERIFY(found);
    QCOMPARE(under.edit->text(), shown);
    QTest::keyClick(under.edit, Qt::Key_Tab);
    QCOMPARE(under.edit->dateTime().toString(under.edit->displayFormat()), shown);
}

void TestKeyboardTyping::inputMethodTextIsTyped_data()
{
    AddTypingColumns();
    // Full-width digits, colons, hyphens and the ideographic space, as a Chinese input method commits them.
    AddForEachLanguage(
        QStringLiteral("full-width time"), SCHEDULE, QStringLiteral("1"), QStringLiteral("18:27:42"),
        QStringLiteral("\uFF10\uFF14\uFF1A\uFF13\uFF13\uFF1A\uFF10\uFF10"), QStringLiteral("04:33:00"));
    const QString fullWidth = QStringLiteral("\uFF12\uFF10\uFF12\uFF14\uFF0D\uFF10\uFF12\uFF0D\uFF13\uFF11"
                                             "\u3000\uFF11\uFF19\uFF1A\uFF13\uFF10\uFF1A"
                                             "\uFF10\uFF10");
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP})
        AddForEachLanguage(QStringLiteral("full-width date-time"), window, FieldsOf(window).constFirst(),
                           QStringLiteral("2023-11-17 18:27:42"), fullWidth,
                           QStringLiteral("2024-02-29 19:30:00"));
    AddForEachLanguage(QStringLiteral("plain digits in one commit"), MANUAL_BACKUP, QStringLiteral("pDtEnd"),
                       QStringLiteral("2023-11-17 18:27:42"), QStringLiteral("2024-05-01 10:33:44"),
                       QStringLiteral("2024-05-01 10:33:44"));
}

// What an input method commits at once is typed as its keys would be, over the whole text selected.
void TestKeyboardTyping::inputMethodTextIsTyped()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    CWindowUnderTest under(window, field, start);
    QVERIFY(under.Ready());
    QTest::keyClick(under.edit, Qt::Key_A, Qt::ControlModifier);
    QInputMethodEvent commit;
    commit.setCommitString(typed);
    QApplication::sendEvent(under.edit, &commit);
    QCOMPARE(under.edit->text(), shown);
    QTest::keyClick(under.edit, Qt::Key_Tab);
    QCOMPARE(under.edit->dateTime().toString(under.edit->displayFormat()), shown);
}

void TestKeyboardTyping::correctedAsOneTypes_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("click"); // the caret's place, put there by a click; -1 for the whole text selected
    QTest::addColumn<QString>("keys");  // B Backspace, D Delete, the rest typed
    QTest::addColumn<QString>("shown"); // with a | where the caret stands, when that is what is checked
    QTest::addColumn<bool>("chinese");
    struct CCorrection
    {
        const char* name;
        const char* start;
        int click;
        const char* keys;
        const char* shown;
    };
    // Backspace takes back the character before the caret, whichever section it is in; a separator before
    // the caret is passed over to the digit before it. The next digit goes where the one taken back was.
    const CCorrection times[] = {
        {"hour's last digit taken back", "18:27:42", -1, "04B5", "05:27:42"},
        {"hour's last digit taken back, the rest typed", "18:27:42", -1, "04B5:00:00", "05:00:00"},
        {"hour emptied and typed again", "18:27:42", -1, "04BB17", "17:27:42"},
        {"minute's last digit taken back", "18:27:42", -1, "04:33B5:00", "04:35:00"},
        {"Backspace over a separator", "04:33:00", 3, "B5", "05:33:00"},
        {"Delete over a separator", "04:37:00", 2, "D5", "04:57:00"},
        {"Delete, then two digits in the full section", "04:37:00", 3, "D59", "04:59:00"},
        {"the caret where the digit taken back was", "04:33:00", 3, "B", "0|:33:00"},
        {"the caret after the digit typed inside a full section", "04:37:00", 3, "D5", "04:5|7:00"},
        {"a time pasted over all", "18:27:42", -1, "V04:35:00", "04:35:00"},
    };
    const CCorrection dateTimes[] = {
        {"day's last digit taken back", "2023-11-17 18:27:42", -1, "2024-05-03B2 10:00:00",
         "2024-05-02 10:00:00"},
        {"year's last digit taken back", "2023-11-17 18:27:42", -1, "2024B3-05-01 10:00:00",
         "2023-05-01 10:00:00"},
        {"minute's last digit taken back", "2023-11-17 18:27:42", -1, "2024-05-01 10:33B5:00",
         "2024-05-01 10:35:00"},
        {"two digits inside a full year", "2026-12-07 10:00:00", 2, "23", "2023-12-07 10:00:00"},
        {"inside a full year, then the month", "2026-12-07 10:00:00", 2, "2305", "2023-05-07 10:00:00"},
        {"Backspace over a separator", "2024-05-03 10:00:00", 8, "B6", "2024-06-03 10:00:00"},
        {"the caret where the digit taken back was", "2023-11-17 18:27:42", -1, "2024-05-03B",
         "2024-05-0| 18:27:42"},
        // Filled with zeros, a year typed in part lay before the field's least date: the whole field showed
        // 1752-09-14 00:00:00 until the year was whole.
        {"a year under way shown as typed", "2023-11-17 18:27:42", -1, "202", "202|-11-17 18:27:42"},
        // A time pasted over a date and time takes the time and keeps the date; a date keeps the time.
        {"a time pasted over all", "2023-11-17 18:27:42", -1, "V04:35:00", "2023-11-17 04:35:00"},
        {"hours and minutes pasted over all", "2023-11-17 18:27:42", -1, "V04:35", "2023-11-17 04:35:00"},
        {"a date pasted over all", "2023-11-17 18:27:42", -1, "V2024-05-01", "2024-05-01 18:27:42"},
        {"a date and time pasted over all", "2023-11-17 18:27:42", -1, "V2024-05-01 04:35:00",
         "2024-05-01 04:35:00"},
        {"Delete over a separator", "2024-05-03 10:00:00", 7, "D1", "2024-05-13 10:00:00"},
    };
    const CCorrection dates[] = {
        {"day's last digit taken back", "2023-11-17", -1, "2024-05-03B2", "2024-05-02"},
        {"two digits inside a full year", "2026-12-07", 2, "23", "2023-12-07"},
        {"Backspace over a separator", "2024-05-03", 8, "B6", "2024-06-03"},
        {"a time pasted: no place for it", "2023-11-17", -1, "V04:35:00", "2023-11-17"},
    };
    const auto add = [](int window, const QString& field, const CCorrection& c) {
        for (const bool chinese : {false, true})
            QTest::addRow("%s %s: %s%s", kWindowNames[window], qPrintable(field), c.name,
                          chinese ? ", Chinese" : "")
                << window << field << QString::fromLatin1(c.start) << c.click << QString::fromLatin1(c.keys)
                << QString::fromLatin1(c.shown) << chinese;
    };
    for (const QString& field : FieldsOf(SCHEDULE)) {
        for (const auto& c : times)
            add(SCHEDULE, field, c);
    }
    for (const int window : {LOG_PAGE, RECORD_PAGE, MANUAL_BACKUP}) {
        for (const auto& c : dateTimes)
            add(window, FieldsOf(window).constFirst(), c);
    }
    for (const auto& c : dates)
        add(DATE_CELL, FieldsOf(DATE_CELL).constFirst(), c);
}

// A digit typed and taken back at once, a digit removed before or after the caret, digits typed from a caret
// inside a full section: the field then holds what the operator meant, shown and taken.
void TestKeyboardTyping::correctedAsOneTypes()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(int, click);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    SetLanguage(chinese);
    CWindowUnderTest under(window, field, start);
    QVERIFY(under.Ready());
    QCOMPARE(under.edit->text(), start);
    QVERIFY(PlaceCaret(under, click));
    TypeWithCorrections(under.edit, keys);
    if (const int caret = int(shown.indexOf(QLatin1Char('|'))); caret >= 0) {
        QCOMPARE(under.edit->text(), QString(shown).remove(caret, 1));
        QCOMPARE(under.line->cursorPosition(), caret);
        return;
    }
    QCOMPARE(under.edit->text(), shown);
    QTest::keyClick(under.edit, Qt::Key_Tab);
    QCOMPARE(under.edit->dateTime().toString(under.edit->displayFormat()), shown);
}

// What is kept is what was meant: the plan stores the File Begin typed with a digit taken back, and the
// manual backup runs over the start so typed (Return pressed in the field).
void TestKeyboardTyping::correctedValueIsStored()
{
    {
        CEngineFixture f(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        SCHEDULE_WEEKDAY entry = CEngineFixture::Evening();
        entry.FileEndTime = {23, 0, 0};
        QVERIFY(f.AddPlan(0, {}, entry));
        CModalDriver driver;
        CDlgCfgPlan page;
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        auto* table = page.findChild<CTableView*>(QStringLiteral("m_ptableViewBackUpTime"));
        auto* begin = qobject_cast<CTimeEdit*>(table->GetItemWidget(0, CDlgCfgPlan::COL_FILE_START));
        QVERIFY(begin != nullptr);
        begin->setFocus();
        QTest::keyClick(begin, Qt::Key_A, Qt::ControlModifier);
        TypeWithCorrections(begin, QStringLiteral("04B5:00:00"));
        QTest::keyClick(begin, Qt::Key_Tab);
        driver.Accept();
        QVERIFY(page.SavePlans());
        const SCHEDULE_TIME& stored = f.Model().GetGroupInfo(0)->Schedule[0].FileStartTime;
        QCOMPARE(QTime(stored.Hour, stored.Minute, stored.Second), QTime(5, 0, 0));
    }
    {
        CEngineFixture f(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        QVERIFY(f.AddDevice(CSimRecorders::MakeConfig(2, {}, {}), "Gate") >= 0);
        SYSTEM_CONFIG system;
        f.Model().GetSystemConfig(&system);
        system.Disk[0] = 'D';
        f.Model().SetSystemConfig(&system);
        f.Model().SetBackupMode(2);
        CModalDriver driver;
        CDlgManualBackup dlg(nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.PictureGroup()->OnTitleBarDbClicked(1);
        auto* start = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtStart"));
        auto* end = dlg.findChild<QDateTimeEdit*>(QStringLiteral("pDtEnd"));
        start->setDateTime(QDateTime(QDate(2023, 11, 17), QTime(18, 27, 42)));
        end->setDateTime(QDateTime(QDate(2024, 5, 20), QTime(23, 59, 59)));
        start->setFocus();
        QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
        TypeWithCorrections(start, QStringLiteral("2024-05-03B2 10:00:00"));
        QTest::keyClick(start, Qt::Key_Return);
        QVERIFY2(driver.Seen().isEmpty(), qPrintable(driver.Seen().value(0).Text()));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const MANUAL_BACKUP_INFO* manual = f.Model().GetManualBackupInfo();
        QCOMPARE(FromSdkTime(manual->FileStartTime), QDateTime(QDate(2024, 5, 2), QTime(10, 0)));
        QCOMPARE(FromSdkTime(manual->FileEndTime), QDateTime(QDate(2024, 5, 20), QTime(23, 59, 59)));
        QVERIFY(f.Recorders().WaitForIdle());
    }
}

VARROW_TEST_MAIN(TestKeyboardTyping, QApplication)
#include "tst_gui_keyboardtyping.moc"

// Times and dates typed with the X server's own keys (xdotool on Xvfb, openbox placing the windows) into the
// editors of the real windows, in both languages. The server sends what a keyboard sends: the Shift's press
// before ':' and its release after, which headless key events only imitate. A click of the real pointer
// between two digits mends the digit after it; Control and V paste the value pasted or nothing, wherever the
// pointer put the caret. Skipped where Xvfb, openbox or xdotool is missing.
// With VARROW_SHOTS_DIR set, the screen is saved after each typing, to be looked at (VARROW_SHOTS_SCREEN
// gives the screen's size).

#include "tests/support/EngineFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/TypingWindows.h"
#include "tests/support/gui/XSession.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QScreen>

#include <memory>

namespace {

using namespace TypingWindows;

// What the X server shows, once the window has painted what it holds.
void SaveScreen(QWidget* window, const QString& file)
{
    window->repaint();
    QApplication::sync();
    QTest::qWait(100);
    window->screen()->grabWindow(0).save(file);
}

} // namespace

class TestXTyping : public QObject
{
    Q_OBJECT

public:
    explicit TestXTyping(const CXSession& x) : m_x(x) {}

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void typedWithTheServersKeys_data();
    void typedWithTheServersKeys();
    void pastedWithTheServersKeys_data();
    void pastedWithTheServersKeys();

private:
    // Typed with the server's keys; B is Backspace.
    bool TypeKeys(const QString& keys) const;

    const CXSession& m_x;
};

bool TestXTyping::TypeKeys(const QString& keys) const
{
    const QStringList parts = keys.split(QLatin1Char('B'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0 && !m_x.Press(QStringLiteral("BackSpace")))
            return false;
        if (!parts.at(i).isEmpty() && !m_x.Type(parts.at(i)))
            return false;
    }
    return true;
}

void TestXTyping::initTestCase()
{
    if (!m_x.Running())
        QSKIP(qPrintable(m_x.Reason()));
    if (!m_x.HasPointer())
        QSKIP("xdotool is not installed");
}

void TestXTyping::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestXTyping::typedWithTheServersKeys_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("click");      // a caret placed by the pointer afterwards, -1 for none
    QTest::addColumn<QString>("mended"); // typed there
    QTest::addColumn<QString>("after");  // the field then
    QTest::addColumn<bool>("chinese");
    const QString at = QStringLiteral("2024-05-01 10:33:44");
    for (const bool chinese : {false, true}) {
        const char* language = chinese ? "Chinese" : "English";
        QTest::addRow("schedule start, %s", language)
            << int(SCHEDULE) << QStringLiteral("1") << QStringLiteral("04:33:00")
            << QStringLiteral("04:33:00") << 4 << QStringLiteral("5") << QStringLiteral("04:35:00")
            << chinese;
        QTest::addRow("schedule file end at 24:00:00, %s", language)
            << int(SCHEDULE) << QStringLiteral("5") << QStringLiteral("24:00:00")
            << QStringLiteral("23:59:59") << -1 << QString() << QString() << chinese;
        QTest::addRow("log page start, %s", language)
            << int(LOG_PAGE) << QStringLiteral("m_pStartTime") << at << at << 15 << QStringLiteral("2")
            << QStringLiteral("2024-05-01 10:32:44") << chinese;
        QTest::addRow("record page to, %s", language)
            << int(RECORD_PAGE) << QStringLiteral("pDtTo") << at << at << 3 << QStringLiteral("3")
            << QStringLiteral("2023-05-01 10:33:44") << chinese;
        QTest::addRow("manual backup start, %s", language)
            << int(MANUAL_BACKUP) << QStringLiteral("pDtStart") << QStringLiteral("2024-05-01 23:59:59")
            << QStringLiteral("2024-05-01 23:59:59") << -1 << QString() << QString() << chinese;
        // Corrected as one types: the digit that filled a section taken back at once, digits typed from a
        // click inside a full year.
        QTest::addRow("schedule file begin, a digit taken back, %s", language)
            << int(SCHEDULE) << QStringLiteral("4") << QStringLiteral("04B5:00:00")
            << QStringLiteral("05:00:00") << 1 << QStringLiteral("B1") << QStringLiteral("15:00:00")
            << chinese;
        QTest::addRow("manual backup start, a digit taken back, %s", language)
            << int(MANUAL_BACKUP) << QStringLiteral("pDtStart") << QStringLiteral("2024-05-03B2 10:00:00")
            << QStringLiteral("2024-05-02 10:00:00") << 2 << QStringLiteral("23")
            << QStringLiteral("2023-05-02 10:00:00") << chinese;
        QTest::addRow("manual backup end on 31 February, %s", language)
            << int(MANUAL_BACKUP) << QStringLiteral("pDtEnd") << QStringLiteral("2024-02-31 19:30:00")
            << QStringLiteral("2024-02-29 19:30:00") << -1 << QString() << QString() << chinese;
    }
}

void TestXTyping::typedWithTheServersKeys()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, click);
    QFETCH(QString, mended);
    QFETCH(QString, after);
    QFETCH(bool, chinese);
    if (chinese)
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const CEngineFixture station(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    const COpened opened = Open(window, field);
    QWidget* shell = opened.window.get();
    QDateTimeEdit* edit = opened.edit;
    QVERIFY(edit != nullptr);
    auto* line = edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(line != nullptr);
    edit->setDateTime(QDateTime(QDate(2023, 11, 17), QTime(18, 27, 42)));
    // The program's least screen is 1024 x 768.
    shell->resize(1000, 700);
    shell->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell));
    shell->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shell));
    edit->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(edit->hasFocus(), TestSupport::Bound(5000));
    edit->selectAll();

    QVERIFY(TypeKeys(typed));
    QTRY_COMPARE_WITH_TIMEOUT(edit->text(), shown, TestSupport::Bound(5000));
    const QString shots = qEnvironmentVariable("VARROW_SHOTS_DIR");
    const QString name =
        QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    if (!shots.isEmpty())
        SaveScreen(shell, QDir(shots).filePath(name + QStringLiteral(".png")));
    if (click < 0)
        return;

    // The pointer puts the caret before character `click`.
    const QPoint at = PointOfCaret(line, click);
    QVERIFY(at.x() >= 0);
    // Through the window's place as the X server has it: the window manager may have moved it since.
    const QPoint point = CXSession::ServerGeometry(shell).topLeft() + line->mapTo(shell, at);
    QVERIFY(m_x.Click(point));
    QTRY_COMPARE_WITH_TIMEOUT(line->cursorPosition(), click, TestSupport::Bound(5000));
    QVERIFY(TypeKeys(mended));
    QTRY_COMPARE_WITH_TIMEOUT(edit->text(), after, TestSupport::Bound(5000));
    if (!shots.isEmpty())
        SaveScreen(shell, QDir(shots).filePath(name + QStringLiteral("-mended.png")));
}

void TestXTyping::pastedWithTheServersKeys_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("click"); // the caret placed by the pointer before the paste
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("chinese");
    const QString whole = QStringLiteral("2024-05-01 10:00:00");
    for (const bool chinese : {false, true}) {
        const char* language = chinese ? "Chinese" : "English";
        QTest::addRow("record page from, caret in the month, %s", language)
            << int(RECORD_PAGE) << QStringLiteral("pDtFrom") << 5 << whole << whole << chinese;
        QTest::addRow("log page start, caret in the hour, %s", language)
            << int(LOG_PAGE) << QStringLiteral("m_pStartTime") << 12 << whole << whole << chinese;
        QTest::addRow("schedule start, a date refused, %s", language)
            << int(SCHEDULE) << QStringLiteral("1") << 0 << QStringLiteral("2024-05-01")
            << QStringLiteral("18:27:42") << chinese;
        QTest::addRow("schedule file end, the time of a date and time, %s", language)
            << int(SCHEDULE) << QStringLiteral("5") << 4 << QStringLiteral("2024-05-01T04:35:06")
            << QStringLiteral("04:35:06") << chinese;
        QTest::addRow("manual backup end, 31 February refused, %s", language)
            << int(MANUAL_BACKUP) << QStringLiteral("pDtEnd") << 12 << QStringLiteral("2024-02-31 10:00:00")
            << QStringLiteral("2023-11-17 18:27:42") << chinese;
    }
}

// Control and V from the server's own keyboard, the caret placed by the real pointer: the value pasted, or
// the field as it was.
void TestXTyping::pastedWithTheServersKeys()
{
    QFETCH(int, window);
    QFETCH(QString, field);
    QFETCH(int, click);
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    QFETCH(bool, chinese);
    if (chinese)
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const CEngineFixture station(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    const COpened opened = Open(window, field);
    QWidget* shell = opened.window.get();
    QDateTimeEdit* edit = opened.edit;
    QVERIFY(edit != nullptr);
    auto* line = edit->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(line != nullptr);
    edit->setDateTime(QDateTime(QDate(2023, 11, 17), QTime(18, 27, 42)));
    const QString start = edit->text();
    shell->resize(1000, 700);
    shell->show();
    QVERIFY(QTest::qWaitForWindowExposed(shell));
    shell->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shell));
    edit->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(edit->hasFocus(), TestSupport::Bound(5000));

    const QPoint at = PointOfCaret(line, click);
    QVERIFY(at.x() >= 0);
    QVERIFY(m_x.Click(CXSession::ServerGeometry(shell).topLeft() + line->mapTo(shell, at)));
    QTRY_COMPARE_WITH_TIMEOUT(line->cursorPosition(), click, TestSupport::Bound(5000));
    QCOMPARE(edit->text(), start);
    QGuiApplication::clipboard()->setText(pasted);
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), pasted, TestSupport::Bound(5000));
    QVERIFY(m_x.Press(QStringLiteral("ctrl+v")));
    if (shown != start) {
        QTRY_COMPARE_WITH_TIMEOUT(edit->text(), shown, TestSupport::Bound(5000));
    } else {
        // A refusal shows nothing to wait for: a key typed after the paste marks that the paste was taken.
        QVERIFY(m_x.Press(QStringLiteral("Right")));
        QTRY_COMPARE_WITH_TIMEOUT(line->cursorPosition(), click + 1, TestSupport::Bound(5000));
        QCOMPARE(edit->text(), shown);
    }
    const QString shots = qEnvironmentVariable("VARROW_SHOTS_DIR");
    if (!shots.isEmpty()) {
        const QString name =
            QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        SaveScreen(shell, QDir(shots).filePath(QStringLiteral("paste-") + name + QStringLiteral(".png")));
    }
}

int main(int argc, char** argv)
{
    // The server and its window manager outlive the application object, which talks to them to its end.
    // VARROW_SHOTS_SCREEN (as 1024x768) gives the screen another size, to look at.
    const QStringList size = qEnvironmentVariable("VARROW_SHOTS_SCREEN").split(QLatin1Char('x'));
    const CXSession x(size.size() == 2 ? QSize(size.at(0).toInt(), size.at(1).toInt()) : QSize(1280, 1024));
    x.PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    TestXTyping test(x);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_xtyping.moc"

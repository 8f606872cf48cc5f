// Small GUI helpers: a name field must never take more bytes than its record field holds, whatever the
// characters, a dragged window must not land under a task bar nor be pulled off the screen it is on, and a
// dialog opens centred on its parent but never past the usable area of the screen.

#include "widgets/GuiUtility.h"
#include "widgets/ScreenPlacement.h"
#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CRegExpValidator.h"

#include <QApplication>
#include <QPoint>
#include <QLineEdit>

class TestGuiUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void byteLimit_data();
    void byteLimit();
    void typingStopsAtTheLimit();
    void taskBars();
    void centredOverParent_data();
    void centredOverParent();
};

void TestGuiUtility::byteLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const QString han = QStringLiteral("\u8def"); // three bytes in UTF-8
    QTest::newRow("32 ascii") << QString(32, QLatin1Char('a')) << true;
    QTest::newRow("33 ascii") << QString(33, QLatin1Char('a')) << false;
    QTest::newRow("10 han and 2 ascii, 32 bytes") << han.repeated(10) + QStringLiteral("ab") << true;
    QTest::newRow("11 han, 33 bytes") << han.repeated(11) << false;
    QTest::newRow("17 two-byte") << QStringLiteral("\u00e9").repeated(17) << false;
}

void TestGuiUtility::byteLimit()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    CRegExpValidator validator(32);
    int pos = 0;
    QCOMPARE(validator.validate(text, pos), accepted ? QValidator::Acceptable : QValidator::Invalid);
}

void TestGuiUtility::typingStopsAtTheLimit()
{
    // The expression still applies within the limit, and the edit refuses the keystroke past it.
    CRegExpValidator validator(4, QRegularExpression(QStringLiteral("[0-9]*")));
    QLineEdit edit;
    edit.setValidator(&validator);
    QTest::keyClicks(&edit, QStringLiteral("12x3456"));
    QCOMPARE(edit.text(), QStringLiteral("1234"));
}

void TestGuiUtility::taskBars()
{
    const QRect full(0, 0, 1920, 1080);
    const QRect below(0, 1080, 1920, 1080);
    const struct
    {
        QPoint pos;
        QList<SCREEN_AREA> screens;
        QPoint expected;
    } cases[] = {
        {QPoint(300, 1060), {{full, QRect(0, 0, 1920, 1040)}}, QPoint(300, 1039)},
        {QPoint(1900, 40), {{full, QRect(0, 0, 1860, 1080)}}, QPoint(1859, 40)},
        {QPoint(10, 40), {{full, QRect(60, 0, 1860, 1080)}}, QPoint(60, 40)},
        {QPoint(400, 10), {{full, QRect(0, 40, 1920, 1040)}}, QPoint(400, 40)},
        // A second screen below the bottom task bar, or above a top one, takes the point where it is.
        {QPoint(300, 1060), {{full, QRect(0, 0, 1920, 1040)}, {below, below}}, QPoint(300, 1060)},
        {QPoint(300, 1100), {{full, full}, {below, QRect(0, 1120, 1920, 1040)}}, QPoint(300, 1100)},
        // Side by side, the right screen has its own top bar and nothing above it.
        {QPoint(2500, 10),
         {{full, full}, {QRect(1920, 0, 1920, 1080), QRect(1920, 40, 1920, 1040)}},
         QPoint(2500, 40)},
    };
    for (const auto& c : cases)
        QCOMPARE(AdjustPosToScreen(c.pos, c.screens), c.expected);
}

void TestGuiUtility::centredOverParent_data()
{
    QTest::addColumn<QRect>("over");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("pos");
    // A 1280 x 1024 screen with a 40-pixel task bar at the bottom.
    QTest::newRow("centred, odd sizes round down")
        << QRect(128, 128, 1024, 768) << QSize(851, 637) << QPoint(214, 193);
    QTest::newRow("parent past the left and top edges")
        << QRect(-300, -200, 400, 300) << QSize(300, 225) << QPoint(0, 0);
    QTest::newRow("parent past the right edge and over the task bar")
        << QRect(1100, 900, 400, 300) << QSize(300, 225) << QPoint(980, 759);
    QTest::newRow("just fits at the bottom right")
        << QRect(980, 759, 300, 225) << QSize(300, 225) << QPoint(980, 759);
    QTest::newRow("larger than the usable area keeps its top-left corner on it")
        << QRect(0, 0, 1280, 1024) << QSize(1400, 1100) << QPoint(0, 0);
}

void TestGuiUtility::centredOverParent()
{
    QFETCH(QRect, over);
    QFETCH(QSize, size);
    QFETCH(QPoint, pos);
    QCOMPARE(CentredFramePos(over, size, QRect(0, 0, 1280, 984)), pos);
}

VARROW_TEST_MAIN(TestGuiUtility, QApplication)
#include "tst_gui_utility.moc"

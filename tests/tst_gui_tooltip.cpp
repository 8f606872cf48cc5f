// The bubble that reports a bad field: a bubble placed off screen hides the message the operator needs, and a
// second call that restarts or moves a bubble showing the same text makes it flicker under the mouse.

#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CToolLabel.h"
#include "widgets/dialogs/CToolTip.h"

#include <QAbstractEventDispatcher>
#include <QApplication>

class TestToolTip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void placedInsideTheScreen_data();
    void placedInsideTheScreen();
    void sameTextStaysNewTextMoves();
    void emptyTextHidesShortly();
};

void TestToolTip::cleanup()
{
    delete CToolLabel::Instance();
}

void TestToolTip::placedInsideTheScreen_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QPoint>("expected");
    // A 100x30 bubble on a screen at (800,0) 800x600.
    QTest::newRow("middle: below and right") << QPoint(1100, 300) << QPoint(1102, 321);
    QTest::newRow("bottom right corner") << QPoint(1599, 599) << QPoint(1599 - 2 - 100, 599 - 3 - 30);
    QTest::newRow("off the left") << QPoint(750, 300) << QPoint(800, 321);
    QTest::newRow("above the top") << QPoint(1100, -50) << QPoint(1102, 0);
    // Touching the right or the bottom edge is still inside: the bubble stays where it was put.
    QTest::newRow("right edge exactly") << QPoint(1498, 300) << QPoint(1500, 321);
    QTest::newRow("bottom edge exactly") << QPoint(1100, 549) << QPoint(1102, 570);
    QTest::newRow("one past the right edge") << QPoint(1499, 300) << QPoint(1499 - 2 - 100, 321);
}

void TestToolTip::placedInsideTheScreen()
{
    QFETCH(QPoint, pos);
    QFETCH(QPoint, expected);
    const QRect screen(800, 0, 800, 600);
    const QPoint at = CToolLabel::PlaceRect(pos, QSize(100, 30), screen);
    QCOMPARE(at, expected);
    QVERIFY(screen.contains(QRect(at, QSize(100, 30))));
}

void TestToolTip::sameTextStaysNewTextMoves()
{
    // A bubble stays 8 s, 40 ms longer for each character past 100.
    for (const auto& [length, ms] : {std::pair{0, 8000}, {100, 8000}, {101, 8040}, {150, 10000}})
        QCOMPARE(CToolLabel::ExpireMs(QString(length, u'x')), ms);
    const QString message = QStringLiteral("IP Address is Invalid.");
    CToolTip::ShowText(QPoint(100, 100), message, nullptr);
    CToolLabel* tip = CToolLabel::Instance();
    QCOMPARE(tip->pos(), QPoint(102, 121));
    // A restarted timer may get its id back: what shows a restart is the time left. The wait exceeds the
    // coarse timer's slack (5 % of 8 s), so a restarted deadline cannot pass for the first one.
    const auto left = [tip] {
        return QAbstractEventDispatcher::instance()->remainingTime(tip->ExpireTimerId());
    };
    const int before = left();
    QTest::qWait(1000);

    CToolTip::ShowText(QPoint(200, 200), message, nullptr);
    QCOMPARE(CToolLabel::Instance(), tip);
    QCOMPARE(tip->pos(), QPoint(102, 121));
    QVERIFY2(left() >= 0 && left() <= before - 900,
             qPrintable(QStringLiteral("%1 %2").arg(before).arg(left())));

    CToolTip::ShowText(QPoint(200, 200), QStringLiteral("Port is Invalid."), nullptr);
    QCOMPARE(CToolTip::Text(), QStringLiteral("Port is Invalid."));
    QCOMPARE(tip->pos(), QPoint(202, 221));
}

void TestToolTip::emptyTextHidesShortly()
{
    CToolTip::ShowText(QPoint(10, 10), QString(), nullptr);
    QVERIFY(CToolLabel::Instance() == nullptr);
    CToolTip::ShowText(QPoint(10, 10), QStringLiteral("Name is empty."), nullptr);
    CToolTip::ShowText(QPoint(10, 10), QString(), nullptr);
    // Hidden shortly, not at once.
    QVERIFY(CToolTip::IsVisible());
    QTRY_VERIFY_WITH_TIMEOUT(CToolLabel::Instance() == nullptr, 2000);
}

VARROW_TEST_MAIN(TestToolTip, QApplication)
#include "tst_gui_tooltip.moc"

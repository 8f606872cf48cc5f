// The bubble that reports a bad field: a bubble placed off screen hides the message the operator needs, and a
// second call that restarts or moves a bubble showing the same text makes it flicker under the mouse.

#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CToolLabel.h"
#include "widgets/dialogs/CToolTip.h"

#include <QApplication>
#include <QScreen>

class TestToolTip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void placedInsideTheScreen_data();
    void placedInsideTheScreen();
    void lifeGrowsWithTheText();
    void sameTextStaysNewTextMoves();
    void emptyText();
    void nullWidgetKeepsTheRect();
    void bubbleForAFieldInTheCorner();
};

void TestToolTip::cleanup()
{
    delete CToolLabel::Instance();
}

void TestToolTip::placedInsideTheScreen_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QPoint>("expected");
    // A 100x30 bubble on a screen at (0,0) 800x600.
    QTest::newRow("middle: below and right") << QPoint(300, 300) << QPoint(302, 321);
    QTest::newRow("right edge: opens to the left") << QPoint(750, 300) << QPoint(750 - 2 - 100, 321);
    QTest::newRow("bottom edge: opens above") << QPoint(300, 580) << QPoint(302, 580 - 3 - 30);
    QTest::newRow("bottom right corner") << QPoint(799, 599) << QPoint(799 - 2 - 100, 599 - 3 - 30);
    QTest::newRow("off the left") << QPoint(-50, 300) << QPoint(0, 321);
    QTest::newRow("left of the bottom") << QPoint(-50, 590) << QPoint(0, 590 - 3 - 30);
}

void TestToolTip::placedInsideTheScreen()
{
    QFETCH(QPoint, pos);
    QFETCH(QPoint, expected);
    const QRect screen(0, 0, 800, 600);
    const QPoint at = CToolLabel::PlaceRect(pos, QSize(100, 30), screen);
    QCOMPARE(at, expected);
    QVERIFY(screen.contains(QRect(at, QSize(100, 30))));
    // A screen that does not start at 0 keeps the bubble on it as well.
    const QRect second(800, 0, 800, 600);
    QVERIFY(second.contains(
        QRect(CToolLabel::PlaceRect(pos + QPoint(800, 0), QSize(100, 30), second), QSize(100, 30))));
}

void TestToolTip::lifeGrowsWithTheText()
{
    QCOMPARE(CToolLabel::ExpireMs(QString(100, QLatin1Char('x'))), 8000);
    QCOMPARE(CToolLabel::ExpireMs(QString(150, QLatin1Char('x'))), 10000);
}

void TestToolTip::sameTextStaysNewTextMoves()
{
    const QString message = QStringLiteral("IP Address is Invalid.");
    CToolTip::ShowText(QPoint(100, 100), message, nullptr);
    QVERIFY(CToolTip::IsVisible());
    QCOMPARE(CToolTip::Text(), message);
    CToolLabel* tip = CToolLabel::Instance();
    QCOMPARE(tip->pos(), QPoint(102, 121));
    const int timer = tip->ExpireTimerId();

    CToolTip::ShowText(QPoint(200, 200), message, nullptr);
    QCOMPARE(CToolLabel::Instance(), tip);
    QCOMPARE(tip->pos(), QPoint(102, 121));
    QCOMPARE(tip->ExpireTimerId(), timer); // not restarted

    CToolTip::ShowText(QPoint(200, 200), QStringLiteral("Port is Invalid."), nullptr);
    QCOMPARE(CToolLabel::Instance(), tip);
    QCOMPARE(CToolTip::Text(), QStringLiteral("Port is Invalid."));
    QCOMPARE(tip->pos(), QPoint(202, 221));

    CToolTip::HideText();
    QVERIFY(!CToolTip::IsVisible());
    QCOMPARE(CToolLabel::Instance(), tip); // hidden, not destroyed
    // A later call builds a fresh bubble.
    CToolTip::ShowText(QPoint(10, 10), message, nullptr);
    QVERIFY(CToolTip::IsVisible());
}

void TestToolTip::emptyText()
{
    CToolTip::ShowText(QPoint(10, 10), QString(), nullptr);
    QVERIFY(CToolLabel::Instance() == nullptr);
    CToolTip::ShowText(QPoint(10, 10), QStringLiteral("Name is empty."), nullptr);
    CToolTip::ShowText(QPoint(10, 10), QString(), nullptr);
    // Hidden shortly, not at once.
    QVERIFY(CToolTip::IsVisible());
    QVERIFY(CToolLabel::Instance()->IsHideTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(CToolLabel::Instance() == nullptr, 2000);
}

void TestToolTip::nullWidgetKeepsTheRect()
{
    QWidget field;
    CToolTip::ShowText(QPoint(10, 10), QStringLiteral("x"), &field, QRect(0, 0, 50, 20));
    CToolLabel* tip = CToolLabel::Instance();
    QTest::ignoreMessage(QtWarningMsg, "CToolTip::setTipRect: Cannot pass null widget if rect is set");
    tip->setTipRect(nullptr, QRect(0, 0, 5, 5));
    QCOMPARE(tip->TipWidget(), &field);
    QCOMPARE(tip->TipRect(), QRect(0, 0, 50, 20));
}

void TestToolTip::bubbleForAFieldInTheCorner()
{
    // A long message for a field in the screen's bottom-right corner stays wholly on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString message = QStringLiteral("The end time must be later than the start time of the backup.");
    CToolTip::ShowText(screen.bottomRight() - QPoint(5, 5), message, nullptr);
    CToolLabel* tip = CToolLabel::Instance();
    QVERIFY(tip != nullptr);
    QVERIFY(tip->width() > 50);
    QVERIFY2(
        screen.contains(tip->geometry()),
        qPrintable(
            QStringLiteral("%1,%2 %3x%4").arg(tip->x()).arg(tip->y()).arg(tip->width()).arg(tip->height())));
}

VARROW_TEST_MAIN(TestToolTip, QApplication)
#include "tst_gui_tooltip.moc"

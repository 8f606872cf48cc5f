// Screen placement and pictures of the GUI side.

#include "widgets/GuiUtility.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QPixmapCache>

class TestGuiUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void taskBarOnEachSide();
    void secondScreenTakesThePoint();
    void cachedPixmaps();
    void roundRegions();
};

void TestGuiUtility::taskBarOnEachSide()
{
    const QRect full(0, 0, 1920, 1080);
    QCOMPARE(AdjustPosToScreen(QPoint(300, 1060), {{full, QRect(0, 0, 1920, 1040)}}), QPoint(300, 1039));
    QCOMPARE(AdjustPosToScreen(QPoint(300, 500), {{full, QRect(0, 0, 1920, 1040)}}), QPoint(300, 500));
    QCOMPARE(AdjustPosToScreen(QPoint(5, 5), {}), QPoint(5, 5));
    QCOMPARE(AdjustPosToScreen(QPoint(1900, 40), {{full, QRect(0, 0, 1860, 1080)}}), QPoint(1859, 40));
    QCOMPARE(AdjustPosToScreen(QPoint(10, 40), {{full, QRect(60, 0, 1860, 1080)}}), QPoint(60, 40));
    QCOMPARE(AdjustPosToScreen(QPoint(400, 10), {{full, QRect(0, 40, 1920, 1040)}}), QPoint(400, 40));
}

void TestGuiUtility::secondScreenTakesThePoint()
{
    // Bottom task bar on the upper screen, a second screen below: the point is left where it is.
    const QList<SCREEN_AREA> stacked{{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
                                     {QRect(0, 1080, 1920, 1080), QRect(0, 1080, 1920, 1080)}};
    QCOMPARE(AdjustPosToScreen(QPoint(300, 1060), stacked), QPoint(300, 1060));

    // A top task bar on the lower screen: the screen above spans the row just above it.
    const QList<SCREEN_AREA> topBar{{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)},
                                    {QRect(0, 1080, 1920, 1080), QRect(0, 1120, 1920, 1040)}};
    QCOMPARE(AdjustPosToScreen(QPoint(300, 1100), topBar), QPoint(300, 1100));
    // Side by side, the right screen has its own top bar and nothing above it: the point moves down.
    const QList<SCREEN_AREA> sideBySide{{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)},
                                        {QRect(1920, 0, 1920, 1080), QRect(1920, 40, 1920, 1040)}};
    QCOMPARE(AdjustPosToScreen(QPoint(2500, 10), sideBySide), QPoint(2500, 40));
    // The real screens of the running platform: a point on a screen stays.
    QCOMPARE(AdjustPosToScreen(QPoint(10, 10)), QPoint(10, 10));
}

void TestGuiUtility::cachedPixmaps()
{
    const QString missing = TestSupport::ProcessAppDir().FilePath("missing.png");
    QVERIFY(LoadCachedPixmap(missing).isNull());
    QPixmap cached;
    QVERIFY(!QPixmapCache::find(missing, &cached));

    const QString file = TestSupport::ProcessAppDir().FilePath("dot.png");
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(file));
    QCOMPARE(LoadCachedPixmap(file).size(), QSize(4, 3));
    QVERIFY(QPixmapCache::find(file, &cached));
    // The cache answers even after the file is gone.
    QVERIFY(QFile::remove(file));
    QCOMPARE(LoadCachedPixmap(file).size(), QSize(4, 3));
}

void TestGuiUtility::roundRegions()
{
    const QRect rect(0, 0, 100, 50);
    const QRegion all = GetRoundRectRegion(rect, 8);
    QVERIFY(!all.contains(QPoint(0, 0)) && !all.contains(QPoint(99, 49)));
    for (const QPoint edge : {QPoint(50, 0), QPoint(0, 25), QPoint(99, 25)})
        QVERIFY(all.contains(edge));
    const QRegion top = GetTopRoundRegion(rect, 8);
    QVERIFY(!top.contains(QPoint(0, 0)) && top.contains(QPoint(0, 49)) && top.contains(QPoint(99, 49)));
    const QRegion left = GetLeftRoundRegion(rect, 8);
    QVERIFY(!left.contains(QPoint(0, 0)) && left.contains(QPoint(99, 0)));
    const QRegion right = GetRightRoundRegion(rect, 8);
    QVERIFY(right.contains(QPoint(0, 0)) && !right.contains(QPoint(99, 0)));
}

VARROW_TEST_MAIN(TestGuiUtility, QApplication)
#include "tst_gui_utility.moc"

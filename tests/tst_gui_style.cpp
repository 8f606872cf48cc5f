// The application style: a progress bar whose right cap lands in the wrong place, or a selected row whose
// text vanishes, shows on every page.

#include "tests/support/TestSupport.h"
#include "widgets/style/COmbrixStyle.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QStyleOption>

namespace {

QImage PaintBar(COmbrixStyle& style, const QRect& rect, int minimum, int maximum, int progress)
{
    QImage image(rect.right() + 20, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QStyleOptionProgressBar option;
    option.rect = rect;
    option.minimum = minimum;
    option.maximum = maximum;
    option.progress = progress;
    option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    QPainter painter(&image);
    style.drawControl(QStyle::CE_ProgressBarGroove, &option, &painter);
    return image;
}

// Blue clearly above red: the fill's colour, not the grey trough's.
bool IsFill(QRgb pixel)
{
    return qBlue(pixel) - qRed(pixel) > 60;
}

} // namespace

class TestStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progressRightCapFollowsTheGroove();
    void selectedListTextStaysVisible();
};

void TestStyle::progressRightCapFollowsTheGroove()
{
    COmbrixStyle style;
    // A groove away from the left edge placed the cap as if it started at 0.
    for (const int grooveX : {0, 37}) {
        const QRect groove(grooveX, 10, 200, 10);
        const int y = groove.y() + 5;
        // The full bar is filled up to its last pixels, and nothing is painted right of the groove.
        const QImage full = PaintBar(style, groove, 0, 100, 100);
        for (int x : {groove.x() + 2, groove.x() + 100, groove.right() - 2})
            QVERIFY(IsFill(full.pixel(x, y)));
        QCOMPARE(full.pixel(groove.right() + 3, y), qRgb(255, 255, 255));
        // At 50 % the fill ends near the middle, and the right cap is not drawn.
        const QImage half = PaintBar(style, groove, 0, 100, 50);
        QVERIFY(IsFill(half.pixel(groove.x() + 90, y)));
        QVERIFY(!IsFill(half.pixel(groove.x() + 110, y)));
        QVERIFY(!IsFill(half.pixel(groove.right() - 2, y)));
    }
    // An empty range draws no fill (and does not divide by zero).
    const QImage degenerate = PaintBar(style, QRect(20, 10, 150, 10), 5, 5, 5);
    for (int x = 20; x < 170; x += 5)
        QVERIFY(!IsFill(degenerate.pixel(x, 15)));
}

void TestStyle::selectedListTextStaysVisible()
{
    // A plain list (the plan page's) has no delegate of its own: its selected item's text is drawn in the
    // highlighted-text colour, which vanished on the white list when nothing was painted under it.
    COmbrixStyle style;
    QListWidget list;
    list.setStyle(&style);
    list.resize(200, 60);
    list.addItem(QStringLiteral("MMMMMMMMMM"));
    list.setCurrentRow(0);
    const QImage image = list.grab().toImage();
    const QRect row = list.visualItemRect(list.item(0));
    const QColor text = list.palette().color(QPalette::HighlightedText);
    int contrasting = 0;
    for (int x = row.left(); x <= row.right(); ++x) {
        for (int y = row.top(); y <= row.bottom(); ++y) {
            const QColor pixel = image.pixelColor(x + list.viewport()->x(), y + list.viewport()->y());
            if (qAbs(pixel.lightness() - text.lightness()) > 100)
                ++contrasting;
        }
    }
    QVERIFY2(contrasting > row.width() * row.height() / 2,
             "the selected row has no background under its text");
}

VARROW_TEST_MAIN(TestStyle, QApplication)
#include "tst_gui_style.moc"

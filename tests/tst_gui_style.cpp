// The application style: a progress bar whose right cap lands in the wrong place, or a selected row whose
// text vanishes, shows on every page.

#include "tests/support/TestSupport.h"
#include "widgets/style/COmbrixStyle.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QStyleFactory>
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
    void metricsAndSizes();
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

// The sizes the pages are laid out for: slider handle and groove, tab height, check boxes in rows, the
// radio buttons' room, and the progress groove's top.
void TestStyle::metricsAndSizes()
{
    COmbrixStyle style;
    const std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
    QCOMPARE(style.pixelMetric(QStyle::PM_SliderLength), 13);
    QCOMPARE(style.pixelMetric(QStyle::PM_TabCloseIndicatorWidth), 20);
    QCOMPARE(style.pixelMetric(QStyle::PM_TabCloseIndicatorHeight), 20);
    QCOMPARE(style.pixelMetric(QStyle::PM_MenuButtonIndicator), 0);

    QStyleOptionButton radio;
    radio.rect = QRect(0, 0, 80, 20);
    const QSize content(60, 16);
    QCOMPARE(style.sizeFromContents(QStyle::CT_RadioButton, &radio, content),
             windows->sizeFromContents(QStyle::CT_RadioButton, &radio, content) + QSize(20, 0));
    QStyleOptionTab tab;
    QCOMPARE(style.sizeFromContents(QStyle::CT_TabBarTab, &tab, QSize(70, 18)).height(), 40);
    QStyleOptionSlider slider;
    slider.orientation = Qt::Horizontal;
    slider.rect = QRect(0, 0, 200, 30);
    slider.maximum = 100;
    QCOMPARE(style.sizeFromContents(QStyle::CT_Slider, &slider, QSize(200, 30)).height(), 10);
    const QRect handle = style.subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
    const QRect baseHandle = windows->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
    QCOMPARE(std::pair(handle.top(), handle.height()), std::pair(baseHandle.height() / 2 - 4, 10));
    const QRect groove = style.subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove);
    const QRect baseGroove = windows->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove);
    QCOMPARE(std::pair(groove.top(), groove.height()), std::pair(baseGroove.height() / 2 - 2, 4));

    QStyleOptionViewItem item;
    item.rect = QRect(0, 0, 100, 24);
    item.features = QStyleOptionViewItem::HasCheckIndicator;
    QCOMPARE(style.subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item).size(), QSize(16, 16));
    QStyleOptionProgressBar bar;
    bar.rect = QRect(0, 0, 200, 30);
    QCOMPARE(style.subElementRect(QStyle::SE_ProgressBarGroove, &bar).top(), 10);
}

VARROW_TEST_MAIN(TestStyle, QApplication)
#include "tst_gui_style.moc"

// Channel thumbnails and their grid: a picture must show whatever characters its path holds, the loading
// overlay must step through its frames, the grid must page by its size, and every selection gesture must
// report exactly the flags it changes.

#include "tests/support/TestSupport.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QSignalSpy>

#include <set>

namespace {

QLabel* PictureOf(CPicLabel& label)
{
    return label.findChild<QLabel*>(QStringLiteral("m_pLabelPic"));
}

QList<QLabel*> OverlaysOf(CPicLabel& label)
{
    return PictureOf(label)->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
}

QString WriteRedPicture(const QString& name)
{
    const QString path = TestSupport::ProcessAppDir().FilePath(name);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(220, 20, 20));
    return image.save(path, "PNG") ? path : QString();
}

QStringList Paths(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << QStringLiteral("/nonexistent/channel%1.jpg").arg(i + 1);
    return paths;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

// Which numbers a run of SignalPicLabelSelected reported as selected and as unselected (the last report
// wins).
std::pair<std::set<int>, std::set<int>> Reports(const QSignalSpy& spy)
{
    std::map<int, bool> last;
    for (const QList<QVariant>& args : spy)
        last[args.at(1).toInt()] = args.at(2).toBool();
    std::set<int> on, off;
    for (const auto& [number, selected] : last)
        (selected ? on : off).insert(number);
    return {on, off};
}

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureWithAwkwardPath_data();
    void pictureWithAwkwardPath();
    void missingPictureShowsDefault();
    void loadingOverlayFrames_data();
    void loadingOverlayFrames();
    void loadingOverlayComesAndGoes();
    void pagesFollowTheSize_data();
    void pagesFollowTheSize();
    void clickAndCtrlClick();
    void rubberBand();
    void ctrlRubberBandInvertsEarlierSelection();
};

void TestThumbnails::pictureWithAwkwardPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("plain.png");
    QTest::newRow("bracket and space") << QStringLiteral("cam 1).png");
    QTest::newRow("semicolon") << QStringLiteral("a;b.png");
    QTest::newRow("quotes") << QStringLiteral("it's \"here\".png");
    QTest::newRow("all of them") << QStringLiteral("x) ;'\"(y.png");
    QTest::newRow("backslash") << QStringLiteral("back\\slash.png");
}

void TestThumbnails::pictureWithAwkwardPath()
{
    QFETCH(QString, name);
    const QString path = WriteRedPicture(name);
    QVERIFY(!path.isEmpty());
    CPicLabel label;
    label.resize(98, 77);
    label.SetPicInfo(4, path);
    QCOMPARE(label.GetId(), 4u);
    QCOMPARE(label.GetPicPath(), path);
    const QImage shown = label.grab().toImage();
    const QColor centre = shown.pixelColor(49, 38);
    QVERIFY2(centre.red() > 180 && centre.green() < 80, qPrintable(centre.name()));
}

void TestThumbnails::missingPictureShowsDefault()
{
    const QString path = WriteRedPicture(QStringLiteral("replaced.png"));
    CPicLabel label;
    label.resize(98, 77);
    label.SetPicInfo(1, path);
    label.SetPicInfo(2, path + QStringLiteral(".gone"));
    QCOMPARE(label.GetPicPath(), QString());
    QCOMPARE(label.GetId(), 2u);
    // The default picture is the calm grey-blue ground, not the red picture shown before.
    const QColor corner = label.grab().toImage().pixelColor(8, 8);
    QVERIFY2(corner.blue() > 200 && corner.red() > 200 && corner.red() < 240, qPrintable(corner.name()));
}

void TestThumbnails::loadingOverlayFrames_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("frame");
    QTest::newRow("1") << 1 << 7;
    QTest::newRow("2") << 2 << 6;
    QTest::newRow("7") << 7 << 1;
    QTest::newRow("8") << 8 << 8;
    QTest::newRow("9") << 9 << 7;
    QTest::newRow("16") << 16 << 8;
}

void TestThumbnails::loadingOverlayFrames()
{
    QFETCH(int, step);
    QFETCH(int, frame);
    CPicLabel label;
    label.resize(98, 77);
    label.SetLoadingStep(step);
    label.show();
    const QList<QLabel*> overlays = OverlaysOf(label);
    QCOMPARE(overlays.size(), 1);
    QVERIFY(overlays.first()->styleSheet().contains(QStringLiteral("/Animation%1.png)").arg(frame)));
    // In the picture's bottom-right corner.
    QCOMPARE(overlays.first()->geometry(), QRect(94 - 44, 73 - 44, 44, 44));
}

void TestThumbnails::loadingOverlayComesAndGoes()
{
    CPicLabel label;
    label.resize(98, 77);
    label.SetLoadingStep(3);
    label.SetLoadingStep(4); // steps move the one overlay on
    QCOMPARE(OverlaysOf(label).size(), 1);
    // The frame picture exists: the overlay's corner is darker than the default picture around it.
    const QImage withOverlay = label.grab().toImage();
    QVERIFY(qGray(withOverlay.pixel(2 + 94 - 22, 2 + 73 - 22)) < 170);
    label.SetLoadingStep(0);
    QCOMPARE(OverlaysOf(label).size(), 0);
    label.SetLoadingStep(0);
    label.SetLoadingStep(5);
    QCOMPARE(OverlaysOf(label).size(), 1);
}

void TestThumbnails::pagesFollowTheSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("perPage");
    QTest::newRow("330x165, 7") << QSize(330, 165) << 7 << 3 << QList<int>{6, 1};
    QTest::newRow("575x169, 12") << QSize(575, 169) << 12 << 5 << QList<int>{10, 2};
    QTest::newRow("575x251, 12") << QSize(575, 251) << 12 << 5 << QList<int>{12};
    QTest::newRow("one a page") << QSize(120, 90) << 3 << 1 << QList<int>{1, 1, 1};
    QTest::newRow("wide, 6") << QSize(800, 90) << 6 << 7 << QList<int>{6};
}

void TestThumbnails::pagesFollowTheSize()
{
    QFETCH(QSize, size);
    QFETCH(int, pictures);
    QFETCH(int, columns);
    QFETCH(QList<int>, perPage);
    CPicLabelList list(98, 77, 1);
    list.resize(size);
    QSignalSpy pageInfo(&list, &CPicLabelList::SignalSetPageInfo);
    const QList<uint> numbers = list.SetPictures(Paths(pictures));
    QCOMPARE(numbers.size(), pictures);
    QCOMPARE(numbers.first(), 1u);
    QCOMPARE(numbers.last(), static_cast<uint>(pictures));
    QCOMPARE(list.GetPageCount(), static_cast<int>(perPage.size()));
    QCOMPARE(pageInfo.count(), 1);
    QCOMPARE(pageInfo.first().at(0).toUInt(), static_cast<uint>(perPage.size()));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    uint expected = 1;
    for (int page = 1; page <= perPage.size(); ++page) {
        list.ShowPage(static_cast<uint>(page));
        list.layout()->activate();
        QList<CPicLabel*> labels;
        QVERIFY(list.GetPicLabels(&labels));
        QCOMPARE(labels.size(), perPage.at(page - 1));
        std::set<int> xs;
        for (CPicLabel* label : labels) {
            QCOMPARE(label->GetId(), expected++);
            QVERIFY(list.rect().contains(label->geometry()));
            xs.insert(label->x());
        }
        if (page == 1)
            QCOMPARE(static_cast<int>(xs.size()), std::min(columns, perPage.first()));
    }
    // Pages out of range are ignored.
    list.ShowPage(0);
    list.ShowPage(static_cast<uint>(perPage.size()) + 1);
    QCOMPARE(list.GetCurrentPage(), static_cast<int>(perPage.size()));
}

void TestThumbnails::clickAndCtrlClick()
{
    CPicLabelList list(98, 77, 9);
    list.resize(330, 165);
    list.SetPictures(Paths(6));
    list.SetSelectionFlags(QList<bool>(6, false));
    list.ShowPage(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QList<CPicLabel*> labels;
    list.GetPicLabels(&labels);
    QSignalSpy selected(&list, &CPicLabelList::SignalPicLabelSelected);
    QSignalSpy clicked(&list, &CPicLabelList::SignalLabelClicked);

    QTest::mouseClick(labels.at(1), Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.first(), (QList<QVariant>{9, 2, true}));
    QVERIFY(labels.at(1)->IsSelected());

    QTest::mouseClick(labels.at(4), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QVERIFY(labels.at(4)->IsSelected());
    QVERIFY(labels.at(1)->IsSelected());
    selected.clear();
    QTest::mouseClick(labels.at(1), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QVERIFY(!labels.at(1)->IsSelected());
    QCOMPARE(selected.first(), (QList<QVariant>{9, 2, false}));

    // The grid double-click reports the thumbnail's number.
    QSignalSpy dbl(&list, &CPicLabelList::SignalLabelDbClicked);
    QTest::mouseDClick(labels.at(5), Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(dbl.first().at(0).toUInt(), 6u);
}

void TestThumbnails::rubberBand()
{
    CPicLabelList list(98, 77, 3);
    list.resize(330, 165);
    list.SetPictures(Paths(6));
    list.SetSelectionFlags(QList<bool>(6, false));
    list.ShowPage(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QList<CPicLabel*> labels;
    list.GetPicLabels(&labels);
    QSignalSpy selected(&list, &CPicLabelList::SignalPicLabelSelected);

    // From the empty strip right of the grid, leftwards over the second and third thumbnails of row 1.
    const QPoint start(list.width() - 3, labels.at(1)->geometry().center().y());
    SendMouse(&list, QEvent::MouseButtonPress, start);
    SendMouse(&list, QEvent::MouseMove, labels.at(1)->geometry().center());
    SendMouse(&list, QEvent::MouseButtonRelease, labels.at(1)->geometry().center());
    const auto [on, off] = Reports(selected);
    QCOMPARE(on, (std::set<int>{2, 3}));
    QCOMPARE(off, (std::set<int>{1, 4, 5, 6}));
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(labels.at(i)->IsSelected(), i == 1 || i == 2);
}

void TestThumbnails::ctrlRubberBandInvertsEarlierSelection()
{
    CPicLabelList list(98, 77, 3);
    list.resize(330, 165);
    list.SetPictures(Paths(6));
    list.SetSelectionFlags({true, true, false, false, false, true});
    list.ShowPage(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QList<CPicLabel*> labels;
    list.GetPicLabels(&labels);
    QVERIFY(labels.at(0)->IsSelected() && labels.at(5)->IsSelected());

    // Ctrl and a band over the first row: 1 and 2 were selected and flip off, 3 comes on, 6 stays.
    const QPoint start(list.width() - 3, labels.at(0)->geometry().center().y());
    SendMouse(&list, QEvent::MouseButtonPress, start, Qt::ControlModifier);
    SendMouse(&list, QEvent::MouseMove, labels.at(0)->geometry().center(), Qt::ControlModifier);
    SendMouse(&list, QEvent::MouseButtonRelease, labels.at(0)->geometry().center(), Qt::ControlModifier);
    const bool expected[6] = {false, false, true, false, false, true};
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(labels.at(i)->IsSelected(), expected[i]);
}

VARROW_TEST_MAIN(TestThumbnails, QApplication)
#include "tst_gui_thumbnails.moc"

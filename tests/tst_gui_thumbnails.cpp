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

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureWithAwkwardPath_data();
    void pictureWithAwkwardPath();
    void loadingOverlayFrames_data();
    void loadingOverlayFrames();
    void pagesFollowTheSize_data();
    void pagesFollowTheSize();
    void clickAndCtrlClick();
    void rubberBand_data();
    void rubberBand();
};

void TestThumbnails::pictureWithAwkwardPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("plain.png");
    QTest::newRow("bracket, space, semicolon, quotes") << QStringLiteral("x) ;'\"(y.png");
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
    QCOMPARE(label.GetPicPath(), path);
    const QColor centre = label.grab().toImage().pixelColor(49, 38);
    QVERIFY2(centre.red() > 180 && centre.green() < 80, qPrintable(centre.name()));

    // The file goes away: the default picture (grey-blue ground) replaces the red one.
    label.SetPicInfo(5, path + QStringLiteral(".gone"));
    QCOMPARE(label.GetPicPath(), QString());
    const QColor corner = label.grab().toImage().pixelColor(8, 8);
    QVERIFY2(corner.blue() > 200 && corner.red() < 240, qPrintable(corner.name()));
}

void TestThumbnails::loadingOverlayFrames_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("frame");
    QTest::newRow("1") << 1 << 7;
    QTest::newRow("7") << 7 << 1;
    QTest::newRow("8") << 8 << 8;
    QTest::newRow("9") << 9 << 7;
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
    // In the picture's bottom-right corner, drawn darker than the default picture around it.
    QVERIFY(qGray(label.grab().toImage().pixel(2 + 94 - 22, 2 + 73 - 22)) < 170);
    label.SetLoadingStep(step + 1);
    QCOMPARE(OverlaysOf(label).size(), 1);
    label.SetLoadingStep(0);
    QCOMPARE(OverlaysOf(label).size(), 0);
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

// A grid of six thumbnails in two rows of three, shown, with the given flags.
struct CShownList
{
    CPicLabelList list{98, 77, 9};
    QList<CPicLabel*> labels;
    explicit CShownList(const QList<bool>& flags)
    {
        list.resize(330, 165);
        list.SetPictures(Paths(6));
        list.SetSelectionFlags(flags);
        list.ShowPage(1);
        list.show();
        list.layout()->activate();
        list.GetPicLabels(&labels);
    }
    QList<bool> Shown() const
    {
        QList<bool> shown;
        for (CPicLabel* label : labels)
            shown << label->IsSelected();
        return shown;
    }
};

void TestThumbnails::clickAndCtrlClick()
{
    CShownList f(QList<bool>(6, false));
    QSignalSpy selected(&f.list, &CPicLabelList::SignalPicLabelSelected);
    QSignalSpy clicked(&f.list, &CPicLabelList::SignalLabelClicked);
    QTest::mouseClick(f.labels.at(1), Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.first(), (QList<QVariant>{9, 2, true}));
    QTest::mouseClick(f.labels.at(4), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QCOMPARE(f.Shown(), (QList<bool>{false, true, false, false, true, false}));
    selected.clear();
    QTest::mouseClick(f.labels.at(1), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QCOMPARE(f.Shown(), (QList<bool>{false, false, false, false, true, false}));
    QCOMPARE(selected.first(), (QList<QVariant>{9, 2, false}));
}

void TestThumbnails::rubberBand_data()
{
    QTest::addColumn<QList<bool>>("before");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("upTo"); // the band runs from the strip right of row 1 to this thumbnail's centre
    QTest::addColumn<QList<bool>>("after");
    const QList<bool> none(6, false);
    QTest::newRow("over 2 and 3") << none << false << 1
                                  << QList<bool>{false, true, true, false, false, false};
    QTest::newRow("drops what was selected") << QList<bool>{true, false, false, false, true, true} << false
                                             << 2 << QList<bool>{false, false, true, false, false, false};
    // With Ctrl the band flips what was selected before the press: 1 and 2 go off, 3 comes on, 6 stays.
    QTest::newRow("ctrl inverts") << QList<bool>{true, true, false, false, false, true} << true << 0
                                  << QList<bool>{false, false, true, false, false, true};
}

void TestThumbnails::rubberBand()
{
    QFETCH(QList<bool>, before);
    QFETCH(bool, ctrl);
    QFETCH(int, upTo);
    QFETCH(QList<bool>, after);
    CShownList f(before);
    QCOMPARE(f.Shown(), before);
    QSignalSpy selected(&f.list, &CPicLabelList::SignalPicLabelSelected);
    const Qt::KeyboardModifiers modifiers = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    const QPoint end = f.labels.at(upTo)->geometry().center();
    SendMouse(&f.list, QEvent::MouseButtonPress, QPoint(f.list.width() - 3, end.y()), modifiers);
    SendMouse(&f.list, QEvent::MouseMove, end, modifiers);
    SendMouse(&f.list, QEvent::MouseButtonRelease, end, modifiers);
    QCOMPARE(f.Shown(), after);
    // Every thumbnail of the page is reported, the last report of each being its final state.
    QList<bool> reported(6, false);
    QList<bool> last(6, false);
    for (const QList<QVariant>& report : selected) {
        reported[report.at(1).toInt() - 1] = true;
        last[report.at(1).toInt() - 1] = report.at(2).toBool();
    }
    QCOMPARE(reported, QList<bool>(6, true));
    QCOMPARE(last, after);
}

VARROW_TEST_MAIN(TestThumbnails, QApplication)
#include "tst_gui_thumbnails.moc"

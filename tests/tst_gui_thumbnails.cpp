// Channel thumbnails, their grids, groups, title bars and the page bar: a picture must show whatever
// characters its path holds, the grid must page by its size, every selection gesture must report exactly the
// flags it changes, the selection must survive paging with the right positions, and collapsing a group from
// its own title bar must stay safe however often it is done.

#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/thumbnails/CPageInfo.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CPictureGroup.h"
#include "widgets/thumbnails/CTitleBar.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QSignalSpy>

#include <set>

namespace {

QStringList Paths(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << QStringLiteral("/nonexistent/channel%1.jpg").arg(i + 1);
    return paths;
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers modifiers)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
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

// The title bars the page shows now (the ones of an earlier page are hidden until the event loop deletes
// them).
QList<CTitleBar*> ShownTitleBars(const CPictureGroup& group)
{
    QList<CTitleBar*> bars;
    for (CTitleBar* bar : group.findChildren<CTitleBar*>()) {
        if (!bar->isHidden())
            bars.append(bar);
    }
    return bars;
}

CTitleBar* ShownTitleBar(const CPictureGroup& group, uint id)
{
    for (CTitleBar* bar : ShownTitleBars(group)) {
        if (bar->GetId() == id)
            return bar;
    }
    return nullptr;
}

QList<CPicLabel*> LabelsOf(const CPictureGroup& group, uint id)
{
    CPicLabelList* list = nullptr;
    QList<CPicLabel*> labels;
    if (group.GetGroupList(id, &list)) {
        list->layout()->activate();
        list->GetPicLabels(&labels);
    }
    return labels;
}

QMap<uint, QList<uint>> Selected(const CPictureGroup& group)
{
    QMap<uint, QList<uint>> selected;
    group.GetSelectedItems(&selected);
    return selected;
}

// The chooser's sizes: 28 pixel title bars, 96 x 75 pictures, left margin 25; the box is the widget less the
// 31 pixel page bar.
struct CGroupFixture
{
    CPictureGroup group;
    explicit CGroupFixture(QSize box = QSize(600, 416))
    {
        group.SetSizes(28, 96, 75, 25);
        group.resize(box.width(), box.height() + 31);
        group.show();
    }
};

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureWithAwkwardPath();
    void pagesFollowTheSize_data();
    void pagesFollowTheSize();
    void rubberBand_data();
    void rubberBand();
    void groupsArePagedBySize_data();
    void groupsArePagedBySize();
    void selectionAcrossPages();
    void expandArrowManyTimes();
    void singledOutGroupRemoved();
    void tooSmallBoxKeepsLayout();
    void pageBar();
};

void TestThumbnails::pictureWithAwkwardPath()
{
    for (const QString& name : {QStringLiteral("x) ;'\"(y.png"), QStringLiteral("back\\slash.png")}) {
        const QString path = TestSupport::ProcessAppDir().FilePath(name);
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor(220, 20, 20));
        QVERIFY(image.save(path, "PNG"));
        CPicLabel label;
        label.resize(98, 77);
        label.SetPicInfo(4, path);
        const QColor centre = label.grab().toImage().pixelColor(49, 38);
        QVERIFY2(centre.red() > 180 && centre.green() < 80, qPrintable(name));
    }
}

void TestThumbnails::pagesFollowTheSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("perPage");
    QTest::newRow("330x165, 7") << QSize(330, 165) << 7 << 3 << QList<int>{6, 1};
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
    list.SetPictures(Paths(pictures));
    QCOMPARE(list.GetPageCount(), static_cast<int>(perPage.size()));
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
}

void TestThumbnails::rubberBand_data()
{
    QTest::addColumn<QList<bool>>("before");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("upTo"); // the band runs from the strip right of row 1 to this thumbnail's centre
    QTest::addColumn<QList<bool>>("after");
    QTest::newRow("drops what was selected") << QList<bool>{true, false, false, false, true, true} << false
                                             << 1 << QList<bool>{false, true, true, false, false, false};
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
    QSignalSpy selected(&f.list, &CPicLabelList::SignalPicLabelSelected);
    const Qt::KeyboardModifiers modifiers = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    const QPoint end = f.labels.at(upTo)->geometry().center();
    SendMouse(&f.list, QEvent::MouseButtonPress, QPoint(f.list.width() - 3, end.y()), modifiers);
    SendMouse(&f.list, QEvent::MouseMove, end, modifiers);
    SendMouse(&f.list, QEvent::MouseButtonRelease, end, modifiers);
    QCOMPARE(f.Shown(), after);
    // Every thumbnail of the page is reported, the last report of each being its final state.
    QList<QVariant> last(6);
    for (const QList<QVariant>& report : selected)
        last[report.at(1).toInt() - 1] = report.at(2);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(last.at(i), QVariant(after.at(i)));
}

void TestThumbnails::groupsArePagedBySize_data()
{
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QList<int>>("groups");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("600x416, 12: rows of 5, 5, 2") << QSize(600, 416) << QList<int>{12} << 1 << 5 << 3;
    QTest::newRow("300x416, 12: 8 then 4") << QSize(300, 416) << QList<int>{12} << 2 << 2 << 4;
    QTest::newRow("600x416, empty group") << QSize(600, 416) << QList<int>{0, 3} << 1 << 3 << 1;
}

void TestThumbnails::groupsArePagedBySize()
{
    QFETCH(QSize, box);
    QFETCH(QList<int>, groups);
    QFETCH(int, pages);
    QFETCH(int, columns);
    QFETCH(int, rows);
    CGroupFixture f(box);
    for (int i = 0; i < groups.size(); ++i)
        f.group.AddGroup(QStringLiteral("Recorder %1").arg(i + 1), Paths(groups.at(i)));
    QCOMPARE(f.group.GetPageCount(), pages);
    const uint first = groups.first() > 0 ? 1 : 2;
    std::set<int> xs, ys;
    for (CPicLabel* label : LabelsOf(f.group, first)) {
        xs.insert(label->x());
        ys.insert(label->y());
    }
    QCOMPARE(static_cast<int>(xs.size()), columns);
    QCOMPARE(static_cast<int>(ys.size()), rows);
    CPicLabelList* list = nullptr;
    QVERIFY(f.group.GetGroupList(first, &list));
    QVERIFY(list->geometry().bottom() <= box.height());
}

void TestThumbnails::selectionAcrossPages()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(10));
    f.group.AddGroup(QStringLiteral("B"), Paths(20));
    QTest::mouseClick(LabelsOf(f.group, 2).at(0), Qt::LeftButton, {}, QPoint(40, 30));
    // A plain click clears every other group.
    QTest::mouseClick(LabelsOf(f.group, 1).at(4), Qt::LeftButton, {}, QPoint(40, 30));

    // B goes on at the top of page 2, numbered from 1 again: its picture 3 there is position 13 of B.
    f.group.GetPageBar()->SetPage(2);
    QTest::mouseClick(LabelsOf(f.group, 2).at(2), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QCOMPARE(Selected(f.group), (QMap<uint, QList<uint>>{{1, {5}}, {2, {13}}}));
    f.group.GetPageBar()->SetPage(1);
    QVERIFY(LabelsOf(f.group, 1).at(4)->IsSelected());
    // Changing a group forgets its selection only.
    QVERIFY(f.group.ModifyGroup(2, QStringLiteral("B2"), Paths(4)));
    QCOMPARE(Selected(f.group).keys(), QList<uint>{1});
}

void TestThumbnails::expandArrowManyTimes()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(10));
    f.group.AddGroup(QStringLiteral("B"), Paths(5));
    for (int i = 0; i < 25; ++i) {
        CTitleBar* bar = ShownTitleBar(f.group, 1);
        QVERIFY(bar);
        // The bar that is clicked is replaced while its own click is delivered.
        QTest::mouseClick(bar->findChild<CPushButton*>(), Qt::LeftButton);
        CPicLabelList* list = nullptr;
        QCOMPARE(f.group.GetGroupList(1, &list), i % 2 != 0);
        if (i % 3 == 0)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(f.group.findChildren<CTitleBar*>().size(), 2);
}

void TestThumbnails::singledOutGroupRemoved()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(2));
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(9)), 0u);
    f.group.AddGroup(QStringLiteral("B"), Paths(2));
    QVERIFY(f.group.SetExpandGroup(2));
    QCOMPARE(ShownTitleBars(f.group).size(), 1);
    // A singled-out group that is removed leaves every other group shown.
    QVERIFY(f.group.RemoveGroup(2));
    QCOMPARE(ShownTitleBars(f.group).size(), 1);
    QCOMPARE(ShownTitleBars(f.group).first()->GetId(), 1u);
}

void TestThumbnails::tooSmallBoxKeepsLayout()
{
    // Room for a title bar and a picture but not for a row on a following page: no endless pages.
    CGroupFixture f(QSize(600, 100));
    f.group.AddGroup(QStringLiteral("A"), Paths(3));
    QCOMPARE(f.group.GetPageCount(), 0);
    f.group.resize(600, 416 + 31);
    QCoreApplication::processEvents();
    QCOMPARE(LabelsOf(f.group, 1).size(), 3);
}

void TestThumbnails::pageBar()
{
    CPageInfo bar;
    QSignalSpy shown(&bar, &CPageInfo::SignalShowPage);
    const QList<CPushButton*> buttons = bar.findChildren<CPushButton*>();
    auto visible = [&buttons] {
        QStringList texts;
        for (CPushButton* b : buttons) {
            if (!b->isHidden())
                texts << b->text();
        }
        return texts.join(QLatin1Char(' '));
    };
    bar.SetPageCount(25);
    QCOMPARE(bar.SetPage(11), 0);
    QCOMPARE(visible(), QStringLiteral("Previous 11 12 13 14 15 16 17 18 19 20 Next"));
    QCOMPARE(bar.SetPage(26), -1);
    for (CPushButton* b : buttons) {
        if (b->text() == QStringLiteral("Next"))
            b->click();
    }
    QCOMPARE(bar.GetCurrentPage(), 21u);
    QCOMPARE(visible(), QStringLiteral("Previous 21 22 23 24 25"));
    QCOMPARE(shown.last().at(0).toUInt(), 21u);
}

VARROW_TEST_MAIN(TestThumbnails, QApplication)
#include "tst_gui_thumbnails.moc"

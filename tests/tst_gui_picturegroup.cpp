// Thumbnail groups, their title bars and the page bar: groups must be laid out down the box and across pages
// as the sizes allow, the selection must survive paging with the right positions, and collapsing a group from
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

// The title bars the page shows now (the ones of an earlier page are hidden until the event loop deletes
// them).
QList<CTitleBar*> ShownTitleBars(const CPictureGroup& group)
{
    QList<CTitleBar*> bars;
    for (CTitleBar* bar : group.findChildren<CTitleBar*>()) {
        if (!bar->isHidden())
            bars.append(bar);
    }
    std::sort(bars.begin(), bars.end(), [](CTitleBar* a, CTitleBar* b) { return a->y() < b->y(); });
    return bars;
}

CTitleBar* ShownTitleBar(const CPictureGroup& group, uint id)
{
    const QList<CTitleBar*> bars = ShownTitleBars(group);
    const auto it =
        std::find_if(bars.begin(), bars.end(), [id](CTitleBar* bar) { return bar->GetId() == id; });
    return it == bars.end() ? nullptr : *it;
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

void DeleteLater()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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

class TestPictureGroup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void groupsArePagedBySize_data();
    void groupsArePagedBySize();
    void selectionAcrossPages();
    void clicksAcrossGroups();
    void expandArrowManyTimes();
    void singlingOutAndIds();
    void tooSmallBoxKeepsLayout();
    void pageBarBlocks();
    void titleBar();
};

void TestPictureGroup::groupsArePagedBySize_data()
{
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QList<int>>("groups");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("600x416, 12: rows of 5, 5, 2") << QSize(600, 416) << QList<int>{12} << 1 << 5 << 3;
    QTest::newRow("600x416, 20 and 20") << QSize(600, 416) << QList<int>{20, 20} << 2 << 5 << 4;
    QTest::newRow("300x416, 12: 8 then 4") << QSize(300, 416) << QList<int>{12} << 2 << 2 << 4;
    QTest::newRow("800x269, 12 and 12") << QSize(800, 269) << QList<int>{12, 12} << 2 << 7 << 2;
    QTest::newRow("600x416, empty group") << QSize(600, 416) << QList<int>{0, 3} << 1 << 3 << 1;
}

void TestPictureGroup::groupsArePagedBySize()
{
    QFETCH(QSize, box);
    QFETCH(QList<int>, groups);
    QFETCH(int, pages);
    QFETCH(int, columns);
    QFETCH(int, rows);
    CGroupFixture f(box);
    for (int i = 0; i < groups.size(); ++i)
        QCOMPARE(f.group.AddGroup(QStringLiteral("Recorder %1").arg(i + 1), Paths(groups.at(i))),
                 uint(i + 1));
    QCOMPARE(f.group.GetPageCount(), pages);
    const uint first = groups.first() > 0 ? 1 : 2;
    std::set<int> xs, ys;
    for (CPicLabel* label : LabelsOf(f.group, first)) {
        xs.insert(label->x());
        ys.insert(label->y());
    }
    QCOMPARE(static_cast<int>(xs.size()), columns);
    QCOMPARE(static_cast<int>(ys.size()), rows);
    // Every grid and title bar of the page lies inside the box.
    const QRect boxRect(0, 0, box.width(), box.height());
    for (CTitleBar* bar : ShownTitleBars(f.group))
        QVERIFY(boxRect.contains(bar->geometry()));
    CPicLabelList* list = nullptr;
    QVERIFY(f.group.GetGroupList(first, &list));
    QVERIFY(list->geometry().bottom() <= box.height());
}

void TestPictureGroup::selectionAcrossPages()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(10));
    f.group.AddGroup(QStringLiteral("B"), Paths(20));
    QCOMPARE(LabelsOf(f.group, 2).size(), 10);
    QTest::mouseClick(LabelsOf(f.group, 1).at(4), Qt::LeftButton, {}, QPoint(40, 30));

    // B goes on at the top of page 2 without a title bar, numbered from 1 again.
    f.group.GetPageBar()->SetPage(2);
    QCOMPARE(ShownTitleBars(f.group).size(), 0);
    CPicLabelList* list = nullptr;
    QVERIFY(!f.group.GetGroupList(1, &list));
    QVERIFY(f.group.GetGroupList(2, &list));
    QCOMPARE(list->y(), 8);
    QCOMPARE(LabelsOf(f.group, 2).first()->GetId(), 1u);
    // Picture 3 there follows the 10 of B's piece on page 1: position 13.
    QTest::mouseClick(LabelsOf(f.group, 2).at(2), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QCOMPARE(Selected(f.group), (QMap<uint, QList<uint>>{{1, {5}}, {2, {13}}}));
    QVERIFY(!f.group.GetSelectedItems(nullptr));

    f.group.GetPageBar()->SetPage(1);
    QVERIFY(LabelsOf(f.group, 1).at(4)->IsSelected());
    f.group.GetPageBar()->SetPage(2);
    QVERIFY(LabelsOf(f.group, 2).at(2)->IsSelected());
    // Changing a group forgets its selection only.
    QVERIFY(f.group.ModifyGroup(2, QStringLiteral("B2"), Paths(4)));
    QCOMPARE(Selected(f.group).keys(), QList<uint>{1});
}

void TestPictureGroup::clicksAcrossGroups()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(3));
    f.group.AddGroup(QStringLiteral("B"), Paths(3));
    QSignalSpy clicked(&f.group, &CPictureGroup::SignalPicClicked);
    QTest::mouseClick(LabelsOf(f.group, 1).at(0), Qt::LeftButton, {}, QPoint(40, 30));
    QTest::mouseClick(LabelsOf(f.group, 2).at(1), Qt::LeftButton, Qt::ControlModifier, QPoint(40, 30));
    QCOMPARE(Selected(f.group), (QMap<uint, QList<uint>>{{1, {1}}, {2, {2}}}));
    // A plain click clears every other group.
    QTest::mouseClick(LabelsOf(f.group, 2).at(2), Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(Selected(f.group), (QMap<uint, QList<uint>>{{2, {3}}}));
    QCOMPARE(clicked.count(), 3);
    // A double-click on a title bar selects its whole group.
    QTest::mouseDClick(ShownTitleBar(f.group, 1), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(Selected(f.group), (QMap<uint, QList<uint>>{{1, {1, 2, 3}}, {2, {3}}}));
}

void TestPictureGroup::expandArrowManyTimes()
{
    CGroupFixture f;
    f.group.AddGroup(QStringLiteral("A"), Paths(10));
    f.group.AddGroup(QStringLiteral("B"), Paths(5));
    const int expandedY = ShownTitleBar(f.group, 2)->y();
    for (int i = 0; i < 25; ++i) {
        CTitleBar* bar = ShownTitleBar(f.group, 1);
        QVERIFY(bar);
        // The bar that is clicked is replaced while its own click is delivered.
        QTest::mouseClick(bar->findChild<CPushButton*>(), Qt::LeftButton);
        const bool collapsed = i % 2 == 0;
        CPicLabelList* list = nullptr;
        QCOMPARE(f.group.GetGroupList(1, &list), !collapsed);
        QCOMPARE(ShownTitleBars(f.group).size(), 2);
        // A collapsed group moves the next one up under its title bar.
        QCOMPARE(ShownTitleBar(f.group, 2)->y() < expandedY, collapsed);
        if (i % 3 == 0)
            DeleteLater();
    }
    DeleteLater();
    QCOMPARE(f.group.findChildren<CTitleBar*>().size(), 2);
}

void TestPictureGroup::singlingOutAndIds()
{
    CGroupFixture f;
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(2)), 1u);
    QCOMPARE(f.group.AddGroup(QStringLiteral("B"), Paths(2)), 2u);
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(9)), 0u);
    QCOMPARE(f.group.AddGroup(QStringLiteral("C"), Paths(2)), 3u);
    QVERIFY(f.group.SetExpandGroup(2));
    QVERIFY(f.group.SetExpandGroup(2));
    QVERIFY(!f.group.SetExpandGroup(7));
    QCOMPARE(ShownTitleBars(f.group).size(), 1);
    QCOMPARE(ShownTitleBars(f.group).first()->GetId(), 2u);
    QVERIFY(f.group.SetExpandGroup(0));
    QCOMPARE(ShownTitleBars(f.group).size(), 3);

    QVERIFY(!f.group.ModifyGroup(9, QStringLiteral("X"), {}));
    QVERIFY(!f.group.RemoveGroup(9));
    QVERIFY(f.group.RemoveGroup(3));
    QCOMPARE(f.group.AddGroup(QStringLiteral("D"), Paths(1)), 3u);
    // A singled-out group that is removed leaves every other group shown.
    QVERIFY(f.group.SetExpandGroup(3));
    QVERIFY(f.group.RemoveGroup(3));
    QCOMPARE(ShownTitleBars(f.group).size(), 2);
    f.group.ClearGroups();
    QCOMPARE(ShownTitleBars(f.group).size(), 0);
    QCOMPARE(f.group.AddGroup(QStringLiteral("E"), Paths(1)), 1u);
}

void TestPictureGroup::tooSmallBoxKeepsLayout()
{
    // Room for a title bar and a picture but not for a row on a following page: no endless pages.
    CGroupFixture f(QSize(600, 100));
    f.group.AddGroup(QStringLiteral("A"), Paths(3));
    QCOMPARE(f.group.GetPageCount(), 0);
    f.group.resize(600, 416 + 31);
    QCoreApplication::processEvents();
    QCOMPARE(LabelsOf(f.group, 1).size(), 3);
    f.group.resize(100, 416 + 31);
    QCoreApplication::processEvents();
    QCOMPARE(LabelsOf(f.group, 1).size(), 3);
}

void TestPictureGroup::pageBarBlocks()
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
    auto click = [&](const QString& text) {
        for (CPushButton* b : buttons) {
            if (!b->isHidden() && b->text() == text)
                b->click();
        }
    };
    QCOMPARE(visible(), QString());
    bar.SetPageCount(25);
    QCOMPARE(bar.SetPage(11), 0);
    QCOMPARE(visible(), QStringLiteral("Previous 11 12 13 14 15 16 17 18 19 20 Next"));
    QCOMPARE(bar.SetPage(21), 0);
    QCOMPARE(visible(), QStringLiteral("Previous 21 22 23 24 25"));
    QCOMPARE(bar.SetPage(26), -1);
    QCOMPARE(bar.SetPage(0), -1);
    QCOMPARE(shown.count(), 2);
    click(QStringLiteral("21")); // already highlighted
    QCOMPARE(shown.count(), 2);
    click(QStringLiteral("23"));
    QCOMPARE(shown.last().at(0).toUInt(), 23u);
    click(QStringLiteral("Previous"));
    QCOMPARE(bar.GetCurrentPage(), 11u);
    click(QStringLiteral("Next"));
    QCOMPARE(bar.GetCurrentPage(), 21u);
}

void TestPictureGroup::titleBar()
{
    CTitleBar bar(28, QStringLiteral("Recorder 1"), 6);
    QSignalSpy buttons(&bar, &CTitleBar::SignalBtnClicked);
    QSignalSpy expand(&bar, &CTitleBar::SignalExpandBtnClicked);
    bar.AddButton(5, QStringLiteral("a"), QString(), QIcon());
    bar.AddButton(7, QStringLiteral("b"), QString(), QIcon());
    bar.SetButtonEnabled(99, false);
    bar.resize(400, 28);
    bar.show();
    QList<CPushButton*> all = bar.findChildren<CPushButton*>();
    std::sort(all.begin(), all.end(), [](CPushButton* a, CPushButton* b) { return a->x() < b->x(); });
    QCOMPARE(all.at(1)->text(), QStringLiteral("b")); // in the order added, left of the arrow
    QTest::mouseClick(all.at(1), Qt::LeftButton);
    QTest::mouseClick(all.at(2), Qt::LeftButton);
    QCOMPARE(buttons, (QList<QList<QVariant>>{{7, 6u}}));
    QCOMPARE(expand.count(), 1);
}

VARROW_TEST_MAIN(TestPictureGroup, QApplication)
#include "tst_gui_picturegroup.moc"

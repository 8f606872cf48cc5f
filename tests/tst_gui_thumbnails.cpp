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
    void pageBarBlocks_data();
    void pageBarBlocks();
    void pageBarClicks();
    void loadingFrames_data();
    void loadingFrames();
    void groupIdsAndUnknownIds();
    void groupPiecesInPlace_data();
    void groupPiecesInPlace();
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

namespace {

// The page buttons the bar shows, in order, the highlighted one in brackets.
QString PageButtons(const CPageInfo& bar)
{
    QStringList texts;
    for (CPushButton* b : bar.findChildren<CPushButton*>()) {
        if (b->isHidden())
            continue;
        const bool highlighted = !b->text().isEmpty() && b->text().at(0).isDigit() &&
                                 !b->styleSheet().contains(QLatin1String("button.png)"));
        texts << (highlighted ? '[' + b->text() + ']' : b->text());
    }
    return texts.join(QLatin1Char(' '));
}

CPushButton* PageButton(const CPageInfo& bar, const QString& text)
{
    for (CPushButton* b : bar.findChildren<CPushButton*>()) {
        if (!b->isHidden() && b->text() == text)
            return b;
    }
    return nullptr;
}

} // namespace

void TestThumbnails::pageBarBlocks_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one page") << 1 << 1 << 0 << "[1]";
    QTest::newRow("ten pages, the last") << 10 << 10 << 0 << "1 2 3 4 5 6 7 8 9 [10]";
    QTest::newRow("eleven pages, page 10") << 11 << 10 << 0 << "1 2 3 4 5 6 7 8 9 [10] Next";
    QTest::newRow("eleven pages, page 11") << 11 << 11 << 0 << "Previous [11]";
    QTest::newRow("25 pages, page 1") << 25 << 1 << 0 << "[1] 2 3 4 5 6 7 8 9 10 Next";
    QTest::newRow("25 pages, page 20") << 25 << 20 << 0 << "Previous 11 12 13 14 15 16 17 18 19 [20] Next";
    QTest::newRow("25 pages, page 25") << 25 << 25 << 0 << "Previous 21 22 23 24 [25]";
    QTest::newRow("page 0") << 25 << 0 << -1 << "Previous 11 12 13 [14] 15 16 17 18 19 20 Next";
    QTest::newRow("past the last page") << 25 << 26 << -1 << "Previous 11 12 13 [14] 15 16 17 18 19 20 Next";
}

// The bar shows the block of ten pages that holds the page, the arrows only where there is a block to go to.
void TestThumbnails::pageBarBlocks()
{
    QFETCH(int, count);
    QFETCH(int, page);
    QFETCH(int, result);
    QFETCH(QString, shown);
    CPageInfo bar;
    bar.SetPageCount(uint(count));
    if (count == 25)
        bar.SetPage(14);
    QSignalSpy announced(&bar, &CPageInfo::SignalShowPage);
    QCOMPARE(bar.SetPage(uint(page)), result);
    QCOMPARE(PageButtons(bar), shown);
    QCOMPARE(announced.count(), result == 0 ? 1 : 0);
    QCOMPARE(bar.GetCurrentPage(), uint(result == 0 ? page : 14));
}

void TestThumbnails::pageBarClicks()
{
    CPageInfo bar;
    bar.SetPageCount(25);
    bar.SetPage(13);
    QSignalSpy announced(&bar, &CPageInfo::SignalShowPage);
    // The highlighted page again: nothing.
    PageButton(bar, QStringLiteral("13"))->click();
    QCOMPARE(announced.count(), 0);
    PageButton(bar, QStringLiteral("17"))->click();
    QCOMPARE(PageButtons(bar), QStringLiteral("Previous 11 12 13 14 15 16 [17] 18 19 20 Next"));
    // The arrows go to the first page of the block before or after.
    PageButton(bar, QStringLiteral("Previous"))->click();
    QCOMPARE(PageButtons(bar), QStringLiteral("[1] 2 3 4 5 6 7 8 9 10 Next"));
    PageButton(bar, QStringLiteral("Next"))->click();
    PageButton(bar, QStringLiteral("Next"))->click();
    QCOMPARE(PageButtons(bar), QStringLiteral("Previous [21] 22 23 24 25"));
    QList<uint> pages;
    for (const QList<QVariant>& args : announced)
        pages << args.at(0).toUInt();
    QCOMPARE(pages, (QList<uint>{17, 1, 11, 21}));
}

void TestThumbnails::loadingFrames_data()
{
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<int>>("frames"); // 0: no overlay
    QTest::newRow("a turn and a half") << QList<int>{1, 2, 7, 8, 9, 16} << QList<int>{7, 6, 1, 8, 7, 8};
    QTest::newRow("stopped and started again") << QList<int>{3, 0, 4} << QList<int>{5, 0, 4};
}

// The turning overlay of a thumbnail whose picture is being fetched: 44 pixels square in the picture's
// bottom-right corner, its frames counting down as the steps count up.
void TestThumbnails::loadingFrames()
{
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, frames);
    CPicLabel label;
    label.resize(98, 77);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    auto* picture = label.findChild<QLabel*>(QStringLiteral("m_pLabelPic"));
    QCOMPARE(picture->geometry(), QRect(2, 2, 94, 73));
    for (int i = 0; i < steps.size(); ++i) {
        label.SetLoadingStep(steps[i]);
        const QList<QLabel*> overlays = picture->findChildren<QLabel*>();
        QCOMPARE(int(overlays.size()), frames[i] == 0 ? 0 : 1);
        if (frames[i] == 0)
            continue;
        QCOMPARE(overlays.first()->geometry(), QRect(50, 29, 44, 44));
        QVERIFY2(overlays.first()->styleSheet().contains(QStringLiteral("Animation%1.png").arg(frames[i])),
                 qPrintable(overlays.first()->styleSheet()));
    }
}

// Groups are numbered from 1, each new one after the last; a name is taken once; unknown numbers change
// nothing; one group can be singled out and all shown again.
void TestThumbnails::groupIdsAndUnknownIds()
{
    CGroupFixture f;
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(2)), 1u);
    QCOMPARE(f.group.AddGroup(QStringLiteral("B"), Paths(2)), 2u);
    QVERIFY(f.group.RemoveGroup(1));
    QCOMPARE(f.group.AddGroup(QStringLiteral("B"), Paths(2)), 0u);
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(2)), 3u);
    CPicLabelList* list = nullptr;
    QVERIFY(!f.group.RemoveGroup(1) && !f.group.ModifyGroup(9, QStringLiteral("X"), Paths(1)));
    QVERIFY(!f.group.GetGroupList(1, &list) && !f.group.SetExpandGroup(9));
    QCOMPARE(ShownTitleBars(f.group).size(), 2);
    QVERIFY(f.group.SetExpandGroup(3));
    QCOMPARE(ShownTitleBars(f.group).size(), 1);
    QCOMPARE(ShownTitleBars(f.group).first()->GetId(), 3u);
    // Singled out again: nothing is laid out or shown anew.
    QSignalSpy shown(f.group.GetPageBar(), &CPageInfo::SignalShowPage);
    QVERIFY(f.group.SetExpandGroup(3));
    QCOMPARE(shown.count(), 0);
    QVERIFY(f.group.SetExpandGroup(0));
    QCOMPARE(ShownTitleBars(f.group).size(), 2);
    f.group.ClearGroups();
    QCOMPARE(f.group.AddGroup(QStringLiteral("A"), Paths(1)), 1u);
}

void TestThumbnails::groupPiecesInPlace_data()
{
    QTest::addColumn<int>("boxWidth");
    QTest::addColumn<QList<int>>("pictures"); // per group
    QTest::addColumn<bool>("collapseFirst");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("pieces"); // "bar id y" or "grid id y height count", in group order
    // 600 x 416: 592 x 400 to lay out, five columns of 98 + 3, rows of 77 + 5; a title bar takes 28 + 5.
    QTest::newRow("two groups") << 600 << QList<int>{12, 5} << false << 1
                                << QStringList{"bar 1 10", "grid 1 38 251 12", "bar 2 289",
                                               "grid 2 317 87 5"};
    QTest::newRow("first collapsed") << 600 << QList<int>{12, 5} << true << 1
                                     << QStringList{"bar 1 10", "bar 2 43", "grid 2 71 87 5"};
    // 300 wide: two columns; four rows fill page 1 to its bottom, the rest goes on at the top of page 2.
    QTest::newRow("page 1 of a long group")
        << 300 << QList<int>{12} << false << 1 << QStringList{"bar 1 10", "grid 1 38 367 8"};
    QTest::newRow("page 2 of a long group")
        << 300 << QList<int>{12} << false << 2 << QStringList{"grid 1 8 169 4"};
}

// Where the title bars and the grids of the groups stand in the box: a wrong gap or height puts a picture
// under the page bar or over the next group.
void TestThumbnails::groupPiecesInPlace()
{
    QFETCH(int, boxWidth);
    QFETCH(QList<int>, pictures);
    QFETCH(bool, collapseFirst);
    QFETCH(int, page);
    QFETCH(QStringList, pieces);
    CGroupFixture f(QSize(boxWidth, 416));
    for (int i = 0; i < pictures.size(); ++i)
        f.group.AddGroup(QStringLiteral("Recorder %1").arg(i + 1), Paths(pictures[i]));
    if (collapseFirst)
        QTest::mouseClick(ShownTitleBar(f.group, 1)->findChild<CPushButton*>(), Qt::LeftButton);
    f.group.GetPageBar()->SetPage(uint(page));
    QStringList placed;
    for (int i = 0; i < pictures.size(); ++i) {
        const uint id = uint(i + 1);
        if (CTitleBar* bar = ShownTitleBar(f.group, id)) {
            // Title bars start 5 pixels in and are as wide as the box less 8.
            QCOMPARE(bar->geometry().x() * 1000 + bar->width(), 5 * 1000 + boxWidth - 8);
            QCOMPARE(bar->height(), 28);
            placed << QStringLiteral("bar %1 %2").arg(id).arg(bar->y());
        }
        CPicLabelList* list = nullptr;
        if (f.group.GetGroupList(id, &list)) {
            QCOMPARE(list->x() * 1000 + list->width(), 22 * 1000 + boxWidth - 25);
            placed << QStringLiteral("grid %1 %2 %3 %4")
                          .arg(id)
                          .arg(list->y())
                          .arg(list->height())
                          .arg(LabelsOf(f.group, id).size());
        }
    }
    QCOMPARE(placed, pieces);
}

VARROW_TEST_MAIN(TestThumbnails, QApplication)
#include "tst_gui_thumbnails.moc"

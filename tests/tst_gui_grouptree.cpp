// The plan tree of the record page: Shift must never extend a selection, double-clicks on items come out as
// signals (nothing below the last row), a drag names its item by two little-endian rows whatever model the
// view shows, and a multi-selection stays under one plan.

#include "tests/support/TestSupport.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

// Keeps the drag's data instead of running the drag.
class CCapturingTree : public CGroupTreeView
{
public:
    QList<QByteArray> drags;

protected:
    void RunDrag(QDrag* drag) override
    {
        drags.append(drag->mimeData()->data(QString::fromLatin1(kGroupStreamMime)));
        drag->deleteLater();
    }
};

void DragFrom(CCapturingTree& tree, QPoint from, QPoint to)
{
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, tree.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(tree.viewport(), &move);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, from);
}

} // namespace

class TestGroupTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void shiftIsDropped();
    void doubleClickOnItemsOnly();
    void drag_data();
    void drag();
    void dragOverTheViewsOwnModel();
    void multiSelectionStaysUnderOnePlan();
    void shiftNavigationPassesOn_data();
    void shiftNavigationPassesOn();
    void payloadCodec();

private:
    QPoint Centre(const QModelIndex& index) const { return m_pTree->visualRect(index).center(); }

    QStandardItemModel* m_pModel = nullptr;
    CCapturingTree* m_pTree = nullptr;
};

void TestGroupTree::init()
{
    // Three plans "Alpha", "Beta", "Gamma" of five channels each.
    m_pTree = new CCapturingTree;
    m_pModel = new QStandardItemModel(m_pTree);
    const QStringList plans{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")};
    for (const QString& plan : plans) {
        auto* item = new QStandardItem(plan);
        for (int channel = 0; channel < 5; ++channel)
            item->appendRow(new QStandardItem(QStringLiteral("%1 channel %2").arg(plan).arg(channel + 1)));
        m_pModel->appendRow(item);
    }
    m_pTree->setModel(m_pModel);
    m_pTree->resize(300, 600);
    m_pTree->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pTree));
}

void TestGroupTree::cleanup()
{
    delete m_pTree;
    m_pTree = nullptr;
}

void TestGroupTree::shiftIsDropped()
{
    const QModelIndex beta = m_pModel->index(1, 0);
    const QModelIndex channel = m_pModel->index(2, 0, beta);
    m_pModel->setData(channel, true, ROLE_BUTTON);
    m_pTree->setCurrentIndex(beta);
    QSignalSpy pressed(m_pTree, &CTableView::PressedBtn);
    QTest::mouseClick(m_pTree->viewport(), Qt::LeftButton, Qt::ShiftModifier, Centre(channel));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::sendEvent(m_pTree, &down);
    QCOMPARE(m_pTree->currentIndex(), beta);
    QCOMPARE(m_pTree->selectionModel()->selectedIndexes(), QModelIndexList{beta});
    QCOMPARE(pressed.count(), 0);
}

void TestGroupTree::doubleClickOnItemsOnly()
{
    QList<QModelIndex> doubled;
    connect(m_pTree, &CGroupTreeView::ItemDoubleClicked, this, [&](QModelIndex& i) { doubled.append(i); });
    m_pTree->collapseAll();
    const QModelIndex gamma = m_pModel->index(2, 0);
    const QPoint below(20, m_pTree->visualRect(gamma).bottom() + 40);
    QTest::mouseDClick(m_pTree->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(doubled.isEmpty());
    QTest::mouseDClick(m_pTree->viewport(), Qt::LeftButton, {}, Centre(gamma));
    QCOMPARE(doubled, QList<QModelIndex>{gamma});
}

void TestGroupTree::drag_data()
{
    QTest::addColumn<int>("channel"); // -1: the plan itself
    QTest::addColumn<bool>("dragEnabled");
    QTest::addColumn<QByteArray>("payload"); // empty: no drag
    QTest::newRow("channel") << 4 << true << QByteArray::fromHex("0200000004000000");
    QTest::newRow("plan") << -1 << true << QByteArray::fromHex("02000000ffffffff");
    QTest::newRow("item not draggable") << 4 << false << QByteArray();
}

void TestGroupTree::drag()
{
    QFETCH(int, channel);
    QFETCH(bool, dragEnabled);
    QFETCH(QByteArray, payload);
    const QModelIndex gamma = m_pModel->index(2, 0);
    const QModelIndex index = channel < 0 ? gamma : m_pModel->index(channel, 0, gamma);
    m_pModel->itemFromIndex(index)->setDragEnabled(dragEnabled);

    // With the option off, nothing is ever dragged.
    for (const bool on : {false, true}) {
        m_pTree->SetDragEnabled(on);
        DragFrom(*m_pTree, Centre(index), Centre(index) + QPoint(QApplication::startDragDistance(), 0));
        QVERIFY(on || m_pTree->drags.isEmpty());
    }
    QCOMPARE(m_pTree->drags, payload.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{payload});
}

void TestGroupTree::dragOverTheViewsOwnModel()
{
    // The view's own item model is no standard item model: the drag still asks it for the item's flags.
    CCapturingTree tree;
    tree.SetHeaderLabels({QStringLiteral("Plans")});
    tree.AppendRow();
    tree.AppendRow();
    tree.SetItemText(1, 0, QStringLiteral("plan"));
    tree.resize(200, 200);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    tree.SetDragEnabled(true);
    const QPoint at = tree.visualRect(tree.GetIndex(1, 0)).center();
    DragFrom(tree, at, at + QPoint(0, QApplication::startDragDistance()));
    QCOMPARE(tree.drags, QList<QByteArray>{QByteArray::fromHex("01000000ffffffff")});
}

void TestGroupTree::multiSelectionStaysUnderOnePlan()
{
    m_pTree->SetMultiSelection(true);
    const QModelIndex alpha = m_pModel->index(0, 0);
    const QModelIndex beta = m_pModel->index(1, 0);
    QTest::mouseClick(m_pTree->viewport(), Qt::LeftButton, {}, Centre(m_pModel->index(1, 0, alpha)));
    QTest::mouseClick(m_pTree->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      Centre(m_pModel->index(0, 0, beta)));
    QTest::mouseClick(m_pTree->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      Centre(m_pModel->index(3, 0, alpha)));
    QModelIndexList selected = m_pTree->selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end());
    QCOMPARE(selected, (QModelIndexList{m_pModel->index(1, 0, alpha), m_pModel->index(3, 0, alpha)}));
}

void TestGroupTree::shiftNavigationPassesOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passed"); // ignored by the tree, left to its parent
    for (const auto& [name, key] : QList<std::pair<const char*, int>>{{"Home", Qt::Key_Home},
                                                                      {"End", Qt::Key_End},
                                                                      {"Left", Qt::Key_Left},
                                                                      {"Up", Qt::Key_Up},
                                                                      {"Right", Qt::Key_Right},
                                                                      {"Down", Qt::Key_Down},
                                                                      {"PageUp", Qt::Key_PageUp},
                                                                      {"PageDown", Qt::Key_PageDown}})
        QTest::newRow(name) << key << QString() << true;
    // Outside the navigation keys Shift changes nothing: a letter still searches the plans.
    QTest::newRow("A") << int(Qt::Key_A) << QStringLiteral("A") << false;
}

void TestGroupTree::shiftNavigationPassesOn()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, passed);
    m_pTree->collapseAll();
    const QModelIndex beta = m_pModel->index(1, 0);
    m_pTree->setCurrentIndex(beta);
    QKeyEvent event(QEvent::KeyPress, key, Qt::ShiftModifier, text);
    QApplication::sendEvent(m_pTree, &event);
    QCOMPARE(event.isAccepted(), !passed);
    QCOMPARE(m_pTree->currentIndex(), passed ? beta : m_pModel->index(0, 0));
    QVERIFY(!m_pTree->isExpanded(beta));
}

void TestGroupTree::payloadCodec()
{
    QByteArray bytes;
    MakeGroupStreamData(0x01020304, -2, bytes);
    QCOMPARE(bytes, QByteArray::fromHex("04030201feffffff"));
    int value = 7;
    BytesToInt(bytes.left(4), value);
    QCOMPARE(value, 0x01020304);
    BytesToInt(bytes.mid(4), value);
    QCOMPARE(value, -2);
    // Any other length leaves the value as it was.
    for (const int length : {0, 3, 5, 8}) {
        BytesToInt(bytes.left(length), value);
        QCOMPARE(value, -2);
    }
}

VARROW_TEST_MAIN(TestGroupTree, QApplication)
#include "tst_gui_grouptree.moc"

// The views' item model: views must only hear of rows and columns that really come or go, a cell's display
// and edit text must be one value, and the model must keep the toolkit's rules for any view (the model
// tester).

#include "tests/support/TestSupport.h"
#include "widgets/views/CTreeViewModel.h"
#include "widgets/views/ItemDataRole.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTreeView>

#include <functional>

class TestItemModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void testerOverInsertsAndRemovals();
    void refusedChangesAnnounceNothing();
    void cellValues();
    void headerStorage();
    void readyMadeItems();
    void onlyColumnZeroHasChildren();
};

namespace {

// Two plans of three channels each, with texts and check states.
void FillTwoLevels(CTreeViewModel& model)
{
    model.insertColumns(0, 2);
    model.insertRows(0, 2);
    for (int plan = 0; plan < 2; ++plan) {
        const QModelIndex planIndex = model.index(plan, 0);
        model.setData(planIndex, QStringLiteral("plan %1").arg(plan));
        model.setData(planIndex, Qt::Unchecked, Qt::CheckStateRole);
        model.insertRows(0, 3, planIndex);
        for (int channel = 0; channel < 3; ++channel) {
            model.setData(model.index(channel, 0, planIndex), QStringLiteral("ch %1").arg(channel));
            model.setData(model.index(channel, 1, planIndex), channel);
        }
    }
}

} // namespace

void TestItemModel::testerOverInsertsAndRemovals()
{
    QTreeView view;
    auto* model = new CTreeViewModel(&view);
    view.setModel(model);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    FillTwoLevels(*model);
    const QModelIndex second = model->index(1, 0);
    QVERIFY(model->insertRows(1, 2, second));
    QVERIFY(model->removeRows(0, 1, second));
    QCOMPARE(model->rowCount(second), 4);
    QVERIFY(model->insertColumns(1, 1));
    QVERIFY(model->removeColumns(0, 1));
    QVERIFY(model->removeRows(0, 1));
    QCOMPARE(model->rowCount(), 1);
    model->Clear();
    QCOMPARE(model->rowCount(), 0);
}

void TestItemModel::refusedChangesAnnounceNothing()
{
    // Each change is refused on a model of three rows and two columns, and no view hears of it.
    CTreeViewItem spare(nullptr); // a refused item stays the caller's
    const QList<std::pair<const char*, std::function<bool(CTreeViewModel&)>>> changes{
        {"rows past the end", [](CTreeViewModel& m) { return m.insertRows(4, 1); }},
        {"rows at -1", [](CTreeViewModel& m) { return m.insertRows(-1, 1); }},
        {"zero rows", [](CTreeViewModel& m) { return m.insertRows(0, 0); }},
        {"remove zero rows", [](CTreeViewModel& m) { return m.removeRows(0, 0); }},
        {"remove past the end", [](CTreeViewModel& m) { return m.removeRows(2, 2); }},
        {"columns past the end", [](CTreeViewModel& m) { return m.insertColumns(3, 1); }},
        {"remove columns past the end", [](CTreeViewModel& m) { return m.removeColumns(1, 2); }},
        {"empty item list", [](CTreeViewModel& m) { return m.InsertItems(0, {}); }},
        {"items past the end", [&spare](CTreeViewModel& m) { return m.InsertItems(5, {&spare}); }},
        {"null item", [](CTreeViewModel& m) { return m.InsertItem(nullptr, 0); }},
        {"rows under column 1", [](CTreeViewModel& m) { return m.insertRows(0, 1, m.index(0, 1)); }},
    };
    for (const auto& [name, change] : changes) {
        QTreeView view;
        auto* model = new CTreeViewModel(&view);
        view.setModel(model);
        model->insertColumns(0, 2);
        model->insertRows(0, 3);
        QSignalSpy rowsComing(model, &QAbstractItemModel::rowsAboutToBeInserted);
        QSignalSpy rowsGoing(model, &QAbstractItemModel::rowsAboutToBeRemoved);
        QSignalSpy columnsComing(model, &QAbstractItemModel::columnsAboutToBeInserted);
        QSignalSpy columnsGoing(model, &QAbstractItemModel::columnsAboutToBeRemoved);
        QVERIFY2(!change(*model), name);
        QVERIFY2(rowsComing.size() + rowsGoing.size() + columnsComing.size() + columnsGoing.size() == 0,
                 name);
        QVERIFY2(model->rowCount() == 3 && model->columnCount() == 2, name);
    }
}

void TestItemModel::cellValues()
{
    QTreeView view;
    CTreeViewModel model(&view);
    model.insertColumns(0, 3);
    model.insertRows(0, 1);
    const QModelIndex cell = model.index(0, 1);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // One value for display and edit, in both directions.
    QVERIFY(model.setData(cell, QStringLiteral("a"), Qt::EditRole));
    QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), QStringLiteral("a"));
    QVERIFY(model.setData(cell, QStringLiteral("b"), Qt::DisplayRole));
    QCOMPARE(model.data(cell, Qt::EditRole).toString(), QStringLiteral("b"));
    // The same value again is still announced.
    QVERIFY(model.setData(cell, QStringLiteral("b"), Qt::DisplayRole));
    QCOMPARE(changed.count(), 3);
    QVERIFY(!model.data(cell, ROLE_BUTTON).isValid());
    QVERIFY(!model.data(model.index(0, 2), Qt::DisplayRole).isValid());
    QVERIFY(!model.setData(QModelIndex(), 1, Qt::DisplayRole));

    CTreeViewItem item(nullptr);
    QVERIFY(item.SetData(5, ROLE_USER_DATA, 7));
    QCOMPARE(item.GetData(5, ROLE_USER_DATA).toInt(), 7);
    QVERIFY(!item.GetData(4, ROLE_USER_DATA).isValid());
    QVERIFY(!item.GetData(6, ROLE_USER_DATA).isValid());
    QCOMPARE(int(model.flags(QModelIndex())), int(Qt::ItemIsDropEnabled));
}

void TestItemModel::headerStorage()
{
    QTreeView view;
    CTreeViewModel model(&view);
    model.insertColumns(0, 2);
    QSignalSpy headerChanged(&model, &QAbstractItemModel::headerDataChanged);
    QVERIFY(model.setHeaderData(1, Qt::Horizontal, QStringLiteral("Name")));
    QVERIFY(!model.setHeaderData(2, Qt::Horizontal, QStringLiteral("x")));
    QCOMPARE(headerChanged.count(), 1);
    QVERIFY(!model.headerData(1, Qt::Vertical, Qt::DisplayRole).isValid());
}

void TestItemModel::readyMadeItems()
{
    QTreeView view;
    CTreeViewModel model(&view);
    model.insertColumns(0, 1);
    model.insertRows(0, 3);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QList<CTreeViewItem*> items;
    for (int i = 0; i < 3; ++i) {
        items.append(new CTreeViewItem(nullptr));
        items.last()->SetData(0, Qt::DisplayRole, QStringLiteral("new %1").arg(i));
    }
    QVERIFY(model.InsertItems(2, items));
    // One announcement for the whole block.
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).mid(1), (QList<QVariant>{2, 4}));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(model.index(2 + i, 0).data().toString(), QStringLiteral("new %1").arg(i));
    QCOMPARE(model.GetItem(model.index(3, 0))->GetParent(), model.GetItem(QModelIndex()));
}

void TestItemModel::onlyColumnZeroHasChildren()
{
    QTreeView view;
    CTreeViewModel model(&view);
    FillTwoLevels(model);
    QCOMPARE(model.rowCount(model.index(0, 1)), 0);
    QVERIFY(!model.index(0, 0, model.index(0, 1)).isValid());
    QVERIFY(!model.index(0, 2).isValid());
    const QModelIndex channel = model.index(2, 1, model.index(1, 0));
    QCOMPARE(channel.parent(), model.index(1, 0));
    QCOMPARE(channel.data().toInt(), 2);
    // Removing the last column removes every row as well.
    QVERIFY(model.removeColumns(0, 1) && model.rowCount() == 2);
    QVERIFY(model.removeColumns(0, 1) && model.rowCount() == 0);
}

VARROW_TEST_MAIN(TestItemModel, QApplication)
#include "tst_gui_itemmodel.moc"

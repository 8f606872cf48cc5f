// The views' item model: views must only hear of rows and columns that really come or go, a cell's display
// and edit text must be one value, and the model must keep the toolkit's rules for any view (the model
// tester).

#include "tests/support/TestSupport.h"
#include "widgets/views/CTreeViewModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTreeView>

#include <functional>

class TestItemModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void testerOverChanges();
    void refusedChangesAnnounceNothing();
};

void TestItemModel::testerOverChanges()
{
    QTreeView view;
    auto* model = new CTreeViewModel(&view);
    view.setModel(model);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model->insertColumns(0, 2);
    model->insertRows(0, 2);
    const QModelIndex second = model->index(1, 0);
    QVERIFY(model->insertRows(0, 3, second));
    QVERIFY(model->setData(model->index(2, 1, second), QStringLiteral("a"), Qt::EditRole));
    QVERIFY(model->insertRows(1, 2, second));
    QVERIFY(model->removeRows(0, 1, second));
    QCOMPARE(model->rowCount(second), 4);
    // One value for display and edit, and it moved with its row.
    QCOMPARE(model->index(3, 1, second).data(Qt::DisplayRole).toString(), QStringLiteral("a"));

    QList<CTreeViewItem*> items;
    for (int i = 0; i < 3; ++i) {
        items.append(new CTreeViewItem(nullptr));
        items.last()->SetData(0, Qt::DisplayRole, QStringLiteral("new %1").arg(i));
    }
    QVERIFY(model->InsertItems(1, items));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(model->index(1 + i, 0).data().toString(), QStringLiteral("new %1").arg(i));
    QVERIFY(model->insertColumns(1, 1));
    QVERIFY(model->removeColumns(0, 1));
    QVERIFY(model->removeRows(0, 1));
    QCOMPARE(model->rowCount(), 4);
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
        {"remove past the end", [](CTreeViewModel& m) { return m.removeRows(2, 2); }},
        {"columns past the end", [](CTreeViewModel& m) { return m.insertColumns(3, 1); }},
        {"remove columns past the end", [](CTreeViewModel& m) { return m.removeColumns(1, 2); }},
        {"items past the end", [&spare](CTreeViewModel& m) { return m.InsertItems(5, {&spare}); }},
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

VARROW_TEST_MAIN(TestItemModel, QApplication)
#include "tst_gui_itemmodel.moc"

// The table view and its check-all header: cell operations that pages rely on, button cells that only click
// when pressed and released on the same cell, a model swap that keeps the current-cell relay alive and never
// frees the model being set, and the header box that follows and drives the rows' check states.

#include "tests/support/TestSupport.h"
#include "widgets/views/CHeaderView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/CTreeViewModel.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStandardItemModel>

class TestTableView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsAndColumns();
    void buttonCells_data();
    void buttonCells();
    void modelSwap();
    void checkAllFollowsRows_data();
    void checkAllFollowsRows();
    void checkAllClick();
    void checkAllOverAPageModel();

private:
    // A shown table of `rows` rows and three columns, button cells in column 2.
    static void Fill(CTableView& view, int rows);
};

void TestTableView::Fill(CTableView& view, int rows)
{
    view.SetHeaderLabels({QStringLiteral("Name"), QStringLiteral("State"), QStringLiteral("Action")});
    for (int row = 0; row < rows; ++row) {
        view.AppendRow();
        view.SetItemText(row, 0, QStringLiteral("row %1").arg(row));
        view.SetItemButton(row, 2, QStringLiteral("Play"), QIcon());
    }
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
}

void TestTableView::rowsAndColumns()
{
    CTableView view;
    view.SetHeaderLabels({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    view.AppendRow();
    QCOMPARE(view.InsertRow(2), -1);
    QCOMPARE(view.InsertFirstRow(), 0);
    QCOMPARE(view.GetRowCount(), 2);
    // A text past the last column adds the column; a cell past the last row is refused.
    view.SetItemText(0, 3, QStringLiteral("fourth"));
    QCOMPARE(view.model()->columnCount(), 4);
    QVERIFY(!view.SetItemData(99, 0, 1, ROLE_USER_DATA));
    view.Clear();
    view.RemoveLastRow();
    QCOMPARE(view.GetRowCount(), 0);
}

void TestTableView::buttonCells_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("releaseRow");
    QTest::addColumn<bool>("removeOnClick");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("left, same cell") << Qt::LeftButton << 0 << false
                                     << QStringList{"pressed", "clicked", "release"};
    QTest::newRow("left, another cell") << Qt::LeftButton << 1 << false << QStringList{"pressed", "release"};
    QTest::newRow("right, same cell") << Qt::RightButton << 0 << false << QStringList{"release"};
    // The click's slot removes the row: the release must not be reported for a row that is gone.
    QTest::newRow("row removed by the click")
        << Qt::LeftButton << 0 << true << QStringList{"pressed", "clicked"};
}

void TestTableView::buttonCells()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, releaseRow);
    QFETCH(bool, removeOnClick);
    QFETCH(QStringList, expected);
    CTableView view;
    Fill(view, 3);
    QStringList seen;
    connect(&view, &CTableView::PressedBtn, this, [&seen] { seen << "pressed"; });
    connect(&view, &CTableView::ClickedBtn, this, [&] {
        seen << "clicked";
        if (removeOnClick)
            view.RemoveRow(0);
    });
    connect(&view, &CTableView::SignalClickRelease, this, [&seen] { seen << "release"; });
    const QPoint press = view.visualRect(view.GetIndex(0, 2)).center();
    const QPoint release = view.visualRect(view.GetIndex(releaseRow, 2)).center();
    QTest::mousePress(view.viewport(), button, {}, press);
    QTest::mouseRelease(view.viewport(), button, {}, release);
    QCOMPARE(seen, expected);
}

void TestTableView::modelSwap()
{
    CTableView view;
    QPointer<QAbstractItemModel> own = view.model();
    QSignalSpy current(&view, &CTableView::currentItemChanged);

    // Setting the own model again must not free it.
    view.setModel(own);
    QVERIFY(own != nullptr);
    QCOMPARE(view.model(), own.data());

    QStandardItemModel page;
    page.appendRow({new QStandardItem(QStringLiteral("a")), new QStandardItem(QStringLiteral("b"))});
    page.appendRow({new QStandardItem(QStringLiteral("c")), new QStandardItem(QStringLiteral("d"))});
    view.setModel(&page);
    QVERIFY(own == nullptr);
    view.setCurrentIndex(page.index(1, 0));
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.at(0).at(0).value<QModelIndex>(), page.index(1, 0));
}

void TestTableView::checkAllFollowsRows_data()
{
    QTest::addColumn<QList<int>>("rowStates");
    QTest::addColumn<int>("box");
    QTest::newRow("no rows") << QList<int>{} << int(Qt::Checked);
    QTest::newRow("no state counts as unchecked") << QList<int>{2, -1, 2} << int(Qt::PartiallyChecked);
}

void TestTableView::checkAllFollowsRows()
{
    QFETCH(QList<int>, rowStates);
    QFETCH(int, box);
    CTableView view;
    view.SetHeaderLabels({QStringLiteral("Name")});
    view.SetHeaderChecked(0, false);
    for (int row = 0; row < rowStates.size(); ++row) {
        view.AppendRow();
        if (rowStates.at(row) >= 0)
            view.SetItemData(row, 0, rowStates.at(row), Qt::CheckStateRole);
    }
    // A row that comes and goes is a model change, also in an empty table.
    view.AppendRow();
    view.RemoveLastRow();
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(), box);
}

void TestTableView::checkAllClick()
{
    CTableView view;
    Fill(view, 3);
    auto* header = qobject_cast<CHeaderView*>(view.header());
    QVERIFY(header != nullptr);
    view.SetHeaderChecked(0, false);
    view.SetItemChecked(1, 0, true);
    header->viewport()->repaint();
    QVERIFY(!header->GetBoxRect().isEmpty());
    const QPoint box = header->GetBoxRect().center();

    // A partly checked box checks every row, a checked one clears them.
    for (const int state : {int(Qt::Checked), int(Qt::Unchecked)}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, box);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(view.GetItemData(row, 0, Qt::CheckStateRole).toInt(), state);
        QCOMPARE(view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(), state);
    }
}

void TestTableView::checkAllOverAPageModel()
{
    // The box keeps count of the rows through sorting, removals and changes below the top level.
    CTableView view;
    QStandardItemModel page;
    for (const char* name : {"c", "a", "b"}) {
        auto* item = new QStandardItem(QString::fromLatin1(name));
        item->setCheckable(true);
        item->appendRow(new QStandardItem(QStringLiteral("child")));
        page.appendRow(item);
    }
    view.setModel(&page);
    view.SetHeaderChecked(0, false);
    const auto box = [&page] { return page.headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(); };
    const int partly = Qt::PartiallyChecked;
    page.item(0)->setCheckState(Qt::Checked);
    QCOMPARE(box(), partly);
    page.sort(0);
    page.item(0)->child(0)->setCheckState(Qt::Checked);
    QCOMPARE(box(), partly);
    page.item(0)->setCheckState(Qt::Checked);
    page.item(1)->setCheckState(Qt::Checked);
    QCOMPARE(box(), int(Qt::Checked));
    page.item(2)->setCheckState(Qt::Unchecked);
    page.removeRow(1); // b: a checked, c not
    QCOMPARE(box(), partly);
    page.removeRow(1); // c: only a, checked
    QCOMPARE(box(), int(Qt::Checked));
}

VARROW_TEST_MAIN(TestTableView, QApplication)
#include "tst_gui_tableview.moc"

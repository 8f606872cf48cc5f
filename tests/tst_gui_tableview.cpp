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
    void headerTexts();
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
    for (int i = 0; i < 6; ++i)
        QCOMPARE(view.AppendRow(), i);
    QCOMPARE(view.InsertRow(6), -1);
    QCOMPARE(view.GetRowCount(), 6);
    QCOMPARE(view.InsertRow(2), 2);
    QCOMPARE(view.InsertFirstRow(), 0);
    QCOMPARE(view.GetTopRowCount(), 8);

    view.SetItemText(0, 3, QStringLiteral("fourth"));
    QCOMPARE(view.model()->columnCount(), 4);
    QCOMPARE(view.GetItemData(0, 3, Qt::ToolTipRole).toString(), QStringLiteral("fourth"));
    QCOMPARE(view.GetItemText(99, 0), QString());
    QVERIFY(!view.SetItemData(99, 0, 1, ROLE_USER_DATA));

    view.SetItemComboList(2, 1, {QStringLiteral("x"), QStringLiteral("y")});
    QVERIFY(view.GetItemFlags(2, 0) & Qt::ItemIsEditable);
    QVERIFY(!(view.GetItemFlags(2, 0) & Qt::ItemIsSelectable));

    // Ready-made rows are appended in order, an empty list changes nothing.
    auto* made = new CTreeViewItem(nullptr);
    made->SetData(0, Qt::DisplayRole, QStringLiteral("made"));
    view.AppendItems({made});
    view.AppendItems({});
    QCOMPARE(view.GetItemText(8, 0), QStringLiteral("made"));
    view.RemoveRow(8);
    view.RemoveLastRow();
    QCOMPARE(view.GetRowCount(), 7);
    view.Clear();
    QCOMPARE(view.GetRowCount(), 0);
    view.RemoveLastRow();
}

void TestTableView::headerTexts()
{
    CTableView view;
    view.SetHeaderLabels({QStringLiteral("  Name"), QStringLiteral("B"), QStringLiteral("C")});
    view.SetHeaderChecked(0, true); // the box takes the place of the leading blanks
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    view.SetHeaderChecked(3, true); // past the last column: no box appears
    QVERIFY(!view.model()->headerData(3, Qt::Horizontal, Qt::CheckStateRole).isValid());
    view.SetHeaderText(3, QStringLiteral("D"));
    QCOMPARE(view.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("D"));
}

void TestTableView::buttonCells_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("releaseRow");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("left, same cell") << Qt::LeftButton << 0 << QStringList{"pressed", "clicked", "release"};
    QTest::newRow("left, another cell") << Qt::LeftButton << 1 << QStringList{"pressed", "release"};
    QTest::newRow("right, same cell") << Qt::RightButton << 0 << QStringList{"release"};
}

void TestTableView::buttonCells()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, releaseRow);
    QFETCH(QStringList, expected);
    CTableView view;
    Fill(view, 3);
    QStringList seen;
    connect(&view, &CTableView::PressedBtn, this, [&seen] { seen << "pressed"; });
    connect(&view, &CTableView::ClickedBtn, this, [&seen] { seen << "clicked"; });
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
    QCOMPARE(view.GetItemText(1, 1), QStringLiteral("d"));
    QVERIFY(view.GetItem(page.index(0, 0)) == nullptr);

    // Button cells of a page's model click as well.
    page.setData(page.index(0, 1), true, ROLE_BUTTON);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicked(&view, &CTableView::ClickedBtn);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(page.index(0, 1)).center());
    QCOMPARE(clicked.count(), 1);
}

void TestTableView::checkAllFollowsRows_data()
{
    QTest::addColumn<QList<int>>("rowStates");
    QTest::addColumn<int>("box");
    QTest::newRow("no rows") << QList<int>{} << int(Qt::Checked);
    QTest::newRow("none checked") << QList<int>{0, 0, 0} << int(Qt::Unchecked);
    QTest::newRow("some checked") << QList<int>{2, 0, 2} << int(Qt::PartiallyChecked);
    QTest::newRow("all checked") << QList<int>{2, 2, 2} << int(Qt::Checked);
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
    header->viewport()->repaint();
    QVERIFY(header->GetBoxRect().isEmpty()); // no check state yet: no box, releases there do nothing
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, header->height() / 2));
    QVERIFY(!view.GetItemData(0, 0, Qt::CheckStateRole).isValid());

    view.SetHeaderChecked(0, false);
    view.SetItemChecked(1, 0, true);
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(),
             int(Qt::PartiallyChecked));
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

    view.SetItemChecked(2, 0, true);
    view.RemoveRow(0);
    view.RemoveRow(0);
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(), int(Qt::Checked));
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

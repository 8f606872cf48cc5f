// The views: the item model must keep the toolkit's rules for any view (the model tester) and announce only
// changes it makes; the table view's button cells only click when pressed and released on the same cell, a
// model swap keeps the current-cell relay alive and never frees the model being set, and the check-all box
// follows and drives the rows' check states; the delegates' editors write both the role value and the shown
// text back, and a selected row is painted with the selection picture.

#include "tests/support/TestSupport.h"
#include "widgets/GuiUtility.h"
#include "widgets/style/COmbrixStyle.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/views/CHeaderView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/CTreeViewModel.h"
#include "widgets/views/ItemDataRole.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>

#include <functional>

class TestTableView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void testerOverChanges();
    void refusedChangesAnnounceNothing();
    void buttonCells_data();
    void buttonCells();
    void modelSwap();
    void checkAllClick();
    void checkAllOverAPageModel();
    void comboEditor();
    void dateEditors_data();
    void dateEditors();
    void rowBackgrounds();

private:
    // A shown table of `rows` rows and three columns, button cells in column 2.
    static void Fill(CTableView& view, int rows);

    CTableView m_view; // for the delegates
    COmbrixStyle m_style; // the program's own: its selection panel must leave the delegate's picture
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

void TestTableView::initTestCase()
{
    m_view.setStyle(&m_style);
    m_view.SetHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    m_view.AppendRow();
    m_view.AppendRow();
}

void TestTableView::testerOverChanges()
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

void TestTableView::refusedChangesAnnounceNothing()
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

void TestTableView::comboEditor()
{
    m_view.SetItemText(0, 1, QStringLiteral("C"));
    m_view.SetItemComboList(0, 1, {QStringLiteral("A"), QStringLiteral("B")});
    m_view.SetItemData(0, 1, QDate(2024, 3, 5), ROLE_DATE); // a choice list wins over a date
    const QModelIndex cell = m_view.GetIndex(0, 1);
    QAbstractItemDelegate* delegate = m_view.itemDelegate();
    std::unique_ptr<QWidget> editor(delegate->createEditor(m_view.viewport(), QStyleOptionViewItem(), cell));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    QVERIFY(combo != nullptr);
    delegate->setEditorData(combo, cell);
    // A text outside the choices stays choosable.
    QCOMPARE(combo->currentText(), QStringLiteral("C"));
    combo->setCurrentIndex(1);
    delegate->setModelData(combo, m_view.model(), cell);
    QCOMPARE(cell.data(ROLE_COMBO_INDEX).toInt(), 1);
    QCOMPARE(m_view.GetItemText(0, 1), QStringLiteral("B"));
}

void TestTableView::dateEditors_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("after");
    QTest::newRow("date and time") << int(ROLE_DATETIME)
                                   << QVariant(QDateTime(QDate(2023, 1, 2), QTime(8, 9, 10)))
                                   << QVariant(QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)));
    QTest::newRow("date") << int(ROLE_DATE) << QVariant(QDate(2023, 1, 2)) << QVariant(QDate(2024, 3, 5));
}

void TestTableView::dateEditors()
{
    QFETCH(int, role);
    QFETCH(QVariant, before);
    QFETCH(QVariant, after);
    QStandardItemModel model(1, 1);
    const QModelIndex cell = model.index(0, 0);
    model.setData(cell, before, role);
    QAbstractItemDelegate* delegate = m_view.itemDelegate();
    std::unique_ptr<QWidget> editor(delegate->createEditor(m_view.viewport(), QStyleOptionViewItem(), cell));
    // The program's own editors, which open its calendar.
    auto* edit = qobject_cast<CDateTimeEdit*>(editor.get());
    QVERIFY(edit != nullptr);
    delegate->setEditorData(edit, cell);
    QCOMPARE(edit->date(), QDate(2023, 1, 2));
    edit->setDate(QDate(2024, 3, 5));
    delegate->setModelData(edit, &model, cell);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("2024-03-05"));
    QCOMPARE(cell.data(role), after);
}

void TestTableView::rowBackgrounds()
{
    const QColor picture = LoadCachedPixmap(QStringLiteral(":images/public/TreeView/ViewMidItem.png"))
                               .toImage()
                               .pixelColor(0, 13);
    const auto paint = [this](QStyle::State state) {
        QImage image(200, 26, QImage::Format_ARGB32);
        image.fill(Qt::magenta);
        QStyleOptionViewItem option;
        option.initFrom(&m_view);
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | state;
        option.widget = &m_view;
        QPainter painter(&image);
        m_view.itemDelegate()->paint(&painter, option, m_view.GetIndex(1, 1));
        return image.pixelColor(150, 13);
    };
    QCOMPARE(paint(QStyle::State_Selected), picture);
    QCOMPARE(paint(QStyle::State_Selected | QStyle::State_MouseOver), picture);
    QVERIFY(paint(QStyle::State_MouseOver) != paint(QStyle::State_None));
}

VARROW_TEST_MAIN(TestTableView, QApplication)
#include "tst_gui_tableview.moc"

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

#include "widgets/views/CTreeView.h"
#include "widgets/views/CTreeViewDelegate.h"

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
    void modelRulesAtTheEdges();
    void cellOperationsAtTheEdges();
    void checkAllBoxPlaceAndStates();
    void rowHeightAndColours();
    void groupBarArrowAtTheRightEnd();

private:
    QColor PaintedCell(QStyle::State state);
    // A shown table of `rows` rows and three columns, button cells in column 2.
    static void Fill(CTableView& view, int rows);

    CTableView m_view;    // for the delegates
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
    QCOMPARE(combo->count(), 3);
    // The text outside the choices joined the cell's choices too.
    QCOMPARE(cell.data(ROLE_COMBO_LIST).toStringList(), (QStringList{"A", "B", "C"}));
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

// The colour the delegate paints in the middle of a cell drawn over magenta in the given state.
QColor TestTableView::PaintedCell(QStyle::State state)
{
    QImage image(200, 26, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QStyleOptionViewItem option;
    option.initFrom(&m_view);
    option.rect = image.rect();
    option.state = state;
    option.widget = &m_view;
    QPainter painter(&image);
    m_view.itemDelegate()->paint(&painter, option, m_view.GetIndex(1, 1));
    return image.pixelColor(150, 13);
}

void TestTableView::rowBackgrounds()
{
    const QColor picture = LoadCachedPixmap(QStringLiteral(":images/public/TreeView/ViewMidItem.png"))
                               .toImage()
                               .pixelColor(0, 13);
    const auto paint = [this](QStyle::State state) { return PaintedCell(QStyle::State_Enabled | state); };
    QCOMPARE(paint(QStyle::State_Selected), picture);
    QCOMPARE(paint(QStyle::State_Selected | QStyle::State_MouseOver), picture);
    QVERIFY(paint(QStyle::State_MouseOver) != paint(QStyle::State_None));
}

// The item model's own rules where a view relies on them: the flags of a new row and of the root, one value
// for display and edit, every write announced, the header's alignment and bounds, a bulk insert announced as
// the rows it adds, and no row left without a column.
void TestTableView::modelRulesAtTheEdges()
{
    QTreeView view;
    auto* model = new CTreeViewModel(&view);
    view.setModel(model);
    model->insertColumns(0, 2);
    QVERIFY(model->insertRows(0, 5));
    QCOMPARE(int(model->flags(model->index(4, 1))), 61);
    QCOMPARE(model->flags(QModelIndex()), Qt::ItemFlags(Qt::ItemIsDropEnabled));

    const QModelIndex cell = model->index(4, 1);
    QVERIFY(model->setData(cell, QStringLiteral("x"), Qt::DisplayRole));
    QCOMPARE(cell.data(Qt::EditRole).toString(), QStringLiteral("x"));
    QVERIFY(model->setData(cell, QStringLiteral("y"), Qt::EditRole));
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("y"));
    QVERIFY(!model->index(4, 0).data(Qt::DisplayRole).isValid());
    QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QVERIFY(model->setData(cell, QStringLiteral("y"), Qt::EditRole));
    QCOMPARE(changed.count(), 1);

    const QVariant leftCentred(int(Qt::AlignLeft | Qt::AlignVCenter));
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole), leftCentred);
    QCOMPARE(model->headerData(7, Qt::Vertical, Qt::TextAlignmentRole), leftCentred);
    QVERIFY(model->setHeaderData(1, Qt::Horizontal, QStringLiteral("B")));
    QVERIFY(!model->headerData(1, Qt::Vertical, Qt::DisplayRole).isValid());
    QSignalSpy header(model, &QAbstractItemModel::headerDataChanged);
    QVERIFY(!model->setHeaderData(2, Qt::Horizontal, QStringLiteral("C")));
    QVERIFY(!model->setHeaderData(-1, Qt::Horizontal, QStringLiteral("C")));
    QCOMPARE(header.count(), 0);

    QList<CTreeViewItem*> items;
    for (int i = 0; i < 3; ++i) {
        items.append(new CTreeViewItem(nullptr));
        items.last()->SetData(0, Qt::DisplayRole, QStringLiteral("new %1").arg(i));
    }
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QVERIFY(model->InsertItems(2, items));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt() * 10 + inserted.at(0).at(2).toInt(), 24);
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString();
    QCOMPARE(texts, (QStringList{"", "", "new 0", "new 1", "new 2", "", "", ""}));
    QCOMPARE(model->index(7, 1).data().toString(), QStringLiteral("y"));
    QVERIFY(!model->removeRows(0, 0));
    QVERIFY(!model->removeRows(7, 2));

    QVERIFY(model->removeColumns(0, 1));
    QCOMPARE(model->rowCount(), 8);
    QVERIFY(model->removeColumns(0, 1));
    QCOMPARE(model->rowCount(), 0);
}

// The cell operations the pages build their tables with, at the ends of the table.
void TestTableView::cellOperationsAtTheEdges()
{
    CTableView view;
    view.SetHeaderLabels({QStringLiteral("  Name"), QStringLiteral("State"), QStringLiteral("Action")});
    QCOMPARE(view.model()->columnCount(), 3);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(view.AppendRow(), row);
    QCOMPARE(view.AppendRow(), 5);
    QCOMPARE(view.InsertRow(6), -1);
    QCOMPARE(view.InsertRow(-1), -1);
    QCOMPARE(view.GetRowCount(), 6);
    view.SetItemText(5, 0, QStringLiteral("last"));
    QCOMPARE(view.InsertRow(5), 5);
    QCOMPARE(view.GetItemText(6, 0), QStringLiteral("last"));
    QCOMPARE(view.InsertFirstRow(), 0);
    QCOMPARE(view.GetItemText(7, 0), QStringLiteral("last"));

    // A text one column past the last adds that column, and is its own tool tip.
    view.SetItemText(0, 3, QStringLiteral("note"));
    QCOMPARE(view.model()->columnCount(), 4);
    QCOMPARE(view.GetItemData(0, 3, Qt::ToolTipRole).toString(), QStringLiteral("note"));
    // Outside the table nothing is stored.
    QVERIFY(!view.SetItemData(8, 0, QStringLiteral("x"), Qt::DisplayRole));
    QCOMPARE(view.GetItemText(8, 0), QString());

    // The check box of the header takes the place of the two blanks; a column past the end gets none.
    view.SetHeaderChecked(0, true);
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(), int(Qt::Checked));
    view.SetHeaderChecked(4, true);
    QVERIFY(!view.model()->headerData(4, Qt::Horizontal, Qt::CheckStateRole).isValid());

    QPixmap picture(8, 8);
    picture.fill(Qt::red);
    view.SetItemButton(1, 2, QStringLiteral("Play"), QIcon(picture));
    QVERIFY(view.GetItemData(1, 2, Qt::DecorationRole).value<QIcon>().availableSizes().size() == 1);
    view.SetItemButtonFlag(1, 2, true);
    QVERIFY(view.GetItemData(1, 2, ROLE_BUTTON).toBool());
    QVERIFY(view.GetItemData(1, 2, Qt::DecorationRole).value<QIcon>().isNull());
    view.SetItemButtonFlag(1, 2, false);
    QVERIFY(!view.GetItemData(1, 2, ROLE_BUTTON).toBool());

    // A cell with choices is edited, no longer selected; the flags belong to the whole row.
    view.SetItemComboList(2, 1, {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(view.GetItemFlags(2, 0),
             Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    QCOMPARE(int(view.GetItemFlags(3, 0)), 61);

    view.RemoveLastRow();
    QCOMPARE(view.GetRowCount(), 7);
    QCOMPARE(view.GetItemText(6, 0), QString());
    view.RemoveRow(0);
    QCOMPARE(view.GetItemText(0, 3), QString());
    view.RemoveRow(6);
    QCOMPARE(view.GetRowCount(), 6);
}

// The header's check box sits 3 pixels into the first section (past the tree's indentation), centred in its
// height, and shows unchecked, partly and fully checked rows; a table whose header has no check state shows
// no box and ignores a click where it would be.
void TestTableView::checkAllBoxPlaceAndStates()
{
    for (const bool tree : {false, true}) {
        std::unique_ptr<CTableView> view(tree ? new CTreeView : new CTableView);
        Fill(*view, 3);
        auto* header = qobject_cast<CHeaderView*>(view->header());
        header->viewport()->repaint();
        QVERIFY(header->GetBoxRect().isEmpty());
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(tree ? 27 : 11, header->height() / 2));
        QVERIFY(!view->GetItemData(0, 0, Qt::CheckStateRole).isValid());

        view->SetHeaderChecked(0, false);
        header->viewport()->repaint();
        QCOMPARE(header->GetBoxRect(), QRect(tree ? 19 : 3, (header->height() - 16) / 2, 16, 16));
    }

    CTableView view;
    Fill(view, 3);
    view.SetHeaderChecked(0, false);
    const auto box = [&view] {
        return view.model()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt();
    };
    const int partly = Qt::PartiallyChecked;
    const QList<std::tuple<int, bool, int>> steps{{0, true, partly},      {1, true, partly},
                                                  {2, true, Qt::Checked}, {1, false, partly},
                                                  {0, false, partly},     {2, false, Qt::Unchecked}};
    for (const auto& [row, checked, state] : steps) {
        view.SetItemChecked(row, 0, checked);
        QCOMPARE(box(), state);
    }
    // With every row gone the box shows checked.
    view.RemoveRow(0);
    view.RemoveRow(0);
    QCOMPARE(box(), int(Qt::Unchecked));
    view.RemoveRow(0);
    QCOMPARE(box(), int(Qt::Checked));
}

void TestTableView::rowHeightAndColours()
{
    QStyleOptionViewItem option;
    option.initFrom(&m_view);
    option.rect = QRect(0, 0, 200, 40);
    QCOMPARE(m_view.itemDelegate()->sizeHint(option, m_view.GetIndex(0, 0)).height(), 26);
    const auto paint = [this](QStyle::State state) { return PaintedCell(state); };
    QCOMPARE(paint(QStyle::State_Enabled | QStyle::State_MouseOver), QColor(251, 251, 194));
    QCOMPARE(paint(QStyle::State_Enabled), QColor(255, 255, 255));
    // A disabled row keeps what was under it.
    QCOMPARE(paint(QStyle::State_MouseOver), QColor(Qt::magenta));
}

// A plan's bar in the group tree: the background picture over the whole row, the arrow 4 pixels from the
// right end at its own size and centred in the height, the hover picture under it.
void TestTableView::groupBarArrowAtTheRightEnd()
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("Plan")));
    model.item(0)->appendRow(new QStandardItem(QStringLiteral("Channel")));
    CTreeViewDelegate delegate(&m_view, nullptr);
    for (const QStyle::State state : {QStyle::State_Open, QStyle::State_MouseOver}) {
        QStyleOptionViewItem option;
        option.initFrom(&m_view);
        option.rect = QRect(0, 0, 300, 30);
        option.state = QStyle::State_Enabled | state;
        const auto image = [&option] {
            QImage blank(300, 30, QImage::Format_ARGB32);
            blank.fill(Qt::magenta);
            return blank;
        };
        QImage painted = image();
        {
            QPainter painter(&painted);
            delegate.paint(&painter, option, model.index(0, 0));
        }
        QImage expected = image();
        {
            QPainter painter(&expected);
            painter.drawPixmap(option.rect,
                               LoadCachedPixmap(QStringLiteral(":images/public/TreeView/TreeNormal.png")));
            const QPixmap arrow = LoadCachedPixmap(
                state == QStyle::State_Open ? QStringLiteral(":images/public/TreeView/TreeArrowDown.png")
                                            : QStringLiteral(":images/public/TreeView/TreeArrowUp.png"));
            QVERIFY(!arrow.isNull());
            const QPoint at(300 - arrow.width() - 4, (30 - arrow.height()) / 2);
            if (state == QStyle::State_MouseOver)
                painter.drawPixmap(
                    at, LoadCachedPixmap(QStringLiteral(":images/public/TreeView/TreeArrowHover.png")));
            painter.drawPixmap(at, arrow);
            QStyledItemDelegate().paint(&painter, option, model.index(0, 0));
        }
        QVERIFY(painted == expected);
    }
}

VARROW_TEST_MAIN(TestTableView, QApplication)
#include "tst_gui_tableview.moc"

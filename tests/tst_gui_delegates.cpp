// The cell delegates: each editor must write both the cell's role value and its shown text back, a text
// outside the choices must stay choosable, and rows must be painted white, pale yellow under the mouse and
// with the selection picture when selected, with group bars carrying their arrow at the right end.

#include "tests/support/TestSupport.h"
#include "widgets/GuiUtility.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/CTreeViewDelegate.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStandardItemModel>

namespace {

// Like the program's own style, the toolkit's selection panel is left out, so the delegate's own shows.
class CNoPanelStyle : public QProxyStyle
{
public:
    CNoPanelStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_PanelItemViewItem)
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

const QColor kMarker(255, 0, 255);

} // namespace

class TestDelegates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void comboEditor();
    void dateEditors_data();
    void dateEditors();
    void rowBackgrounds_data();
    void rowBackgrounds();
    void groupBarArrow();

private:
    // Paints one cell of 200 x 26 on a marker-coloured image with the given states.
    QImage PaintCell(const QStyledItemDelegate& delegate, const QModelIndex& index, QStyle::State state,
                     int width = 200, int height = 26);

    CTableView m_view;
    CNoPanelStyle m_style;
};

void TestDelegates::initTestCase()
{
    m_view.setStyle(&m_style);
    m_view.SetHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    m_view.AppendRow();
    m_view.AppendRow();
}

QImage TestDelegates::PaintCell(const QStyledItemDelegate& delegate, const QModelIndex& index,
                                QStyle::State state, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(kMarker);
    QStyleOptionViewItem option;
    option.initFrom(&m_view);
    option.rect = QRect(0, 0, width, height);
    option.state = state;
    option.widget = &m_view;
    QPainter painter(&image);
    delegate.paint(&painter, option, index);
    return image;
}

void TestDelegates::comboEditor()
{
    m_view.SetItemText(0, 1, QStringLiteral("C"));
    m_view.SetItemComboList(0, 1, {QStringLiteral("A"), QStringLiteral("B")});
    m_view.SetItemData(0, 1, QDate(2024, 3, 5), ROLE_DATE); // a choice list wins over a date
    const QModelIndex cell = m_view.GetIndex(0, 1);
    QAbstractItemDelegate* delegate = m_view.itemDelegate();
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 120, 26);
    std::unique_ptr<QWidget> editor(delegate->createEditor(m_view.viewport(), option, cell));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    QVERIFY(combo != nullptr);
    delegate->setEditorData(combo, cell);
    // A text outside the choices stays choosable.
    QCOMPARE(combo->currentText(), QStringLiteral("C"));
    QCOMPARE(combo->size(), QSize(120, 26));
    QCOMPARE(cell.data(ROLE_COMBO_LIST).toStringList(), QStringList({"A", "B", "C"}));

    combo->setCurrentIndex(1);
    delegate->setModelData(combo, m_view.model(), cell);
    QCOMPARE(cell.data(ROLE_COMBO_INDEX).toInt(), 1);
    QCOMPARE(m_view.GetItemText(0, 1), QStringLiteral("B"));
}

void TestDelegates::dateEditors_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("before");
    QTest::newRow("date and time") << int(ROLE_DATETIME)
                                   << QVariant(QDateTime(QDate(2023, 1, 2), QTime(8, 9, 10)));
    QTest::newRow("date") << int(ROLE_DATE) << QVariant(QDate(2023, 1, 2));
}

void TestDelegates::dateEditors()
{
    QFETCH(int, role);
    QFETCH(QVariant, before);
    QStandardItemModel model(1, 1);
    const QModelIndex cell = model.index(0, 0);
    model.setData(cell, before, role);
    QAbstractItemDelegate* delegate = m_view.itemDelegate();
    std::unique_ptr<QWidget> editor(delegate->createEditor(m_view.viewport(), QStyleOptionViewItem(), cell));
    // The program's own editors, which open its calendar.
    auto* edit = qobject_cast<CDateTimeEdit*>(editor.get());
    QVERIFY(edit != nullptr);
    QCOMPARE(qobject_cast<CDateEdit*>(edit) != nullptr, role == ROLE_DATE);
    delegate->setEditorData(edit, cell);
    QCOMPARE(edit->date(), QDate(2023, 1, 2));
    edit->setDate(QDate(2024, 3, 5));
    delegate->setModelData(edit, &model, cell);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("2024-03-05"));
    if (role == ROLE_DATETIME)
        QCOMPARE(cell.data(role).toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)));
    else
        QCOMPARE(cell.data(role).toDate(), QDate(2024, 3, 5));
}

void TestDelegates::rowBackgrounds_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QColor>("expected");
    const int enabled = int(QStyle::State_Enabled);
    const QColor picture = LoadCachedPixmap(QStringLiteral(":images/public/TreeView/ViewMidItem.png"))
                               .toImage()
                               .pixelColor(0, 13);
    QTest::newRow("plain") << enabled << QColor(255, 255, 255);
    QTest::newRow("under the mouse") << (enabled | int(QStyle::State_MouseOver)) << QColor(251, 251, 194);
    QTest::newRow("selected") << (enabled | int(QStyle::State_Selected)) << picture;
    QTest::newRow("selected under the mouse")
        << (enabled | int(QStyle::State_Selected) | int(QStyle::State_MouseOver)) << picture;
    QTest::newRow("disabled under the mouse") << int(QStyle::State_MouseOver) << kMarker;
}

void TestDelegates::rowBackgrounds()
{
    QFETCH(int, state);
    QFETCH(QColor, expected);
    const QImage image = PaintCell(*qobject_cast<QStyledItemDelegate*>(m_view.itemDelegate()),
                                   m_view.GetIndex(1, 1), QStyle::State(state));
    QCOMPARE(image.pixelColor(150, 13), expected);
}

void TestDelegates::groupBarArrow()
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("Plan")));
    CTreeViewDelegate delegate(&m_view, nullptr);
    const QImage open =
        PaintCell(delegate, model.index(0, 0), QStyle::State_Enabled | QStyle::State_Open, 300, 28);
    const QImage arrow =
        LoadCachedPixmap(QStringLiteral(":/images/public/TreeView/TreeArrowDown.png")).toImage();
    QCOMPARE(arrow.width(), 12);
    // The arrow's middle lands 284 + 6 from the left, 8 + 6 from the top; left of it lies the plain bar.
    QCOMPARE(open.pixelColor(290, 14), arrow.pixelColor(6, 6));
    QVERIFY(open.pixelColor(290, 14) != open.pixelColor(278, 14));
    const QImage closed = PaintCell(delegate, model.index(0, 0), QStyle::State_Enabled, 300, 28);
    QVERIFY(closed.pixelColor(287, 12) != open.pixelColor(287, 12)); // the wide end of the arrow
}

VARROW_TEST_MAIN(TestDelegates, QApplication)
#include "tst_gui_delegates.moc"

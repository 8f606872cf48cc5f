// The cell delegates: each editor must write both the cell's role value and its shown text back, a text
// outside the choices must stay choosable, and a selected row must be painted with the selection picture,
// whether under the mouse or not.

#include "tests/support/TestSupport.h"
#include "widgets/GuiUtility.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/views/CTableView.h"
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

} // namespace

class TestDelegates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void comboEditor();
    void dateEditors_data();
    void dateEditors();
    void rowBackgrounds();

private:
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

void TestDelegates::comboEditor()
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

void TestDelegates::dateEditors_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("after");
    QTest::newRow("date and time") << int(ROLE_DATETIME)
                                   << QVariant(QDateTime(QDate(2023, 1, 2), QTime(8, 9, 10)))
                                   << QVariant(QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)));
    QTest::newRow("date") << int(ROLE_DATE) << QVariant(QDate(2023, 1, 2)) << QVariant(QDate(2024, 3, 5));
}

void TestDelegates::dateEditors()
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

void TestDelegates::rowBackgrounds()
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

VARROW_TEST_MAIN(TestDelegates, QApplication)
#include "tst_gui_delegates.moc"

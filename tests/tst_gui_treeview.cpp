// The tree view's check boxes: a change at any level must reach every level below and every level above, and
// a row that the operator ticked deep down must never be cleared by a change of a sibling branch.

#include "tests/support/TestSupport.h"
#include "widgets/views/CTreeView.h"

#include <QApplication>

class TestTreeView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void propagation();
    void expandStripAtTheRightEnd_data();
    void expandStripAtTheRightEnd();

private:
    // "a" is a top-level row, "a1" its second child, "a12" the third child of that one.
    QModelIndex At(const QString& path) const;
    int State(const QString& path) const { return At(path).data(Qt::CheckStateRole).toInt(); }
    void Set(const QString& path, int state) { m_view.model()->setData(At(path), state, Qt::CheckStateRole); }
    // The states of a row's children, for example "202".
    QString Children(const QString& path) const;

    CTreeView m_view;
};

QModelIndex TestTreeView::At(const QString& path) const
{
    QModelIndex index = m_view.model()->index(path.at(0).unicode() - 'a', 0);
    for (int i = 1; i < path.size(); ++i)
        index = m_view.model()->index(path.at(i).digitValue(), 0, index);
    return index;
}

QString TestTreeView::Children(const QString& path) const
{
    QString states;
    const QModelIndex parent = At(path);
    for (int row = 0; row < m_view.model()->rowCount(parent); ++row)
        states += QString::number(m_view.model()->index(row, 0, parent).data(Qt::CheckStateRole).toInt());
    return states;
}

void TestTreeView::initTestCase()
{
    // Two top-level rows of three children with three grandchildren each, all unchecked.
    m_view.SetHeaderLabels({QStringLiteral("Name"), QStringLiteral("Info")});
    QAbstractItemModel* model = m_view.model();
    const std::function<void(const QModelIndex&, int)> grow = [&](const QModelIndex& parent, int depth) {
        model->insertRows(0, 3, parent);
        for (int row = 0; row < 3; ++row) {
            const QModelIndex child = model->index(row, 0, parent);
            model->setData(child, QStringLiteral("row"));
            model->setData(child, Qt::Unchecked, Qt::CheckStateRole);
            if (depth < 2)
                grow(child, depth + 1);
        }
    };
    model->insertRows(0, 2);
    for (int top = 0; top < 2; ++top) {
        const QModelIndex row = model->index(top, 0);
        model->setData(row, Qt::Unchecked, Qt::CheckStateRole);
        grow(row, 1);
    }
}

void TestTreeView::propagation()
{
    Set("a", Qt::Checked);
    for (const char* middle : {"a", "a0", "a1", "a2"})
        QCOMPARE(Children(QString::fromLatin1(middle)), QStringLiteral("222"));
    QCOMPARE(State("b"), int(Qt::Unchecked));
    Set("a", Qt::Unchecked);
    QCOMPARE(Children("a1"), QStringLiteral("000"));

    // a1 follows its leaves through every mix; above a partly checked a1, a stays partly checked.
    const int partly = Qt::PartiallyChecked;
    const QList<std::tuple<int, int, int>> steps{
        {2, Qt::Checked, partly},   {0, Qt::Checked, partly},   {1, Qt::Checked, Qt::Checked},
        {1, Qt::Unchecked, partly}, {0, Qt::Unchecked, partly}, {2, Qt::Unchecked, Qt::Unchecked}};
    for (const auto& [row, state, expected] : steps) {
        Set(QStringLiteral("a1") + QString::number(row), state);
        QCOMPARE(State("a1"), expected);
        QCOMPARE(State("a"), expected == Qt::Unchecked ? int(Qt::Unchecked) : partly);
    }

    // The operator ticks one grandchild under a1 and the whole of a0, then clears a0 again: a1's tick stays,
    // and a stays partly checked because of it.
    Set("a10", Qt::Checked);
    Set("a0", Qt::Checked);
    Set("a0", Qt::Unchecked);
    QCOMPARE(Children("a1"), QStringLiteral("200"));
    QCOMPARE(State("a1"), partly);
    QCOMPARE(State("a"), partly);
}

void TestTreeView::expandStripAtTheRightEnd_data()
{
    QTest::addColumn<int>("fromRight"); // pixels left of the row's right edge where the button is released
    QTest::addColumn<bool>("toggles");
    QTest::newRow("in the 2 pixel margin") << 2 << false;
    QTest::newRow("right pixel of the strip") << 3 << true;
    QTest::newRow("left pixel of the strip") << 26 << true;
    QTest::newRow("left of the strip") << 27 << false;
}

// A release on the 24 pixels that end 2 pixels before the right edge of the current row opens or closes it.
void TestTreeView::expandStripAtTheRightEnd()
{
    QFETCH(int, fromRight);
    QFETCH(bool, toggles);
    CTreeView view;
    view.SetHeaderLabels({QStringLiteral("Name")});
    view.model()->insertRows(0, 2);
    const QModelIndex top = view.model()->index(0, 0);
    view.model()->insertRows(0, 2, top);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setCurrentIndex(top);
    const bool expanded = view.isExpanded(top);
    const QRect row = view.visualRect(top);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {},
                        QPoint(row.left() + row.width() - fromRight, row.center().y()));
    QCOMPARE(view.isExpanded(top), toggles ? !expanded : expanded);
}

VARROW_TEST_MAIN(TestTreeView, QApplication)
#include "tst_gui_treeview.moc"

// The tree view's check boxes: a change at any level must reach every level below and every level above, and
// a row that the operator ticked deep down must never be cleared by a change of a sibling branch. Also the
// open/close strip at the right end of the current row.

#include "tests/support/TestSupport.h"
#include "widgets/views/CTreeView.h"

#include <QApplication>

class TestTreeView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void fromTheTop();
    void fromBelow();
    void partlyCheckedBranchesKeepTheirTicks();
    void onlyCheckChangesPropagate();
    void rightEndStripTogglesExpansion();

private:
    // "a" is a top-level row, "a1" its second child, "a12" the third child of that one.
    QModelIndex At(const QString& path) const;
    int State(const QString& path) const { return At(path).data(Qt::CheckStateRole).toInt(); }
    void Set(const QString& path, int state)
    {
        m_pView->model()->setData(At(path), state, Qt::CheckStateRole);
    }
    // The states of a row's children, for example "202".
    QString Children(const QString& path) const;

    CTreeView* m_pView = nullptr;
};

QModelIndex TestTreeView::At(const QString& path) const
{
    QModelIndex index = m_pView->model()->index(path.at(0).unicode() - 'a', 0);
    for (int i = 1; i < path.size(); ++i)
        index = m_pView->model()->index(path.at(i).digitValue(), 0, index);
    return index;
}

QString TestTreeView::Children(const QString& path) const
{
    QString states;
    const QModelIndex parent = At(path);
    for (int row = 0; row < m_pView->model()->rowCount(parent); ++row)
        states += QString::number(m_pView->model()->index(row, 0, parent).data(Qt::CheckStateRole).toInt());
    return states;
}

void TestTreeView::init()
{
    // Two top-level rows of three children with three grandchildren each, all unchecked.
    m_pView = new CTreeView;
    m_pView->SetHeaderLabels({QStringLiteral("Name"), QStringLiteral("Info")});
    QAbstractItemModel* model = m_pView->model();
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

void TestTreeView::cleanup()
{
    delete m_pView;
    m_pView = nullptr;
}

void TestTreeView::fromTheTop()
{
    Set("a", Qt::Checked);
    for (const char* middle : {"a", "a0", "a1", "a2"})
        QCOMPARE(Children(QString::fromLatin1(middle)), QStringLiteral("222"));
    QCOMPARE(State("b"), int(Qt::Unchecked));
}

void TestTreeView::fromBelow()
{
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
}

void TestTreeView::partlyCheckedBranchesKeepTheirTicks()
{
    // The operator ticks one grandchild under a1 and the whole of a0, then clears a0 again: a1's tick stays,
    // and a stays partly checked because of it.
    Set("a10", Qt::Checked);
    Set("a0", Qt::Checked);
    Set("a0", Qt::Unchecked);
    QCOMPARE(Children("a1"), QStringLiteral("200"));
    QCOMPARE(State("a1"), int(Qt::PartiallyChecked));
    QCOMPARE(State("a"), int(Qt::PartiallyChecked));
}

void TestTreeView::onlyCheckChangesPropagate()
{
    Set("a", Qt::Checked);
    {
        // A row that disagrees with its parent without the view hearing of it...
        const QSignalBlocker quiet(m_pView->model());
        Set("a00", Qt::Unchecked);
    }
    // ...is left alone by a text edit of the parent.
    m_pView->model()->setData(At("a"), QStringLiteral("renamed"));
    QCOMPARE(State("a00"), int(Qt::Unchecked));
}

void TestTreeView::rightEndStripTogglesExpansion()
{
    m_pView->resize(300, 400);
    m_pView->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pView));
    const QModelIndex b = At("b");
    m_pView->expandAll();
    m_pView->setCurrentIndex(b);
    QVERIFY(m_pView->isExpanded(b));
    const QRect rect = m_pView->visualRect(b);
    const QPoint inStrip(rect.right() - 5, rect.center().y());
    QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, inStrip);
    QVERIFY(!m_pView->isExpanded(b));
    QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, inStrip);
    QVERIFY(m_pView->isExpanded(b));
}

VARROW_TEST_MAIN(TestTreeView, QApplication)
#include "tst_gui_treeview.moc"

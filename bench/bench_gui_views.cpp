// The list and tree widgets against a plain standard item model doing the same work, each attached to a view:
// a table of 10,000 rows x 9 columns filled through the view's cell operations (each row's check box, each
// cell a text and its tool tip; the table's check-all box follows the rows), and a tree of 32 plans x 64
// channels whose check boxes are all ticked and cleared again from the top (the check-all header of the tree
// view; plain: every plan and channel written in a loop). Prints the best of five runs of each and the ratio.

#include "tests/support/TestSupport.h"
#include "widgets/views/CHeaderView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/CTreeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 9;
constexpr int kPlans = 32;
constexpr int kChannels = 64;
constexpr int kRuns = 5;

QString CellText(int row, int column)
{
    return QStringLiteral("row %1 column %2").arg(row).arg(column);
}

double BestOf(const std::function<double()>& run)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, run());
    return best;
}

double FillOwnTable()
{
    CTableView view;
    QStringList labels;
    for (int c = 0; c < kColumns; ++c)
        labels << QStringLiteral("Column %1").arg(c);
    view.SetHeaderLabels(labels);
    view.SetHeaderChecked(0, false);
    QElapsedTimer timer;
    timer.start();
    for (int row = 0; row < kRows; ++row) {
        view.AppendRow();
        view.SetItemChecked(row, 0, row % 2 == 0);
        for (int c = 0; c < kColumns; ++c)
            view.SetItemText(row, c, CellText(row, c));
    }
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double FillPlainTable()
{
    QTreeView view;
    QStandardItemModel model(0, kColumns);
    view.setModel(&model);
    QElapsedTimer timer;
    timer.start();
    for (int row = 0; row < kRows; ++row) {
        model.insertRow(row);
        model.setData(model.index(row, 0), row % 2 == 0 ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        for (int c = 0; c < kColumns; ++c) {
            const QModelIndex cell = model.index(row, c);
            model.setData(cell, CellText(row, c), Qt::EditRole);
            model.setData(cell, CellText(row, c), Qt::ToolTipRole);
        }
    }
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double ToggleOwnTree()
{
    CTreeView view;
    view.SetHeaderLabels({QStringLiteral("Plans")});
    QAbstractItemModel* model = view.model();
    for (int plan = 0; plan < kPlans; ++plan) {
        view.AppendRow();
        view.SetItemText(plan, 0, QStringLiteral("Plan %1").arg(plan));
        const QModelIndex parent = model->index(plan, 0);
        model->insertRows(0, kChannels, parent);
        for (int channel = 0; channel < kChannels; ++channel)
            model->setData(model->index(channel, 0, parent), Qt::Unchecked, Qt::CheckStateRole);
        model->setData(parent, Qt::Unchecked, Qt::CheckStateRole);
    }
    view.SetHeaderChecked(0, false);
    view.expandAll();
    view.resize(400, 600);
    view.show();
    QApplication::processEvents();
    auto* header = static_cast<CHeaderView*>(view.header());
    header->viewport()->repaint();
    const QPoint box = header->GetBoxRect().center();
    QElapsedTimer timer;
    timer.start();
    for (int state : {int(Qt::Checked), int(Qt::Unchecked)}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, box);
        QApplication::processEvents();
        const QModelIndex last = model->index(kChannels - 1, 0, model->index(kPlans - 1, 0));
        if (last.data(Qt::CheckStateRole).toInt() != state)
            std::printf("the click did not reach the last channel\n");
    }
    return timer.nsecsElapsed() / 1e6;
}

double TogglePlainTree()
{
    QTreeView view;
    QStandardItemModel model;
    for (int plan = 0; plan < kPlans; ++plan) {
        auto* item = new QStandardItem(QStringLiteral("Plan %1").arg(plan));
        item->setCheckable(true);
        for (int channel = 0; channel < kChannels; ++channel) {
            auto* child = new QStandardItem(QStringLiteral("Channel %1").arg(channel));
            child->setCheckable(true);
            item->appendRow(child);
        }
        model.appendRow(item);
    }
    view.setModel(&model);
    view.expandAll();
    view.resize(400, 600);
    view.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int state : {int(Qt::Checked), int(Qt::Unchecked)}) {
        for (int plan = 0; plan < kPlans; ++plan) {
            const QModelIndex parent = model.index(plan, 0);
            model.setData(parent, state, Qt::CheckStateRole);
            for (int channel = 0; channel < kChannels; ++channel)
                model.setData(model.index(channel, 0, parent), state, Qt::CheckStateRole);
        }
        QApplication::processEvents();
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    QApplication app(argc, argv);
    const double ownTable = BestOf(FillOwnTable);
    const double plainTable = BestOf(FillPlainTable);
    std::printf("table %d x %d through the cell operations: %.1f ms; plain model: %.1f ms; ratio %.2f\n",
                kRows, kColumns, ownTable, plainTable, ownTable / plainTable);
    const double ownTree = BestOf(ToggleOwnTree);
    const double plainTree = BestOf(TogglePlainTree);
    std::printf("tree %d x %d ticked and cleared from the top: %.2f ms; plain model: %.2f ms; ratio %.2f\n",
                kPlans, kChannels, ownTree, plainTree, ownTree / plainTree);
    return 0;
}

// The event table and the automatic backup's day totals.

#include "pages/state/CViewState.h"

#include "model/EngineClock.h"
#include "model/LogText.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/views/CTreeViewItem.h"
#include "widgets/views/ItemDataRole.h"

#include <QDebug>
#include <QStandardItemModel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr int kSecondsPerDay = 24 * 60 * 60;
const DEVICE_INFO kNoDevice{};

uint32_t ClampToFigure(quint64 value)
{
    return uint32_t(std::min<quint64>(value, std::numeric_limits<uint32_t>::max()));
}

// Percent of done in total, in 64 bits: a 32-bit product overflows once done passes 42,949,672 MB.
uint32_t Percent(uint32_t done, uint32_t total)
{
    return total > 0 ? uint32_t(quint64(done) * 100 / total) : 0;
}

QString MegabyteText(uint32_t megabytes)
{
    return QString::number(megabytes) + QStringLiteral("MB");
}

QString PercentText(uint32_t percent)
{
    return QString::number(percent) + QStringLiteral("%");
}

} // namespace

void CViewState::InitEventTable()
{
    CTableView* table = ui.tableView_Event;
    table->SetHeaderLabels({tr("ID"), tr("Time"), tr("Schedule Name"), tr("Week"), tr("Device IP"),
                            tr("Device Name"), tr("Detail")});
    const int widths[] = {40, 130, 120, 50, 100, 100};
    for (int column = 0; column < int(std::size(widths)); ++column)
        table->setColumnWidth(column, widths[column]);
    // A scroll per row costs in proportion to the rows; one after a burst shows the same.
    m_pEventScrollTimer = new QTimer(this);
    m_pEventScrollTimer->setSingleShot(true);
    m_pEventScrollTimer->setInterval(100);
    connect(m_pEventScrollTimer, &QTimer::timeout, table, &QTreeView::scrollToBottom);
}

void CViewState::WriteTableEvent(int plan, int isPast, int device, QString detail)
{
    // Device -1 and plan -1: an event of the page itself (the storage, the end of a manual run), about no
    // recorder or no plan.
    const DEVICE_INFO* deviceInfo = device == -1 ? &kNoDevice : g_pSysInfoManage->GetDeviceInfo(device);
    const GROUP_INFO* group =
        plan >= 0 && plan < MAX_GROUP_NUM ? g_pSysInfoManage->GetGroupInfo(plan) : nullptr;
    const bool pageEvent = device == -1 && plan == -1;
    if (deviceInfo == nullptr || (plan != MANUAL_GROUP_ID && !pageEvent && group == nullptr)) {
        qDebug() << "WriteTableEvent: no record for plan" << plan << "device" << device;
        return;
    }
    CTableView* table = ui.tableView_Event;
    // Counted within a day: each day's first row of a repeated event stands on its own.
    const QDateTime now = EngineNow();
    const QString key = QStringLiteral("%1 %2 %3 %4 ")
                            .arg(now.date().toString(Qt::ISODate))
                            .arg(plan)
                            .arg(isPast)
                            .arg(device) +
                        detail;
    EVENT_REPEAT* repeat = nullptr;
    if (const auto at = m_eventRepeats.find(key); at != m_eventRepeats.end() && at->first.isValid()) {
        repeat = &*at;
        ++repeat->repeats;
        if (repeat->count.isValid()) {
            table->model()->removeRows(repeat->count.row(), 1);
            RenumberEvents();
        }
    }
    if (QAbstractItemModel* rows = table->model(); rows != nullptr && rows->rowCount() >= kEventRowsKept) {
        // The oldest rows make room, so the table holds its newest rows only, the newest last.
        rows->removeRows(0, rows->rowCount() - kEventRowsKept + 1);
        RenumberEvents();
    }
    const int row = table->AppendRow();
    if (row < 0) {
        qDebug() << "WriteTableEvent: no row appended";
        return;
    }
    // An event has no rows below it. Left expanded, each row would be an index that the view keeps up to
    // date through every removal of the oldest rows.
    table->collapse(table->model()->index(row, 0));
    QString name;
    if (plan == MANUAL_GROUP_ID)
        name = tr("Manual Backup");
    else if (group != nullptr)
        name = (isPast != 0 ? QStringLiteral("*") : QString()) + LocalToQString(group->GroupName);
    const QString weekdays[] = {tr("Monday"), tr("Tuesday"),  tr("Wednesday"), tr("Thursday"),
                                tr("Friday"), tr("Saturday"), tr("Sunday")};
    const int weekday = now.date().dayOfWeek();

    SetEventId(row);
    table->SetItemText(row, 1, now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    table->SetItemText(row, 2, ShownText(name));
    table->SetItemText(row, 3, weekday >= 1 && weekday <= 7 ? weekdays[weekday - 1] : QString());
    table->SetItemText(
        row, 4,
        ShownText(QString::fromLatin1(
            deviceInfo->DeviceIP, qsizetype(strnlen(deviceInfo->DeviceIP, sizeof deviceInfo->DeviceIP)))));
    table->SetItemText(row, 5, ShownText(LocalToQString(deviceInfo->DeviceName)));
    // What a recorder or a disk named is in the text: shown with its control characters written out.
    table->SetItemText(row, 6, repeat != nullptr ? RepeatedText(detail, repeat->repeats) : ShownText(detail));
    const QPersistentModelIndex shown(table->model()->index(row, 0));
    if (repeat != nullptr) {
        repeat->count = shown;
    } else {
        if (m_eventRepeats.size() > 2 * kEventRowsKept)
            m_eventRepeats.removeIf([](const auto& entry) {
                return !entry.value().first.isValid() && !entry.value().count.isValid();
            });
        EVENT_REPEAT first;
        first.first = shown;
        m_eventRepeats.insert(key, first);
    }
    if (!m_pEventScrollTimer->isActive())
        m_pEventScrollTimer->start();
}

void CViewState::RenumberEvents()
{
    // The ID stays the row's number. Written straight into the items and shown with one repaint: a change
    // announced per cell, or for the column (the check-all header then counts every row again), would cost
    // the GUI thread milliseconds at every event once the table is full. Only the view reads the column.
    CTableView* table = ui.tableView_Event;
    const CTreeViewItem* first = table->GetItem(table->model()->index(0, 0));
    const CTreeViewItem* rows = first != nullptr ? first->GetParent() : nullptr;
    for (int row = 0; rows != nullptr && row < rows->GetChildCount(); ++row)
        rows->GetChild(row)->SetData(0, Qt::EditRole, row + 1);
    table->viewport()->update();
}

void CViewState::SetEventId(int row)
{
    CTableView* table = ui.tableView_Event;
    if (CTreeViewItem* item = table->GetItem(table->model()->index(row, 0)))
        item->SetData(0, Qt::EditRole, row + 1);
}

void CViewState::SetDayDownLoad(int doneMB, int plan, int isPast)
{
    if (plan >= 0 && plan < MAX_GROUP_NUM && (isPast == 0 || isPast == 1)) {
        // Against the rows as they are now: a list that started and finished since the last refresh counts
        // in the totals before its done figure is held to them.
        GetBackUpSize();
        m_dayDownLoad[plan][isPast] = uint32_t(std::max(doneMB, 0));
        quint64 sum = 0;
        for (const auto& figures : m_dayDownLoad)
            sum += figures[isPast];
        uint32_t& done = isPast == 0 ? m_nAlready : m_nOverdueAlready;
        done = ClampToFigure(sum);
        m_nAlready = std::min(m_nAlready, m_nTotal);
        m_nOverdueAlready = std::min(m_nOverdueAlready, m_nOverdueTotal);
    }
    // Shown with the table's next figures.
    m_bDoneFiguresPending = true;
    ScheduleProgress();
}

bool CViewState::ListsComplete(int isPast) const
{
    const int rows = m_pStateModel->rowCount();
    for (int row = 0; row < rows; ++row) {
        if (m_pStateModel->index(row, 1).data(ROLE_USER_DATA2).toInt() != isPast)
            continue;
        // A bar that has no value yet says nothing: its list has reported no share so far.
        const QProgressBar* bar = RowBar(row, 2);
        if (bar != nullptr && bar->value() >= bar->minimum() && bar->value() < 100)
            return false;
    }
    return true;
}

void CViewState::ShowDoneFigures()
{
    // A list that ended with files given up shows its share below 100; its megabytes, rounded down, may
    // still equal the total's.
    m_nPercent = Percent(m_nAlready, m_nTotal);
    if (m_nPercent >= 100 && !ListsComplete(0))
        m_nPercent = 99;
    m_nOverduePercent = Percent(m_nOverdueAlready, m_nOverdueTotal);
    if (m_nOverduePercent >= 100 && !ListsComplete(1))
        m_nOverduePercent = 99;
    ui.label_already->setText(MegabyteText(m_nAlready));
    ui.label_percent->setText(PercentText(m_nPercent));
    ui.label_overdueAlready->setText(MegabyteText(m_nOverdueAlready));
    ui.label_overduePercent->setText(PercentText(m_nOverduePercent));
}

void CViewState::GetBackUpSize()
{
    quint64 total = 0;
    quint64 overdueTotal = 0;
    const int rows = m_pStateModel->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex name = m_pStateModel->index(row, 1);
        // Each list is rounded down on its own, as its row shows it.
        const qint64 megabytes = std::max<qint64>(name.data(ROLE_USER_DATA3).toLongLong() / kMiB, 0);
        switch (name.data(ROLE_USER_DATA2).toInt()) {
        case 0:
            total += quint64(megabytes);
            break;
        case 1:
            overdueTotal += quint64(megabytes);
            break;
        default:
            break;
        }
    }
    m_nTotal = ClampToFigure(total);
    m_nOverdueTotal = ClampToFigure(overdueTotal);
    ui.label_total->setText(MegabyteText(m_nTotal));
    ui.label_overdueTotal->setText(MegabyteText(m_nOverdueTotal));
}

void CViewState::dataUpdate()
{
    m_curTime = EngineNow();
    const qint64 seconds = std::max<qint64>(m_startTime.secsTo(m_curTime), 0);
    m_nElapsed = int(std::min<qint64>(seconds, std::numeric_limits<int>::max()));
    // A time of day: it starts again at 00:00:00 after a day.
    QTime shown(0, 0);
    if (m_pTimer->isActive())
        shown = shown.addSecs(int(seconds % kSecondsPerDay));
    ui.label_time->setText(shown.toString(QStringLiteral("hh:mm:ss")));
    GetBackUpSize();
}

void CViewState::IncDownLoadNum()
{
    if (m_nDownLoadNum == 0) {
        m_startTime = EngineNow();
        connect(m_pTimer, &QTimer::timeout, this, &CViewState::dataUpdate, Qt::UniqueConnection);
        m_pTimer->start(1000);
    }
    ++m_nDownLoadNum;
    ui.label_count->setText(QString::number(m_nDownLoadNum));
}

void CViewState::DecDownLoadNum()
{
    // A finish without its start (a thread that began before the count was cleared) never counts below 0.
    if (m_nDownLoadNum > 0)
        --m_nDownLoadNum;
    if (m_nDownLoadNum == 0) {
        m_pTimer->stop();
        disconnect(m_pTimer, &QTimer::timeout, this, &CViewState::dataUpdate);
    }
    ui.label_count->setText(QString::number(m_nDownLoadNum));
}

void CViewState::ResetDayTotals()
{
    for (QLabel* label : {ui.label_count, ui.label_overdueTotal, ui.label_total, ui.label_overdueAlready,
                          ui.label_already, ui.label_percent, ui.label_overduePercent, ui.label_time})
        label->clear();
    for (auto& figures : m_dayDownLoad)
        figures[0] = figures[1] = 0;
}

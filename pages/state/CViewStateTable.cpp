// The state table: one row per running task list, filled by the execute threads' progress signals.

#include "pages/state/CViewState.h"

#include "engine/EngineCommon.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/views/HierarchicalHeaderView.h"
#include "widgets/views/ItemDataRole.h"
#include "widgets/views/ProxyModelWithHeaderModels.h"

#include <QColor>
#include <QDebug>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

constexpr long long kMiB = 1024 * 1024;

enum STATE_COLUMN
{
    COL_ID,
    COL_NAME,
    COL_PROGRESS,
    COL_CHANNEL,
    COL_CHANNEL_PROGRESS,
    COL_COMPLETE,
    COL_TOTAL,
    COL_START,
    COL_END,
    STATE_COLUMN_NUM
};

QStandardItem* HeaderItem(const char* text)
{
    return new QStandardItem(QObject::tr(text));
}

// The list's owner: a plan 0..31 with either kind, or the manual backup with kind 0.
bool IsListOf(int plan, int isPast)
{
    if (plan == MANUAL_GROUP_ID)
        return isPast == 0;
    return plan >= 0 && plan < MAX_GROUP_NUM && (isPast == 0 || isPast == 1);
}

// A progress bar paints itself at once on each new value; with every list reporting several times a second
// that would paint and flush the page thousands of times a second. The new value is painted with the page's
// next update instead.
void SetBarValue(QProgressBar* bar, int value)
{
    if (bar->value() == value)
        return;
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true); // schedules the repaint
}

} // namespace

void CViewState::InitModels()
{
    m_pStateModel = new QStandardItemModel(this);
    m_pStateModel->insertColumns(0, STATE_COLUMN_NUM);
    for (const auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_pStateModel, rowsChanged, this, [this] { m_bRowIndexValid = false; });

    m_pHeaderModel = new QStandardItemModel(this);
    QStandardItem* root = HeaderItem(QT_TRANSLATE_NOOP("QObject", "Backup Execution State"));
    root->setChild(0, 0, HeaderItem(QT_TRANSLATE_NOOP("QObject", "ID")));
    root->setChild(0, 1, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Schedule Name")));
    root->setChild(0, 2, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Progress")));
    QStandardItem* channel = HeaderItem(QT_TRANSLATE_NOOP("QObject", "Current Backup Channel"));
    channel->setChild(0, 0, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Name")));
    channel->setChild(0, 1, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Backup Progress")));
    channel->setChild(0, 2, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Complete(MB)")));
    channel->setChild(0, 3, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Total(MB)")));
    root->setChild(0, 3, channel);
    QStandardItem* file = HeaderItem(QT_TRANSLATE_NOOP("QObject", "Current File"));
    file->setChild(0, 0, HeaderItem(QT_TRANSLATE_NOOP("QObject", "Start Time")));
    file->setChild(0, 1, HeaderItem(QT_TRANSLATE_NOOP("QObject", "End Time")));
    root->setChild(0, 4, file);
    m_pHeaderModel->setItem(0, 0, root);

    m_pProxyModel = new ProxyModelWithHeaderModels(this);
    m_pProxyModel->setModel(m_pStateModel);
    m_pProxyModel->SetHorizontalHeaderModel(m_pHeaderModel);
    m_pHeaderView = new HierarchicalHeaderView(Qt::Horizontal, ui.tableView_State);
    ui.tableView_State->setHeader(m_pHeaderView);
    ui.tableView_State->setModel(m_pProxyModel);
    // The columns share the table's width, set when the table changes size and never as rows arrive: every
    // figure shows without scrolling and nothing moves while the engine reports.
    ui.tableView_State->header()->setStretchLastSection(false);
    ui.tableView_State->viewport()->installEventFilter(this);
    FitStateColumns();
    ui.tableView_State->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row is one line high: the view need not measure a row again each time a figure changes.
    ui.tableView_State->setUniformRowHeights(true);
    // Figures that change many times a second are shown together, twice a second (the engine polls each file
    // once a second): one paint of the page instead of one per report. A change of the rows or of a list's
    // channel shows them first, so no figure lands on another row or channel. A file's start touches no
    // figure and leaves them to the timer: files start too often to flush the figures each time.
    m_pProgressTimer = new QTimer(this);
    m_pProgressTimer->setSingleShot(true);
    m_pProgressTimer->setInterval(500);
    connect(m_pProgressTimer, &QTimer::timeout, this, &CViewState::ShowProgress);
    SYSTEM_CONFIG config;
    g_pSysInfoManage->GetSystemConfig(&config);
    // A stored mode other than automatic or manual is idle.
    SetCurrentPage(config.BackupMode == 0 || config.BackupMode == 1 ? config.BackupMode : 2);
    ShowRedLegend();
    ui.label->hide();
    ResetDayTotals();
}

bool CViewState::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.tableView_State->viewport() && event->type() == QEvent::Resize)
        FitStateColumns();
    return QDialog::eventFilter(watched, event);
}

void CViewState::FitStateColumns()
{
    CTableView* table = ui.tableView_State;
    const QFontMetrics body = table->fontMetrics();
    const QFontMetrics head = table->header()->fontMetrics();
    const int pad = 8;
    // Figures and times are as wide as their widest value or their header; names and bars share the rest,
    // down to a width that still shows a short name or a bar (their full texts are in the tooltips).
    const auto fitted = [&](const QString& sample, const char* header) {
        return std::max(body.horizontalAdvance(sample), head.horizontalAdvance(QObject::tr(header))) + pad;
    };
    int widths[STATE_COLUMN_NUM] = {};
    widths[COL_ID] = fitted(QStringLiteral("99"), "ID");
    widths[COL_COMPLETE] = fitted(QStringLiteral("999999"), "Complete(MB)");
    widths[COL_TOTAL] = fitted(QStringLiteral("999999"), "Total(MB)");
    const QString time = QStringLiteral("0000-00-00 00:00:00");
    widths[COL_START] = fitted(time, "Start Time");
    widths[COL_END] = fitted(time, "End Time");
    int fixed = 0;
    for (const int width : widths)
        fixed += width;
    const int rest = table->viewport()->width() - fixed - 4;
    // Names three tenths each, bars two.
    const int name = body.horizontalAdvance(QStringLiteral("Camera 01")) + pad;
    widths[COL_NAME] = std::max(rest * 3 / 10, name);
    widths[COL_CHANNEL] = std::max(rest * 3 / 10, name);
    widths[COL_PROGRESS] = std::max(rest * 2 / 10, 40);
    widths[COL_CHANNEL_PROGRESS] = std::max(rest - 2 * (rest * 3 / 10) - rest * 2 / 10, 40);
    // What the least widths took beyond the table comes off the names, so no figure is pushed out of sight.
    int excess = -rest;
    for (const int column : {COL_NAME, COL_CHANNEL, COL_PROGRESS, COL_CHANNEL_PROGRESS})
        excess += widths[column];
    for (const int column : {COL_NAME, COL_CHANNEL}) {
        const int cut = std::clamp((excess + 1) / 2, 0, std::max(widths[column] - 30, 0));
        widths[column] -= cut;
        excess -= cut;
    }
    for (int column = 0; column < STATE_COLUMN_NUM; ++column)
        table->setColumnWidth(column, widths[column]);
}

bool CViewState::RowName(int plan, int isPast, QString* name)
{
    if (!IsListOf(plan, isPast))
        return false;
    if (plan == MANUAL_GROUP_ID) {
        *name = tr("Manual Backup");
        return true;
    }
    const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(plan);
    if (group == nullptr)
        return false;
    const QString groupName = LocalToQString(group->GroupName);
    *name = isPast == 1 ? QStringLiteral("*") + groupName : groupName;
    return true;
}

int CViewState::FindRow(const QString& name) const
{
    // Every report looks its row up: the rows are indexed by name once after each change of the rows.
    if (!m_bRowIndexValid) {
        m_rowOfName.clear();
        const int rows = m_pStateModel->rowCount();
        for (int row = rows - 1; row >= 0; --row) // the first row of a name wins
            m_rowOfName.insert(m_pStateModel->index(row, COL_NAME).data(Qt::DisplayRole).toString(), row);
        m_bRowIndexValid = true;
    }
    return m_rowOfName.value(name, -1);
}

int CViewState::FindListRow(int plan, int isPast, const char* caller, QString* rowName)
{
    QString name;
    if (!RowName(plan, isPast, &name)) {
        qDebug() << caller << "no plan" << plan << isPast;
        return -1;
    }
    if (m_pStateModel->rowCount() == 0) {
        qDebug() << caller << "no rows";
        return -1;
    }
    const int row = FindRow(name);
    if (row < 0)
        qDebug() << caller << "no row for" << name;
    if (rowName != nullptr)
        *rowName = name;
    return row;
}

void CViewState::RenumberRows()
{
    const int rows = m_pStateModel->rowCount();
    for (int row = 0; row < rows; ++row)
        SetCenteredText(row, COL_ID, QString::number(row + 1));
}

void CViewState::SetCenteredText(int row, int column, const QString& text)
{
    ui.tableView_State->SetItemText(row, column, text);
    ui.tableView_State->SetItemData(row, column, int(Qt::AlignCenter), Qt::TextAlignmentRole);
}

void CViewState::SetRed(int row, int column)
{
    ui.tableView_State->SetItemData(row, column, QColor(255, 0, 0, 255), Qt::ForegroundRole);
}

QProgressBar* CViewState::RowBar(int row, int column) const
{
    return qobject_cast<QProgressBar*>(ui.tableView_State->GetItemWidget(row, column));
}

void CViewState::ViewStartGroupDownLoad(int plan, int isPast, long long total)
{
    ShowProgress();
    QString name;
    if (!RowName(plan, isPast, &name)) {
        qDebug() << "ViewStartGroupDownLoad: no plan" << plan << isPast;
        return;
    }
    if (isPast == 1)
        ui.label->show();
    int row = FindRow(name);
    if (row < 0)
        row = ui.tableView_State->AppendRow();
    if (row < 0) {
        qDebug() << "ViewStartGroupDownLoad: no row appended";
        return;
    }
    SetCenteredText(row, COL_ID, QString::number(row + 1));
    SetCenteredText(row, COL_NAME, name);
    m_bRowIndexValid = false;
    if (isPast == 1)
        SetRed(row, COL_NAME);
    ui.tableView_State->SetItemData(row, COL_NAME, QVariant::fromValue<qint64>(total), ROLE_USER_DATA3);
    ui.tableView_State->SetItemData(row, COL_NAME, isPast, ROLE_USER_DATA2);
    for (const int column : {COL_PROGRESS, COL_CHANNEL_PROGRESS}) {
        // Created inside the view, so the bar has an owner even before the cell takes it.
        auto* bar = new QProgressBar(ui.tableView_State->viewport());
        bar->setRange(0, 100);
        bar->setAlignment(Qt::AlignCenter);
        ui.tableView_State->SetItemWidget(row, column, bar);
        ui.tableView_State->SetItemData(row, column, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }
}

void CViewState::ViewStartChannelDownLoad(int plan, int isPast, int slot, long long total)
{
    ShowProgress();
    const int row = FindListRow(plan, isPast, "ViewStartChannelDownLoad");
    if (row < 0)
        return;
    SetCenteredText(row, COL_CHANNEL, g_pSysInfoManage->GetChannelName(plan, slot));
    if (isPast == 1)
        SetRed(row, COL_CHANNEL);
    SetCenteredText(row, COL_TOTAL, QString::number(total / kMiB));
    ui.tableView_State->SetItemData(row, COL_TOTAL, QVariant::fromValue<qint64>(total), ROLE_USER_DATA2);
    // The row shows one channel: nothing of the channel before stays beside the new one's name and total
    // (its login may take seconds before the first figure of the new channel comes).
    SetCenteredText(row, COL_COMPLETE, QString());
    if (QProgressBar* bar = RowBar(row, COL_CHANNEL_PROGRESS))
        SetBarValue(bar, 0);
    SetCenteredText(row, COL_START, QString());
    SetCenteredText(row, COL_END, QString());
}

void CViewState::ViewStartFileDownLoad(int plan, int isPast, NET_DVR_TIME start, NET_DVR_TIME end)
{
    // Runs on the execute thread: the cells are written on the page's own thread, in order with the
    // thread's other reports, which are queued to the same place.
    QMetaObject::invokeMethod(
        this, [this, plan, isPast, start, end] { ShowFileTimes(plan, isPast, start, end); },
        Qt::QueuedConnection);
}

void CViewState::ShowFileTimes(int plan, int isPast, const NET_DVR_TIME& start, const NET_DVR_TIME& end)
{
    const int row = FindListRow(plan, isPast, "ViewStartFileDownLoad");
    if (row < 0)
        return;
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    SetCenteredText(row, COL_START, FromSdkTime(start).toString(format));
    SetCenteredText(row, COL_END, FromSdkTime(end).toString(format));
}

void CViewState::ViewChannelDownloadSize(int plan, int isPast, long long done)
{
    QString name;
    const int row = FindListRow(plan, isPast, "ViewChannelDownloadSize", &name);
    if (row < 0)
        return;
    const long long totalBytes =
        ui.tableView_State->GetItemData(row, COL_TOTAL, ROLE_USER_DATA2).toLongLong();
    // The cell's megabytes are these bytes rounded down: derived here rather than parsed back from the text.
    const long long totalMB = totalBytes / kMiB;
    PENDING_PROGRESS& pending = m_pendingProgress[name];
    pending.complete = QString::number(std::min(done / kMiB, totalMB));
    // A report beyond the channel's total (or below nothing) leaves the bar as it is.
    if (totalBytes <= 0)
        pending.channelBar = 100;
    else if (done >= 0 && done <= totalBytes)
        pending.channelBar = int(done * 100 / totalBytes);
    ScheduleProgress();
}

void CViewState::ViewGroupDownloadPos(int plan, int isPast, int percent)
{
    QString name;
    const int row = FindListRow(plan, isPast, "ViewGroupDownloadPos", &name);
    if (row < 0 || percent < 0 || percent > 100)
        return;
    m_pendingProgress[name].groupBar = percent;
    ScheduleProgress();
}

void CViewState::ScheduleProgress()
{
    if (!m_pProgressTimer->isActive())
        m_pProgressTimer->start();
}

void CViewState::ShowProgress()
{
    for (auto it = m_pendingProgress.cbegin(); it != m_pendingProgress.cend(); ++it) {
        const int row = FindRow(it.key());
        if (row < 0)
            continue;
        if (!it->complete.isNull())
            SetCenteredText(row, COL_COMPLETE, it->complete);
        if (QProgressBar* bar = RowBar(row, COL_CHANNEL_PROGRESS); bar != nullptr && it->channelBar >= 0)
            SetBarValue(bar, it->channelBar);
        if (QProgressBar* bar = RowBar(row, COL_PROGRESS); bar != nullptr && it->groupBar >= 0)
            SetBarValue(bar, it->groupBar);
    }
    m_pendingProgress.clear();
    if (m_bDoneFiguresPending) {
        m_bDoneFiguresPending = false;
        ShowDoneFigures();
    }
}

void CViewState::DelARow(GROUP_CHANGED changed, int isPast)
{
    ShowProgress();
    const int plan = changed.GroupID;
    if (!IsListOf(plan, isPast) || m_pStateModel->rowCount() == 0)
        return;
    // The name as the plan was called before the change that removes its rows.
    const QString groupName = QString::fromLocal8Bit(
        changed.GroupName, qsizetype(strnlen(changed.GroupName, sizeof changed.GroupName)));
    const QString name = isPast == 1               ? QStringLiteral("*") + groupName
                         : plan == MANUAL_GROUP_ID ? tr("Manual Backup")
                                                   : groupName;
    const int row = FindRow(name);
    if (row < 0)
        return;
    m_pStateModel->removeRow(row);
    RenumberRows();
    if (plan != MANUAL_GROUP_ID)
        SetDayDownLoad(0, plan, isPast);
    dataUpdate();
    ShowProgress();
}

void CViewState::DelGroupView(int plan)
{
    ShowProgress();
    if (plan < 0 || plan >= MAX_GROUP_NUM)
        return;
    const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(plan);
    if (group == nullptr || m_pStateModel->rowCount() == 0)
        return;
    const QString groupName = LocalToQString(group->GroupName);
    for (const int isPast : {0, 1}) {
        const int row = FindRow(isPast == 1 ? QStringLiteral("*") + groupName : groupName);
        if (row < 0)
            continue;
        m_pStateModel->removeRow(row);
        SetDayDownLoad(0, plan, isPast);
    }
    RenumberRows();
    dataUpdate();
    ShowProgress();
}

void CViewState::ClearStateTable()
{
    m_pendingProgress.clear();
    m_pStateModel->removeRows(0, m_pStateModel->rowCount());
    ui.label->hide();
}

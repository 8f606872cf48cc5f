#include "pages/record/CViewRecord.h"

#include "model/EngineClock.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "pages/ClockRange.h"
#include "pages/record/CExportRecord.h"
#include "pages/record/CThreadExportFile.h"
#include "pages/record/RecordSearch.h"
#include "platform/FileBrowser.h"
#include "platform/RecordPlayer.h"
#include "platform/VolumeCall.h"
#include "storage/CreateStorage.h"
#include "storage/StoredRecordFile.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/BusyWait.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CGroupTreeView.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/ItemDataRole.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <cstring>

namespace {

constexpr int kColumnWidths[CViewRecord::COL_COUNT] = {40, 150, 130, 130, 80, 30, 500};

QStandardItem* Cell(const QString& text)
{
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    return item;
}

} // namespace

CViewRecord::CViewRecord(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    SetPlayer(std::make_unique<CRecordPlayer>());
    m_pFileBrowser = std::make_unique<CFileBrowser>(
        [](const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });

    InitGroupTree();
    InitRecordTable();
    const struct
    {
        const char* text;
        int type;
    } types[] = {{QT_TR_NOOP("All"), 0},
                 {QT_TR_NOOP("Schedule"), 1},
                 {QT_TR_NOOP("Motion Detection"), 2},
                 {QT_TR_NOOP("Alarm"), 3},
                 {QT_TR_NOOP("Manual Record"), 8}};
    for (const auto& type : types)
        ui.pCombFileType->addItem(tr(type.text), type.type);
    ui.pCombFileType->setCurrentIndex(0);
    // Records are stored on the engine's clock.
    m_pRange = new CClockRange(ui.pDtFrom, ui.pDtTo, &EngineNow, this);

    connect(ui.pBtnSearchRecord, &QPushButton::clicked, this, &CViewRecord::OnBtnClickedSerchRecord);
    connect(ui.pTableView, &CTableView::ClickedBtn, this, &CViewRecord::OnClickAction);
    connect(ui.pBtnExport, &QPushButton::clicked, this, &CViewRecord::OnBtnClickedExport);
}

CViewRecord::~CViewRecord() = default;

void CViewRecord::showEvent(QShowEvent* event)
{
    m_pRange->Follow();
    QDialog::showEvent(event);
}

void CViewRecord::SetPlayer(std::unique_ptr<IRecordPlayer> player)
{
    m_pPlayer = std::move(player);
    if (m_pPlayer)
        m_pPlayer->SetLateFailure([this](const PLAYER_FAILURE& failure) { ShowPlayerFailure(failure); });
}

void CViewRecord::ShowPlayerFailure(const PLAYER_FAILURE& failure)
{
    ShowInfoMsgBox(tr("Error"), PlayerFailureText(failure), this);
}

QString CViewRecord::PlayerFailureText(const PLAYER_FAILURE& failure)
{
    if (!failure.Reason.isEmpty())
        return tr("The record is not played: %1").arg(failure.Reason);
    QString cause;
    if (!failure.Started)
        cause = tr("%1 could not be started").arg(failure.Program);
    else if (failure.Status < 0)
        cause = tr("%1 stopped abnormally").arg(failure.Program);
    else
        cause = tr("%1 ended with status %2 (%3)")
                    .arg(failure.Program)
                    .arg(failure.Status)
                    .arg(OpenerStatusMeaning(failure.Status));
    return tr("The desktop could not open the record %1: %2. Put a player named Vidrun beside Varrow, as the "
              "README says.")
        .arg(failure.Path, cause);
}

QString CViewRecord::OpenerStatusMeaning(int status)
{
    // The desktop opener's documented exit statuses.
    switch (status) {
    case 1:
        return tr("it was called wrongly");
    case 2:
        return tr("the record file is not there");
    case 3:
        return tr("no program is set to open this kind of file");
    case 4:
        return tr("the program for this kind of file failed");
    default:
        return tr("an unknown failure");
    }
}

void CViewRecord::SetFileBrowser(std::unique_ptr<IFileBrowser> browser)
{
    m_pFileBrowser = std::move(browser);
}

void CViewRecord::InitGroupTree()
{
    m_pGroupModel = new QStandardItemModel(0, 1, ui.pTreeGroup);
    ui.pTreeGroup->setModel(m_pGroupModel);
    ResetGroup();
}

void CViewRecord::InitRecordTable()
{
    m_pRecordModel = new QStandardItemModel(0, COL_COUNT, this);
    const QStringList headers = {
        tr("ID"),       tr("Camera Name"), tr("File Start Time"), tr("File End Time"), tr("File Size"),
        tr("Playback"), tr("Path")};
    m_pRecordModel->setHorizontalHeaderLabels(headers);
    for (int column = 0; column < COL_COUNT; ++column)
        m_pRecordModel->setHeaderData(column, Qt::Horizontal, int(Qt::AlignLeft | Qt::AlignVCenter),
                                      Qt::TextAlignmentRole);
    ui.pTableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui.pTableView->setModel(m_pRecordModel);
    // A column never narrower than its header text: "Playback" does not fit the play button's 30 pixels.
    for (int column = 0; column < COL_COUNT; ++column)
        ui.pTableView->setColumnWidth(
            column, std::max(kColumnWidths[column], ui.pTableView->header()->sectionSizeHint(column)));
    ui.pTableView->setSortingEnabled(false);
}

void CViewRecord::ResetGroup()
{
    m_pGroupModel->clear();
    m_pGroupModel->setColumnCount(1);
    if (g_pSysInfoManage == nullptr)
        return;

    // Read in place: a copy of every slot would zero about 18 MB at each start of the program.
    const QIcon deviceIcon(QStringLiteral(":images/Import/GroupList/group.png"));
    for (int slot = 0; slot < MAX_DEVICE_NUM; ++slot) {
        const DEVICE_INFO* used = g_pSysInfoManage->GetDeviceInfo(slot);
        if (used == nullptr || used->IsUsed != 1)
            continue;
        const DEVICE_INFO& device = *used;
        auto* deviceItem = new QStandardItem(deviceIcon, LocalToQString(device.DeviceName));
        deviceItem->setEditable(false);
        deviceItem->setCheckable(true);
        deviceItem->setCheckState(Qt::Unchecked);
        deviceItem->setData(QString(), ROLE_USER_DATA2);
        for (int i = 0; i < device.CameraNum && i < MAX_CAMERA_NUM; ++i) {
            const int channel = device.Camera[i].CameraIndex;
            auto* channelItem = new QStandardItem(g_pSysInfoManage->GetCameraName(slot, channel));
            channelItem->setEditable(false);
            channelItem->setCheckable(true);
            channelItem->setCheckState(Qt::Unchecked);
            // The name under which the engine stores this channel's recordings.
            channelItem->setData(QString::asprintf("%s_%d_%d", device.DeviceIP, int(device.Port), channel),
                                 ROLE_USER_DATA2);
            deviceItem->appendRow(channelItem);
        }
        m_pGroupModel->appendRow(deviceItem);
    }
    ui.pTreeGroup->expandAll();
}

void CViewRecord::OnBtnClickedSerchRecord()
{
    const std::shared_ptr<CStowelineClass> storage = GetStoweline();
    if (!storage)
        return;
    m_pRange->Follow();
    const QDateTime from = ui.pDtFrom->dateTime();
    const QDateTime to = ui.pDtTo->dateTime();
    switch (CheckSearchRange(from, to)) {
    case SEARCH_RANGE::EndBeforeStart:
        ShowInfoMsgBox(tr("Information"), tr("The end time is earlier than start time"), this);
        return;
    case SEARCH_RANGE::TooLong:
        ShowInfoMsgBox(tr("Information"), tr("Please search record data no more than 3 days"), this);
        return;
    case SEARCH_RANGE::Ok:
        break;
    }
    m_pRecordModel->removeRows(0, m_pRecordModel->rowCount());
    ui.pLabelNoRecord->hide();
    ui.pLabelSearchNote->hide();
    m_rowsCut = false;

    const int type = ui.pCombFileType->currentData(ROLE_USER_DATA).toInt();
    CRecordSearchThread::JOB job;
    job.Storage = storage;
    job.From = CompactTime(from);
    job.To = CompactTime(to);
    job.Types = SearchTypesOf(type);
    for (int row = 0; row < m_pGroupModel->rowCount(); ++row) {
        const QStandardItem* deviceItem = m_pGroupModel->item(row);
        for (int child = 0; child < deviceItem->rowCount(); ++child) {
            const QStandardItem* channelItem = deviceItem->child(child);
            const QByteArray name = channelItem->data(ROLE_USER_DATA2).toString().toLatin1();
            if (name.isEmpty() || channelItem->checkState() != Qt::Checked ||
                name.size() >= int(sizeof(RECORD_SEARCH_COND::RecordName)))
                continue;
            job.Channels.push_back({name, channelItem->text()});
        }
    }
    const int searched = int(job.Channels.size());
    if (searched == 0) {
        ShowSearchOutcome(0, {});
        return;
    }

    // The disks are read off the window's thread: one that does not answer keeps the window waiting no
    // more than the busy box, whose Cancel (or the program's end, which rejects every open box) stops it.
    ChaseDialog chase(this, QStringLiteral(":/images/Loading.gif"), tr("Searching..."), true);
    connect(&m_searchThread, &CRecordSearchThread::SearchEnded, &chase, &ChaseDialog::OnImmediatelyStopChase);
    connect(
        &chase, &ChaseDialog::SignalCancel, &m_searchThread, [this] { m_searchThread.Stop(); },
        Qt::DirectConnection);
    m_searchThread.Search(std::move(job));
    chase.exec();
    const RECORD_SEARCH_OUTCOME outcome = m_searchThread.TakeOutcome();

    for (const RECORD_ROW& row : outcome.Rows)
        AppendRecordRow(row.Camera, row.Path, row.Start, row.End, row.Size);
    SEARCH_GAPS gaps = outcome.Gaps;
    gaps.Cut = gaps.Cut || m_rowsCut;
    ShowSearchOutcome(searched, gaps, outcome.Stopped);
}

void CViewRecord::ShowSearchOutcome(int searchedChannels, const SEARCH_GAPS& gaps, bool stopped)
{
    // An empty table alone reads as a search that did not run; one that searched no channel asks for one.
    if (searchedChannels == 0)
        ui.pLabelNoRecord->setText(tr("Tick a channel under Cameras to search its records."));
    else if (stopped)
        ui.pLabelNoRecord->setText(tr("No record found before the search was stopped."));
    else if (!gaps.Unsearched.empty())
        ui.pLabelNoRecord->setText(tr("No record found on the disks that could be searched."));
    else
        ui.pLabelNoRecord->setText(tr("No record found in this range."));
    ui.pLabelNoRecord->setVisible(m_pRecordModel->rowCount() == 0);

    QStringList notes;
    // A table cut short by Stop must not pass for all the range holds.
    if (stopped)
        notes << tr("The search was stopped: only the records found before are listed.");
    for (const QString& disk : gaps.UnsearchedText)
        notes << tr("Not searched: %1").arg(disk);
    // Rows from a disk that is no longer chosen would otherwise look like records stored in the wrong place.
    for (const STOWELINE_ROOT_ERROR& disk : gaps.OtherDisks)
        notes << tr("Also listed: the records on Disk %1 (%2), which is no longer chosen for recording.")
                     .arg(QString(disk.Drive).remove(QLatin1Char(':')), disk.Path);
    if (gaps.Cut)
        notes << tr("Only the first %1 records found are listed. Search a shorter range or fewer channels to "
                    "see the others.")
                     .arg(kMaxRecordRows);
    ui.pLabelSearchNote->setText(notes.join(QLatin1Char('\n')));
    ui.pLabelSearchNote->setVisible(!notes.isEmpty());
}

void CViewRecord::FillRecordRows(const StowelineList* list, const QString& cameraName)
{
    if (list == nullptr)
        return;
    for (const STOWELINE_PATH& entry : *list) {
        if (m_pRecordModel->rowCount() >= kMaxRecordRows) {
            m_rowsCut = true;
            return;
        }
        const QString path = LocalToQString(entry.Path);
        QString start;
        QString end;
        if (!RecordTimesOf(path, &start, &end))
            continue;
        // A file that went away since the search (overwritten, deleted) is left out; the others still show.
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        AppendRecordRow(cameraName, path, start, end, info.size());
    }
}

void CViewRecord::AppendRecordRow(const QString& cameraName, const QString& path, const QString& start,
                                  const QString& end, qint64 size)
{
    const QIcon playIcon(QStringLiteral(":/images/ButtonIcon/StartViewing.png"));
    QList<QStandardItem*> row;
    row.reserve(COL_COUNT);
    row << Cell(QString::number(m_pRecordModel->rowCount() + 1)) << Cell(cameraName) << Cell(start)
        << Cell(end) << Cell(RecordSizeText(size));
    QStandardItem* play = Cell(QString());
    play->setIcon(playIcon);
    play->setData(true, ROLE_BUTTON);
    play->setData(path, ROLE_USER_DATA);
    QStandardItem* where = Cell(path);
    where->setForeground(QColor(0, 0, 255, 255));
    where->setData(true, ROLE_BUTTON);
    where->setData(path, ROLE_USER_DATA);
    row << play << where;
    m_pRecordModel->appendRow(row);
}

void CViewRecord::OnClickAction(const QModelIndex& index)
{
    QString path = index.data(ROLE_USER_DATA).toString();
    if (index.column() == COL_PLAYBACK)
        PlayRecordFile(path);
    else if (index.column() == COL_PATH)
        ShowInExplorer(path);
}

void CViewRecord::PlayRecordFile(QString& path)
{
    // Only what the storage itself would take as the record is played, never a link or a pipe that was put
    // in its place since the search; and the player gets the file so checked, not its name to look up again.
    // The open walks the record's disk, which may stop answering: it is made on a thread of its own and
    // waited for within the volume's bound while the window goes on; the page's end stops the wait at once.
    struct OPENED
    {
        std::shared_ptr<CStoredRecordFile> Record;
        QString Refused;
    };
    const QString disk = path.section(QLatin1Char('/'), 0, -5);
    auto stop = std::make_shared<std::atomic_bool>(false);
    auto opened = std::make_shared<OPENED>();
    auto outcome = std::make_shared<VolumeCall::OUTCOME>(VolumeCall::OUTCOME_STOPPED);
    std::function<void()> opening([path, disk, stop, opened, outcome] {
        std::function<OPENED()> open = [path] {
            OPENED done;
            done.Record = std::make_shared<CStoredRecordFile>(OpenStoredRecord(path, &done.Refused));
            return done;
        };
        *outcome = VolumeCall::Run(disk.isEmpty() ? path : disk, open, VolumeCall::kDefaultBoundMs,
                                   opened.get(), [stop] { return stop->load(); });
    });
    // A disk slow to answer shows the busy box after a quiet while; its Cancel, the program's end or the
    // page's end stops the open, which is then left to end by itself.
    if (!BusyWait::Run(this, tr("Opening the record..."), std::move(opening), [stop] { *stop = true; }))
        return;
    if (*outcome == VolumeCall::OUTCOME_NO_ANSWER) {
        ShowInfoMsgBox(tr("Error"),
                       tr("The record is not played: the folder %1 of its disk does not answer.").arg(disk),
                       this);
        return;
    }
    if (*outcome != VolumeCall::OUTCOME_DONE)
        return;
    const CStoredRecordFile& record = *opened->Record;
    if (!record.IsOpen()) {
        ShowInfoMsgBox(tr("Error"), tr("The record is not played: %1").arg(opened->Refused), this);
        return;
    }
    // A click that opens nothing must say why, or the operator takes the record for unplayable.
    if (!m_pPlayer || m_pPlayer->Play(record.Fd(), path))
        return;
    const QString program = m_pPlayer->FailedProgram();
    const QString text =
        program.isEmpty()
            ? tr("No player is set, and the desktop has no program to open the record. Put a player named "
                 "Vidrun beside Varrow, as the README says.")
            : tr("The player %1 could not be started. Put a player named Vidrun beside Varrow, as the README "
                 "says.")
                  .arg(program);
    ShowInfoMsgBox(tr("Error"), text, this);
}

void CViewRecord::ShowInExplorer(QString path)
{
    if (m_pFileBrowser)
        m_pFileBrowser->ShowFile(path);
}

void CViewRecord::OnBtnClickedExport()
{
    if (ui.pTableView->selectionModel()->selectedRows(0).isEmpty()) {
        ShowInfoMsgBox(tr("Information"), tr("No record file was selected!"), this);
        return;
    }
    // Over the page's window, as every other dialog: the screen's centre is elsewhere once the window moved.
    CExportRecord dialog(this);
    connect(&dialog, &CExportRecord::SignalAccepted, this, &CViewRecord::OnExport);
    dialog.exec();
}

void CViewRecord::GetSelectedFile(QList<QString>& files)
{
    files.clear();
    const QModelIndexList rows = ui.pTableView->selectionModel()->selectedRows(0);
    for (const QModelIndex& row : rows)
        files << row.sibling(row.row(), COL_PATH).data().toString();
}

void CViewRecord::OnExport(const QString& folder)
{
    QList<QString> files;
    GetSelectedFile(files);
    m_exportLines.clear();
    // The operator may stop a long export; so does the program's end, which rejects every open box.
    ChaseDialog chase(this, QStringLiteral(":/images/Loading.gif"), tr("Exporting..."), true);
    connect(this, &CViewRecord::StopChase, &chase, &ChaseDialog::OnImmediatelyStopChase);
    // Not owned by the page: it lives on this frame alone, and its end stops it at its next block.
    CThreadExportFile worker(nullptr);
    worker.SetExportParam(files, folder);
    connect(&chase, &ChaseDialog::SignalCancel, &worker, [&worker] { worker.requestInterruption(); });
    connect(&worker, &CThreadExportFile::SendFileFailed, this,
            [this](const QString& line) { m_exportLines << line; });
    connect(&worker, &CThreadExportFile::SendWriteOver, this, &CViewRecord::OnWriteOver);
    worker.start();
    chase.exec();
    worker.requestInterruption(); // a no-op once it has reported; else it was cancelled
    worker.wait();
    // A result still queued (the box was cancelled) is said now, while the worker's lines are at hand.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_exportLines.clear();
}

void CViewRecord::OnWriteOver(int result)
{
    Q_EMIT StopChase();
    // The files that were not copied, the first ones by name: the box must stay on the screen.
    constexpr qsizetype kNamed = 6;
    QStringList lines;
    for (qsizetype i = 0; i < m_exportLines.size() && i < kNamed; ++i)
        lines << tr("Not exported: %1").arg(m_exportLines.at(i));
    if (m_exportLines.size() > kNamed)
        lines << tr("%n more file(s) not exported.", nullptr, int(m_exportLines.size() - kNamed));
    const QString named = lines.isEmpty() ? QString() : QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
    if (result == CThreadExportFile::EXPORT_FAILED)
        ShowInfoMsgBox(tr("Error"), tr("Export failed!") + named, this);
    else if (result == CThreadExportFile::EXPORT_DONE)
        ShowInfoMsgBox(tr("Success"), tr("Export successful"), this);
    else if (result == CThreadExportFile::EXPORT_STOPPED)
        ShowInfoMsgBox(tr("Information"),
                       tr("Export stopped. The files copied before stay in the folder.") + named, this);
    else
        ShowInfoMsgBox(tr("Error"), tr("Unknown error."), this);
}

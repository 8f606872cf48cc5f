// The state page's form, its life, and the details of the running mode.

#include "pages/state/CViewState.h"

#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "engine/EngineCommon.h"
#include "engine/ManualBackup.h"
#include "model/SysInfoManage.h"
#include "storage/StorageEvents.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QIcon>
#include <QListWidgetItem>
#include <QMetaType>
#include <QTimer>

CViewState::CViewState(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    // A plain child of the main window's stack, not a window of its own.
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    qRegisterMetaType<NET_DVR_TIME>("NET_DVR_TIME");

    m_pTimer = new QTimer(this);
    m_pStorageRetry = new QTimer(this);
    m_pStorageRetry->setSingleShot(true);
    connect(m_pStorageRetry, &QTimer::timeout, this, &CViewState::CheckStorageRetry);
    m_lastDiskFullTime = QDateTime::currentDateTime();
    g_pViewState = this;

    connect(ui.pBtnAuto, &QPushButton::clicked, this, &CViewState::OnBtnAutoBackup);
    connect(ui.pBtnManual, &QPushButton::clicked, this, &CViewState::OnBtnManualBackup);
    connect(this, &CViewState::DiskFull, this, &CViewState::OnDiskFull);
    // What the storage layer tells while backups run (a run of deletions to make room, a disk left out while
    // the others take the records) is one event row each; the storage layer has logged it already.
    connect(
        &CStorageEvents::Instance(), &CStorageEvents::SignalStorageEvent, this,
        [this](const QString& text) { WriteTableEvent(-1, 0, -1, text); }, Qt::QueuedConnection);
    InitModels();
    InitEventTable();

    // The engine starts once the main window shows and the event loop runs.
    QTimer::singleShot(100, this, &CViewState::StartWork);
}

CViewState::~CViewState()
{
    // The storage layer's callback must never reach a page that is going away.
    g_pViewState = nullptr;
    // No refresh of the totals while the threads are waited for; the timer goes with the page.
    m_pTimer->stop();
    StopControlThreads(true);
    StopExecuteThreads(true);
    StopManualBackup();
    m_pManualTimer.reset();
}

namespace {

// A button's look: the picture fills the button in every state.
QString ModeButtonStyle(const char* picture)
{
    const QString rule =
        QStringLiteral("{border-image:url(%1); color: rgb(255, 255, 255); border-width:0px;}")
            .arg(QLatin1String(picture));
    return QStringLiteral("QPushButton") + rule +
           QStringLiteral("QPushButton:hover,QPushButton:pressed,QPushButton:focus") + rule;
}

QString TimeText(const NET_DVR_TIME& time)
{
    return FromSdkTime(time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

void CViewState::SetCurrentPage(int page)
{
    ui.stackedWidget->setCurrentIndex(page);
    g_pSysInfoManage->SetBackupMode(page);
}

void CViewState::UpdateButtonStyle()
{
    ui.pBtnAuto->setStyleSheet(ModeButtonStyle(m_bAuto ? ":/images/button/auto_copy_stop.png"
                                                       : ":/images/button/auto_copy_start.png"));
    ui.pBtnManual->setStyleSheet(ModeButtonStyle(m_bManual ? ":/images/button/manual_copy_stop.png"
                                                           : ":/images/button/manual_copy_start.png"));
    g_pSysInfoManage->SetBackupMode(!m_bAuto && !m_bManual ? 2 : (m_bAuto ? 0 : 1));
}

void CViewState::ResetManualDetail()
{
    ui.label_mtime->clear();
    ui.label_mStart->clear();
    ui.label_mEnd->clear();
    ui.label_mType->clear();
}

void CViewState::ShowManualDetail()
{
    ResetManualDetail();
    ui.stackedWidget->setCurrentIndex(1);
    const MANUAL_BACKUP_INFO* manual = g_pSysInfoManage->GetManualBackupInfo();
    ui.label_mStart->setText(TimeText(manual->FileStartTime));
    ui.label_mEnd->setText(TimeText(manual->FileEndTime));
    ui.label_mType->setText(GetFileTypeName(static_cast<int>(manual->FileType)));
    m_bManual = true;
    m_bAuto = false;
    m_bDiskFullHandled = false;
    ClearStateTable();

    ui.m_listWidget->clear();
    ui.m_listWidget->setFlow(QListView::TopToBottom);
    const QIcon camera(QStringLiteral(":images/ButtonIcon/Camera.png"));
    for (int i = 0; i < MAX_GROUP_CHANNEL_NUM; ++i) {
        const CHANNEL_REF& ref = manual->Channel[i];
        if (ref.DeviceID == -1 || ref.CameraIndex <= 0)
            continue;
        // A channel whose recorder was deleted keeps its place in the list, without a name.
        const DEVICE_INFO* device = g_pSysInfoManage->GetDeviceInfo(ref.DeviceID);
        const QString name = device != nullptr && device->IsUsed == 1
                                 ? g_pSysInfoManage->GetChannelName(MANUAL_GROUP_ID, i)
                                 : QString();
        ui.m_listWidget->addItem(new QListWidgetItem(camera, name));
    }
}

QString GetFileTypeName(int fileType)
{
    switch (fileType) {
    case 1:
        return QObject::tr("Schedule");
    case 2:
        return QObject::tr("Motion Detection");
    case 3:
        return QObject::tr("Alarm");
    case 8:
        return QObject::tr("Manual Record");
    default:
        return QObject::tr("All");
    }
}

void CViewState::ShowRedLegend()
{
    // The word "red" of the legend is shown in red; a translation without it stays as it is.
    QString text = ui.label->text();
    const QString red = QStringLiteral("red");
    const qsizetype first = text.indexOf(red);
    if (first < 0)
        return;
    text.remove(red);
    text.insert(first, QStringLiteral("<font color=red>red</font>"));
    ui.label->setText(text);
}

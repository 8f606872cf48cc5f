// The state page's form, its life, and the details of the running mode.

#include "pages/state/CViewState.h"

#include "engine/ControlThread.h"
#include "engine/ExecuteThread.h"
#include "engine/ManualBackup.h"
#include "model/SysInfoManage.h"
#include "widgets/dialogs/ChaseDialog.h"

#include <QMetaType>
#include <QTimer>

CViewState::CViewState(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    // A plain child of the main window's stack, not a window of its own.
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    qRegisterMetaType<NET_DVR_TIME>("NET_DVR_TIME");

    m_pTimer = new QTimer(this);
    m_lastDiskFullTime = QDateTime::currentDateTime();
    g_pViewState = this;

    connect(ui.pBtnAuto, &QPushButton::clicked, this, &CViewState::OnBtnAutoBackup);
    connect(ui.pBtnManual, &QPushButton::clicked, this, &CViewState::OnBtnManualBackup);
    connect(this, &CViewState::DiskFull, this, &CViewState::OnDiskFull);
    InitModels();
    InitEventTable();

    // The engine starts once the main window shows and the event loop runs.
    QTimer::singleShot(100, this, &CViewState::StartWork);
}

CViewState::~CViewState()
{
    // The storage layer's callback must never reach a page that is going away.
    g_pViewState = nullptr;
    delete m_pTimer;
    m_pTimer = nullptr;
    StopControlThreads(true);
    StopExecuteThreads(true);
    StopManualBackup();
    m_pManualTimer.reset();
}

void CViewState::SetCurrentPage(int) {}

void CViewState::UpdateButtonStyle() {}

void CViewState::ShowManualDetail() {}

void CViewState::ResetManualDetail() {}

QString GetFileTypeName(int)
{
    return QString();
}

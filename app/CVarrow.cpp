#include "app/CVarrow.h"

#include "app/CDlgAbout.h"
#include "app/CWindowTitle.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "config/CDlgSet.h"
#include "model/LogStore.h"
#include "pages/log/CSearchLog.h"
#include "pages/record/CViewRecord.h"
#include "pages/state/CViewState.h"
#include "platform/CWatchDogModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QStackedWidget>
#include <QTimer>

namespace {

const char* const kLabelStyle = "border: none; padding: 0px; color: rgb(255, 255, 255);";

} // namespace

CVarrow::CVarrow(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    setFixedSize(1024, 768);
    ui.setupUi(this);
    InitPages();
    ui.pBtnConfig->setStyleSheet(UnselectedTabStyle());
    ui.pBtnAbout->setStyleSheet(UnselectedTabStyle());
    OnBtnClickedViewState();

    connect(ui.pBtnViewState, &QPushButton::clicked, this, &CVarrow::OnBtnClickedViewState);
    connect(ui.pBtnViewRecFile, &QPushButton::clicked, this, &CVarrow::OnBtnClickedViewRec);
    connect(ui.pBtnViewLog, &QPushButton::clicked, this, &CVarrow::OnBtnClicekdViewLog);
    connect(ui.pBtnConfig, &QPushButton::clicked, this, &CVarrow::OnBtnClickedConfig);
    connect(ui.pBtnAbout, &QPushButton::clicked, this, &CVarrow::OnBtnClickedAbout);

    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &CVarrow::UpdateNetFlux);
    m_pTimer->start(1000);

    m_pWatchDog = std::make_unique<CWatchDogModel>();
    m_pWatchDog->Start();
}

CVarrow::~CVarrow() = default;

QString CVarrow::SelectedTabStyle()
{
    return QStringLiteral(
        "QPushButton{border-image:url(:/images/Tab/TabSelect.png); color:rgb(255, 255, 255); "
        "border-width:0;}");
}

QString CVarrow::UnselectedTabStyle()
{
    return QStringLiteral(
        "QPushButton{border-image:url(:/images/Tab/TabUnselect.png); color:rgb(255, 255, 255); "
        "border-width:0;}");
}

void CVarrow::InitPages()
{
    setStyleSheet(
        QStringLiteral("QMainWindow#VarrowClass{border-image:url(:/images/Dialog/dialog_bg2.png) 58;"
                       "border-width:58;}"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    ui.pLabelTip->setStyleSheet(QLatin1String(kLabelStyle));
    ui.pLabelData->setStyleSheet(QLatin1String(kLabelStyle));

    m_pTitle = new CWindowTitle(this);
    ui.pGridLayout->addWidget(m_pTitle, 0, 0, 1, 2);
    m_pStackedWidget = new QStackedWidget(this);
    ui.pGridLayout->addWidget(m_pStackedWidget, 2, 0);
    m_pViewState = new CViewState(this);
    m_pViewRecord = new CViewRecord(this);
    m_pSearchLog = new CSearchLog(this);
    m_pStackedWidget->addWidget(m_pViewState);
    m_pStackedWidget->addWidget(m_pViewRecord);
    m_pStackedWidget->addWidget(m_pSearchLog);
}

void CVarrow::ShowPage(int page)
{
    m_pStackedWidget->setCurrentIndex(page);
    QPushButton* const tabs[] = {ui.pBtnViewState, ui.pBtnViewRecFile, ui.pBtnViewLog};
    for (int i = 0; i < 3; ++i)
        tabs[i]->setStyleSheet(i == page ? SelectedTabStyle() : UnselectedTabStyle());
}

void CVarrow::OnBtnClickedViewState()
{
    ShowPage(0);
}

void CVarrow::OnBtnClickedViewRec()
{
    ShowPage(1);
}

void CVarrow::OnBtnClicekdViewLog()
{
    ShowPage(2);
}

void CVarrow::OnBtnClickedConfig()
{
    CDlgSet dialog(this);
    // Direct calls during the dialog's modal loop: a page learns of a change while the dialog is still open.
    if (m_pViewRecord != nullptr)
        connect(&dialog, &CDlgSet::SignalDeviceChanged, m_pViewRecord, &CViewRecord::ResetGroup);
    if (m_pViewState != nullptr) {
        connect(&dialog, &CDlgSet::StopThread, m_pViewState, &CViewState::StopBackup);
        connect(&dialog, &CDlgSet::UpdateGroup, m_pViewState, &CViewState::ResetBackup);
        connect(&dialog, &CDlgSet::DiskChanged, m_pViewState, &CViewState::ResetLocal);
        connect(&dialog, &CDlgSet::BackupModeChanged, m_pViewState, &CViewState::ResetLocal);
        connect(&dialog, &CDlgSet::ManualDeviceChanged, m_pViewState, &CViewState::ResetManualBackup);
        connect(&dialog, &CDlgSet::PauseManualBackup, m_pViewState, &CViewState::PauseManualBackup);
    }
    dialog.exec();
}

void CVarrow::OnBtnClickedAbout()
{
    // Over the window wherever it was moved, as every other dialog opens.
    CDlgAbout about(this);
    about.exec();
}

void CVarrow::UpdateNetFlux()
{
    const double kilobytes = m_netTraffic.ReadTraffic(0) / 1024.0;
    ui.pLabelData->setText(QString::asprintf("%.1f KB/S", kilobytes));
}

void CVarrow::closeEvent(QCloseEvent* event)
{
    // A close request that comes after the confirmed close (before the queued quit ends the loop) finds
    // everything taken down already.
    if (m_bClosed) {
        event->accept();
        return;
    }
    if (ShowConfirmMsgBox(tr("Confirm"), tr("Sure to close software"), this) != 1) {
        event->ignore();
        return;
    }
    CloseSoftware();
    event->accept();
}

void CVarrow::CloseSoftware()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    m_pTimer->stop();
    // The state page's destruction stops and waits for every engine thread; only then may the storage object
    // go.
    delete m_pViewState.data();
    delete m_pViewRecord.data();
    delete m_pSearchLog.data();
    ReleaseStorage();
    if (m_pWatchDog)
        m_pWatchDog->Stop();
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_STOP_SOFTWARE, tr("Close Software"));
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

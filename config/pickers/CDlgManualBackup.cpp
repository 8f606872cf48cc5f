#include "config/pickers/CDlgManualBackup.h"

#include "widgets/calendar/CDateTimeEdit.h"

#include "model/SysInfoManage.h"
#include "widgets/dialogs/CCheckBox.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/views/ItemDataRole.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>
#include <QTimer>

namespace {

NET_DVR_TIME ToSdkTime(const QDateTime& when)
{
    NET_DVR_TIME time{};
    time.Year = uint32_t(when.date().year());
    time.Month = uint32_t(when.date().month());
    time.Day = uint32_t(when.date().day());
    time.Hour = uint32_t(when.time().hour());
    time.Minute = uint32_t(when.time().minute());
    time.Second = uint32_t(when.time().second());
    return time;
}

} // namespace

void CDlgManualBackupClass::setupUi(QWidget* content)
{
    gridLayout = new QGridLayout(content);
    gridLayout->setContentsMargins(10, 8, 10, 4);

    pLabelStart = new QLabel(content);
    pLabelStart->setObjectName(QStringLiteral("pLabelStart"));
    pLabelStart->setMinimumWidth(100);
    gridLayout->addWidget(pLabelStart, 0, 0);
    pDtStart = new QDateTimeEdit(content);
    pDtStart->setObjectName(QStringLiteral("pDtStart"));
    // The program's one date format, whatever the language: the locale's short one drops the seconds.
    pDtStart->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    CSectionTyping::Attach(pDtStart);
    gridLayout->addWidget(pDtStart, 0, 1);
    gridLayout->addItem(new QSpacerItem(10, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 2);
    pComEnd = new QLabel(content);
    pComEnd->setObjectName(QStringLiteral("pComEnd"));
    pComEnd->setMinimumWidth(90);
    gridLayout->addWidget(pComEnd, 0, 3);
    pDtEnd = new QDateTimeEdit(content);
    pDtEnd->setObjectName(QStringLiteral("pDtEnd"));
    pDtEnd->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    CSectionTyping::Attach(pDtEnd);
    gridLayout->addWidget(pDtEnd, 0, 4);

    pLabelType = new QLabel(content);
    pLabelType->setObjectName(QStringLiteral("pLabelType"));
    gridLayout->addWidget(pLabelType, 1, 0);
    pCombType = new CComboBox(content);
    pCombType->setObjectName(QStringLiteral("pCombType"));
    gridLayout->addWidget(pCombType, 1, 1);

    pFrameDevice = new QFrame(content);
    pFrameDevice->setObjectName(QStringLiteral("pFrameDevice"));
    pFrameDevice->setMinimumWidth(571);
    gridLayout->addWidget(pFrameDevice, 2, 0, 1, 5);
    gridLayout->setRowStretch(2, 1);
    pGridLayoutDevice = new QGridLayout(pFrameDevice);
    pGridLayoutDevice->setObjectName(QStringLiteral("pGridLayoutDevice"));
    pGridLayoutDevice->setContentsMargins(0, 6, 0, 0);
    auto* header = new QGridLayout;
    pLabelDevice = new QLabel(pFrameDevice);
    pLabelDevice->setObjectName(QStringLiteral("pLabelDevice"));
    header->addWidget(pLabelDevice, 0, 0, 1, 2);
    pCombDevice = new CComboBox(pFrameDevice);
    pCombDevice->setObjectName(QStringLiteral("pCombDevice"));
    pCombDevice->setMinimumWidth(171);
    header->addWidget(pCombDevice, 1, 0);
    pBtnRefresh = new CPushButton(pFrameDevice);
    pBtnRefresh->setObjectName(QStringLiteral("pBtnRefresh"));
    pBtnRefresh->setMinimumWidth(75);
    header->addWidget(pBtnRefresh, 1, 1);
    header->setColumnStretch(2, 1);
    pGridLayoutDevice->addLayout(header, 0, 0, 1, 2);
    pGridLayoutDevice->setRowStretch(1, 1);

    pCheckboxAutoToShedule = new CCheckBox(content);
    pCheckboxAutoToShedule->setObjectName(QStringLiteral("pCheckboxAutoToShedule"));
    gridLayout->addWidget(pCheckboxAutoToShedule, 3, 0, 1, 5);

    retranslateUi();
}

void CDlgManualBackupClass::retranslateUi()
{
    pLabelStart->setText(QCoreApplication::translate("CDlgManualBackupClass", "File Start Time:"));
    pComEnd->setText(QCoreApplication::translate("CDlgManualBackupClass", "File End Time:"));
    pLabelType->setText(QCoreApplication::translate("CDlgManualBackupClass", "File Type:"));
    pLabelDevice->setText(QCoreApplication::translate("CDlgManualBackupClass", "Backup Camers:"));
    pBtnRefresh->setText(QCoreApplication::translate("CDlgManualBackupClass", "Refresh"));
    pCheckboxAutoToShedule->setText(QCoreApplication::translate(
        "CDlgManualBackupClass", "Chang to auto backup after manual backup finished"));
}

CDlgManualBackup::CDlgManualBackup(QWidget* parent) : CChannelPickerDialog(parent)
{
    m_form.setupUi(GetContentFrame());
    setFixedSize(600, 700);
    ShowCloseBtn(true);
    SetTitle(tr("Manual Backup"));
    setWindowTitle(tr("Manual Backup"));

    // A cancelled dialog leaves no manual backup behind.
    if (g_pSysInfoManage != nullptr)
        g_pSysInfoManage->ClearManualBackupInfo();

    CreatePictures(m_form.pGridLayoutDevice, m_form.pCombDevice);
    connect(this, &QDialog::rejected, this, &CChannelPickerDialog::OnCancelFindpic);
    m_pPicTimer->start(500);
    OnBtnClickedRefresh();
    InitDialog();

    SetOkBtnAccept(false);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CDlgManualBackup::OnBtnClickedOK);
    connect(m_form.pCombDevice, &QComboBox::currentIndexChanged, this, &CChannelPickerDialog::DeviceChanged);
    connect(m_form.pBtnRefresh, &QPushButton::clicked, this, &CDlgManualBackup::OnBtnClickedRefresh);
}

CDlgManualBackup::~CDlgManualBackup() = default;

void CDlgManualBackup::InitDialog()
{
    m_form.pCombType->addItem(tr("All"), 0);
    m_form.pCombType->addItem(tr("Schedule"), 1);
    m_form.pCombType->addItem(tr("Motion Detection"), 2);
    m_form.pCombType->addItem(tr("Alarm"), 3);
    m_form.pCombType->addItem(tr("Manual Record"), 8);
    m_form.pCombType->setCurrentIndex(0);
    m_form.pDtStart->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0, 0)));
    m_form.pDtEnd->setDateTime(QDateTime::currentDateTime());
    FillDeviceCombo();
}

void CDlgManualBackup::OnBtnClickedRefresh()
{
    ReloadPictures();
}

void CDlgManualBackup::OnBtnClickedCancel()
{
    emit rejected();
}

void CDlgManualBackup::OnBtnClickedOK()
{
    const QDateTime start = m_form.pDtStart->dateTime();
    const QDateTime end = m_form.pDtEnd->dateTime();
    if (start.secsTo(end) < 0) {
        ShowInfoMsgBox(tr("Information"), tr("The end time is earlier than start time"), this);
        return;
    }

    MANUAL_BACKUP_INFO info;
    int taken = 0;
    for (const PICKED_CHANNEL& picked : SelectedChannels()) {
        if (taken == MAX_GROUP_CHANNEL_NUM) {
            ShowInfoMsgBox(tr("Information"), tr("Exceed the maximum camera number"), this);
            return;
        }
        info.Channel[taken].DeviceID = int16_t(picked.DeviceSlot);
        info.Channel[taken].CameraIndex = picked.CameraIndex;
        ++taken;
    }
    info.FileType = m_form.pCombType->currentData(ROLE_USER_DATA).toUInt();
    info.IsChange = m_form.pCheckboxAutoToShedule->isChecked() ? 1 : 0;
    info.FileStartTime = ToSdkTime(start);
    info.FileEndTime = ToSdkTime(end);

    SYSTEM_CONFIG system;
    if (g_pSysInfoManage != nullptr)
        g_pSysInfoManage->GetSystemConfig(&system);
    if (system.Disk[0] == '\0') {
        ShowInfoMsgBox(tr("Information"), tr("Please Select Disk!"), this);
        return;
    }
    if (taken == 0) {
        ShowInfoMsgBox(tr("Information"), tr("None camer was selected"), this);
        return;
    }
    g_pSysInfoManage->SetManualBackupInfo(&info);
    g_pSysInfoManage->SetBackupMode(1);
    StopLoader();
    accept();
}

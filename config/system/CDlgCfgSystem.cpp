#include "config/system/CDlgCfgSystem.h"

#include "config/FieldRules.h"
#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "platform/AutoStart.h"
#include "platform/DriveMap.h"
#include "widgets/dialogs/BusyWait.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/views/CTableView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

template <size_t N> bool SameField(const char (&a)[N], const char (&b)[N])
{
    return std::memcmp(a, b, N) == 0;
}

// A record's local 8-bit text up to its terminator, or the whole field when it has none.
template <size_t N> QString FieldText(const char (&field)[N])
{
    return LocalToQString(QByteArray(field, qsizetype(strnlen(field, N))).constData());
}

} // namespace

CDlgCfgSystem::CDlgCfgSystem(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    m_sysConfig = SYSTEM_CONFIG();
    connect(ui.m_pBtnTestConnection, &QPushButton::clicked, this, &CDlgCfgSystem::OnBtnClickedTestConnection);
    connect(ui.m_pcheckBoxAutoStart, &QCheckBox::stateChanged, this, &CDlgCfgSystem::OnCheckBoxAutoStart);
    connect(ui.m_pcheckBoxEmail, &QCheckBox::stateChanged, this, &CDlgCfgSystem::OnCheckBoxEmail);
    InitControls();
    LoadConfig();
    // Watched only now: the ticks the page loads are not the operator's.
    connect(ui.m_ptreeViewDisk->model(), &QAbstractItemModel::dataChanged, this, &CDlgCfgSystem::OnDiskTicks);
}

CDlgCfgSystem::~CDlgCfgSystem() = default;

void CDlgCfgSystem::InitControls()
{
    ui.m_pcheckBoxAutoStart->setChecked(false);
    ui.m_plineEditOSUserName->setMaxLength(20);
    ui.m_plineEditOSUserName->setValidator(NoApostropheValidator(kOSTextBytes, this));
    ui.m_plineEditOSUserName->setEnabled(false);
    ui.m_plineEditOSPassWord->setMaxLength(kOSTextBytes);
    ui.m_plineEditOSPassWord->setEchoMode(QLineEdit::Password);
    ui.m_plineEditOSPassWord->setValidator(NoApostropheValidator(kOSTextBytes, this));
    ui.m_plineEditOSPassWord->setEnabled(false);
    ui.m_pRadioBtnContinue->setChecked(true);
    InitMailControls();
    FillDiskTable();
}

QString CDlgCfgSystem::SpaceText(qint64 bytes, bool known)
{
    if (!known)
        return QStringLiteral("-");
    const float gigabytes = float(double(std::max<qint64>(bytes, 0)) / 1073741824.0);
    return QString::asprintf("%0.1f GB", double(gigabytes));
}

QList<DRIVE_INFO> CDlgCfgSystem::ReadDrives()
{
    // Reading the map looks at every letter's volume, and one may not answer (a share whose server went
    // silent): the reading runs off the window's thread, so the window stays live while it lasts.
    auto read = std::make_shared<QList<DRIVE_INFO>>();
    m_drivesUnread = false;
    if (BusyWait::Run(this, tr("Reading the disks..."), [read] { *read = CDriveMap::GetDrives(); }))
        return *read;
    // Cancelled: the letters the map file lists, none looked at, so none with a size. Each is taken as not
    // answering, so that a ticked letter keeps its row and its tick, and OK keeps it chosen; it is said as
    // not read, as nothing is known of it.
    m_drivesUnread = true;
    QList<DRIVE_INFO> drives;
    const QMap<char, QString> map = CDriveMap::MapFileLetters();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        DRIVE_INFO drive;
        drive.Letter = it.key();
        drive.Path = it.value();
        drive.Answers = false;
        drives.append(drive);
    }
    return drives;
}

void CDlgCfgSystem::GetFixedDisks()
{
    const QList<DRIVE_INFO> drives = ReadDrives();
    int next = 0;
    m_diskPaths.clear();
    for (const DRIVE_INFO& drive : drives) {
        if (next >= MAX_LOCAL_DISK_NUM)
            break;
        // A folder that has gone keeps its letter and its row, so a chosen disk is never silently replaced;
        // so does one whose volume does not answer (a share whose server went silent), which is said as such.
        if (!drive.Answers)
            m_diskPaths.append(m_drivesUnread ? tr("%1 (not read)").arg(drive.Path)
                                              : tr("%1 (does not answer)").arg(drive.Path));
        else
            m_diskPaths.append(drive.Exists ? drive.Path : tr("%1 (not found)").arg(drive.Path));
        LOCAL_DISK_INFO& disk = m_diskInfo[next++];
        // A volume whose size cannot be read (its directory is missing or unmounted) reports no size at all.
        const bool known = drive.TotalBytes > 0;
        CopyStringN(disk.TotalSpace, SpaceText(drive.TotalBytes, known).toStdString());
        CopyStringN(disk.FreeSpace, SpaceText(drive.FreeBytes, known).toStdString());
        disk.Letter = drive.Letter;
        disk.IsSelected = 0;
        disk.IsValid = 1;
    }
}

void CDlgCfgSystem::FillDiskTable()
{
    GetFixedDisks();
    CTableView* view = ui.m_ptreeViewDisk;
    view->SetHeaderLabels({tr("  "), tr("Disk"), tr("Total Space"), tr("Free Space"), tr("Folder")});
    view->SetHeaderChecked(0, false);
    const int widths[] = {60, 75, 105, 105};
    for (int column = 0; column < 4; ++column)
        view->setColumnWidth(column, widths[column]);
    view->setSortingEnabled(true);
    ui.m_plabelDiskHint->setText(
        tr("A disk is a folder: a line such as \"D=/srv/backup1\" in %1 makes it one (the program then "
           "writes into its Records folder). Fixed volumes are listed there by themselves.")
            .arg(CDriveMap::MapFilePath()));
    for (int index = 0; index < MAX_LOCAL_DISK_NUM; ++index) {
        const LOCAL_DISK_INFO& disk = m_diskInfo[index];
        if (disk.IsValid != 1)
            continue;
        const int row = view->AppendRow();
        if (row < 0)
            continue;
        view->SetItemChecked(row, 0, false);
        view->SetItemText(row, 1, QString(QLatin1Char(disk.Letter)));
        view->SetItemText(row, 2, QString::fromLatin1(disk.TotalSpace));
        view->SetItemText(row, 3, QString::fromLatin1(disk.FreeSpace));
        view->SetItemText(row, 4, m_diskPaths.value(index));
        view->SetItemData(row, 4, m_diskPaths.value(index), Qt::ToolTipRole);
    }
}

void CDlgCfgSystem::LoadConfig()
{
    g_pSysInfoManage->GetSystemConfig(&m_sysConfig);
    g_pSysInfoManage->GetMailConfig(&m_mailConfig);
    m_sysConfigOld = m_sysConfig;
    m_mailConfigOld = m_mailConfig;

    ui.m_pcheckBoxAutoStart->setChecked(m_sysConfig.IsAutoRun != 0);
    ui.m_plineEditOSUserName->setText(FieldText(m_sysConfig.OSUsername));
    ui.m_plineEditOSPassWord->setText(FieldText(m_sysConfig.OSPassword));
    ui.m_plineEditOSUserName->setEnabled(m_sysConfig.IsAutoRun != 0);
    ui.m_plineEditOSPassWord->setEnabled(m_sysConfig.IsAutoRun != 0);
    ui.m_pRadioBtnContinue->setChecked(m_sysConfig.DiskMode == 0);
    ui.m_pRadioBtnStop->setChecked(m_sysConfig.DiskMode != 0);
    LoadMailConfig();

    // Every stored letter ticks its row, wherever it stands: one letter whose drive is gone must not untick
    // the letters after it (a save would then drop them unasked).
    const int rows = ui.m_ptreeViewDisk->GetRowCount();
    for (int row = 0; row < rows; ++row) {
        const QString text = ui.m_ptreeViewDisk->GetItemText(row, 1);
        if (text.isEmpty())
            continue;
        const char letter = text.at(0).toLatin1();
        if (letter != 0 && std::memchr(m_sysConfig.Disk, letter, sizeof m_sysConfig.Disk) != nullptr)
            ui.m_ptreeViewDisk->SetItemChecked(row, 0, true);
    }
}

void CDlgCfgSystem::OnCheckBoxAutoStart(int state)
{
    ui.m_plineEditOSUserName->setEnabled(state != 0);
    ui.m_plineEditOSPassWord->setEnabled(state != 0);
}

void CDlgCfgSystem::ShowFieldTip(QLineEdit* edit, const QString& text)
{
    Q_EMIT FieldRefused();
    edit->setFocus();
    CToolTip::ShowTextAt(edit, text, edit);
}

void CDlgCfgSystem::OnDiskTicks(const QModelIndex& from, const QModelIndex& to, const QList<int>& roles)
{
    if (from.column() > 0 || (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole)))
        return;
    CTableView* view = ui.m_ptreeViewDisk;
    for (int row = from.row(); row <= to.row(); ++row) {
        const QString text = view->GetItemText(row, 1);
        if (text.isEmpty() || view->GetItemData(row, 0, Qt::CheckStateRole).toInt() != Qt::Unchecked)
            continue;
        const char letter = text.at(0).toLatin1();
        if (letter != 0 && !m_untickedLetters.contains(letter))
            m_untickedLetters.append(letter);
    }
}

QByteArray CDlgCfgSystem::ChosenAgain() const
{
    QByteArray again;
    for (const LOCAL_DISK_INFO& disk : m_diskInfo) {
        if (disk.IsSelected == 1 && m_untickedLetters.contains(disk.Letter) &&
            std::memchr(m_sysConfigOld.Disk, disk.Letter, sizeof m_sysConfigOld.Disk) != nullptr)
            again.append(disk.Letter);
    }
    return again;
}

bool CDlgCfgSystem::IsDiskChanged() const
{
    char chosen[sizeof(SYSTEM_CONFIG::Disk)] = {};
    size_t next = 0;
    for (const LOCAL_DISK_INFO& disk : m_diskInfo) {
        if (disk.IsSelected == 1 && next < sizeof chosen)
            chosen[next++] = disk.Letter;
    }
    // A letter unticked and ticked again is chosen again: a change of disks like any other.
    return std::memcmp(chosen, m_sysConfigOld.Disk, sizeof chosen) != 0 || !ChosenAgain().isEmpty();
}

bool CDlgCfgSystem::IsConfigChanged() const
{
    // The backup mode is the state page's, not this page's: it is left out.
    const SYSTEM_CONFIG& a = m_sysConfig;
    const SYSTEM_CONFIG& b = m_sysConfigOld;
    const bool systemSame = a.IsAutoRun == b.IsAutoRun && SameField(a.OSUsername, b.OSUsername) &&
                            SameField(a.OSPassword, b.OSPassword) && a.DiskMode == b.DiskMode &&
                            SameField(a.Disk, b.Disk) && a.IsEnableEmail == b.IsEnableEmail &&
                            a.ReconnetNum == b.ReconnetNum;
    const MAIL_CONFIG& m = m_mailConfig;
    const MAIL_CONFIG& n = m_mailConfigOld;
    const bool mailSame = SameField(m.SMTPAddr, n.SMTPAddr) && SameField(m.MailFrom, n.MailFrom) &&
                          SameField(m.MailTo, n.MailTo) && SameField(m.MailCc, n.MailCc) &&
                          SameField(m.MailName, n.MailName) && SameField(m.MailPassword, n.MailPassword) &&
                          SameField(m.Body, n.Body) && SameField(m.Subject, n.Subject) &&
                          m.SMTPPort == n.SMTPPort;
    return !systemSame || !mailSame;
}

bool CDlgCfgSystem::Save()
{
    return OnBtnClickedOK();
}

bool CDlgCfgSystem::OnBtnClickedOK()
{
    m_sysConfig.IsAutoRun = ui.m_pcheckBoxAutoStart->isChecked() ? 1 : 0;
    const QString userName = ui.m_plineEditOSUserName->text().trimmed();
    const QString password = ui.m_plineEditOSPassWord->text();
    if (userName.isEmpty() && !password.isEmpty()) {
        ui.m_plineEditOSUserName->setFocus();
        ShowFieldTip(ui.m_plineEditOSUserName, tr("User name cannot be empty"));
        return false;
    }
    // The fields hold at most what the record stores, so nothing is cut here.
    CopyString44(m_sysConfig.OSUsername, QStringToStdString(userName));
    CopyString44(m_sysConfig.OSPassword, QStringToStdString(password));
    m_sysConfig.DiskMode = ui.m_pRadioBtnContinue->isChecked() ? 0 : 1;
    if (!TakeMailValues(m_sysConfig, m_mailConfig))
        return false;

    std::memset(m_sysConfig.Disk, 0, sizeof m_sysConfig.Disk);
    size_t next = 0;
    const int rows = ui.m_ptreeViewDisk->GetRowCount();
    for (int row = 0; row < MAX_LOCAL_DISK_NUM; ++row) {
        LOCAL_DISK_INFO& disk = m_diskInfo[row];
        const bool ticked =
            row < rows &&
            ui.m_ptreeViewDisk->GetItemData(row, 0, Qt::CheckStateRole).toInt() != Qt::Unchecked;
        disk.IsSelected = ticked && disk.IsValid == 1 ? 1 : 0;
        if (disk.IsSelected == 1 && next < sizeof m_sysConfig.Disk)
            m_sysConfig.Disk[next++] = disk.Letter;
    }
    if (next == 0) {
        Q_EMIT FieldRefused();
        ShowInfoMsgBox(tr("Information"), tr("Please Select Disk!"), this);
        return false;
    }

    bool disksChanged = false;
    if (IsDiskChanged()) {
        // Only OK counts as yes; a closed box is a no.
        if (ShowConfirmMsgBox(tr("Information"), tr("Modify Disk need to reboot Backup,Are you sure?"),
                              this) != 1)
            return false;
        disksChanged = true;
    }
    const bool modeChanged = m_sysConfig.DiskMode != m_sysConfigOld.DiskMode;
    const QByteArray chosenAgain = ChosenAgain();

    if (IsConfigChanged() || !chosenAgain.isEmpty()) {
        // The state page may have switched the backup mode while this dialog was open: keep the model's.
        SYSTEM_CONFIG current;
        g_pSysInfoManage->GetSystemConfig(&current);
        m_sysConfig.BackupMode = current.BackupMode;
        // The mail settings first: when they are refused, nothing the state page depends on has changed.
        if (!g_pSysInfoManage->SetMailConfig(&m_mailConfig) ||
            !g_pSysInfoManage->SetSystemConfig(&m_sysConfig)) {
            ShowInfoMsgBox(tr("Error"), tr("The settings could not be saved."), this);
            return false;
        }
        const bool lettersChanged = !SameField(m_sysConfig.Disk, m_sysConfigOld.Disk);
        char chosenBefore[sizeof m_sysConfigOld.Disk];
        std::memcpy(chosenBefore, m_sysConfigOld.Disk, sizeof chosenBefore);
        // A later save in this opening (OK again after another page refused) compares with what is stored
        // now, so that taking a change back is stored too.
        m_sysConfigOld = m_sysConfig;
        m_mailConfigOld = m_mailConfig;
        m_untickedLetters.clear();
        // A letter chosen again after it was set up once (newly ticked, or unticked and ticked again in this
        // opening) takes the folder found there at the next set-up, whatever mark it holds: the operator's
        // choice, said by that set-up.
        std::map<char, DISK_MARK> marks;
        if ((lettersChanged || !chosenAgain.isEmpty()) && DbSelectDiskMarks(&marks)) {
            for (const char letter : m_sysConfig.Disk) {
                const bool again =
                    letter != '\0' && (chosenAgain.contains(letter) ||
                                       std::memchr(chosenBefore, letter, sizeof chosenBefore) == nullptr);
                if (again && marks.count(letter) != 0 && !marks[letter].Mark.empty() &&
                    !DbSaveDiskMark(letter, {marks[letter].Folder, {}}))
                    qWarning() << "settings: the mark of disk" << letter << "could not be dropped";
            }
        }
        if (disksChanged)
            Q_EMIT DiskChanged();
        if (modeChanged)
            Q_EMIT BackupModeChanged(m_sysConfig.DiskMode);
        if (lettersChanged || !chosenAgain.isEmpty())
            WriteLog(LOG_TYPE_OPERATION, LOG_SUB_CONFIG_DISK, tr("Change Disk Config"));
    }
    // The settings are stored and the state page told by now: refusing the OK would hide that and block the
    // pages after this one. The failure is said, and what was saved stays.
    if (!SetAutoRun(m_sysConfig.IsAutoRun != 0))
        ShowInfoMsgBox(tr("Error"),
                       tr("The automatic start could not be set up. The other settings were saved."), this);
    return true;
}

bool CDlgCfgSystem::SetAutoRun(bool autoRun)
{
    const QString userName = FieldText(m_sysConfig.OSUsername);
    const QString password = FieldText(m_sysConfig.OSPassword);
    CAutoStart& layer = CAutoStart::Current();
    // The log-on is on only with auto-start and an account; the account is kept whenever one is given, and an
    // empty user name leaves the kept one as it was.
    AUTO_LOGON logon;
    logon.Enabled = autoRun && !userName.isEmpty();
    logon.UserName = userName;
    logon.Password = password;
    const bool logonOk = layer.SetAutoLogon(logon, !userName.isEmpty());
    const bool entryOk = layer.SetRunEntry(autoRun, QCoreApplication::applicationFilePath());
    return logonOk && entryOk;
}

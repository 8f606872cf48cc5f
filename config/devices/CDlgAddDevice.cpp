#include "config/devices/CDlgAddDevice.h"

#include "config/FieldRules.h"
#include "config/devices/CDlgCfgDevice.h"
#include "config/devices/DeviceFields.h"
#include "model/DbAccess.h"
#include "model/DeviceErrors.h"
#include "model/HostAddress.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "sdk/DeviceSdk.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CRegExpValidator.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstring>

namespace {

// Ends a check login on every path out of the modify.
class CLoginGuard
{
public:
    explicit CLoginGuard(int32_t login) : m_login(login) {}
    ~CLoginGuard()
    {
        if (m_login >= 0)
            NET_DVR_Logout_V30(m_login);
    }
    CLoginGuard(const CLoginGuard&) = delete;
    CLoginGuard& operator=(const CLoginGuard&) = delete;

private:
    int32_t m_login;
};

QLabel* Caption(QFrame* frame, const char* name)
{
    auto* label = new QLabel(frame);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* Field(QFrame* frame, const char* name)
{
    auto* edit = new QLineEdit(frame);
    edit->setObjectName(QLatin1String(name));
    edit->setMinimumHeight(24);
    return edit;
}

} // namespace

QString CDlgAddDevice::LoginFailedText(uint32_t error)
{
    return tr("Log in failed") + QLatin1Char('\n') + LoginFailureReason(error);
}

std::vector<GROUP_CHANGED> ChangedGroups(const std::vector<int>& groups)
{
    std::vector<int> plans = groups;
    std::sort(plans.begin(), plans.end());
    plans.erase(std::unique(plans.begin(), plans.end()), plans.end());
    std::vector<GROUP_CHANGED> changed;
    for (int slot : plans) {
        GROUP_CHANGED item;
        item.GroupID = slot;
        if (const GROUP_INFO* group = g_pSysInfoManage->GetGroupInfo(slot))
            std::memcpy(item.GroupName, group->GroupName, sizeof item.GroupName);
        changed.push_back(item);
    }
    return changed;
}

void CDlgAddDeviceClass::setupUi(QFrame* frame)
{
    frame->setObjectName(QStringLiteral("DlgAddDevice"));
    gridLayout = new QGridLayout(frame);
    gridLayout->setContentsMargins(24, 16, 24, 12);
    gridLayout->setHorizontalSpacing(12);
    gridLayout->setVerticalSpacing(10);
    m_pLabelMethod = Caption(frame, "m_pLabelMethod");
    m_pcomboBoxAddDevice = new CComboBox(frame);
    m_pcomboBoxAddDevice->setObjectName(QStringLiteral("m_pcomboBoxAddDevice"));
    m_pcomboBoxAddDevice->setMinimumHeight(24);
    m_pLabelName = Caption(frame, "m_pLabelName");
    m_plineEditDeviceName = Field(frame, "m_plineEditDeviceName");
    m_pLabelIP = Caption(frame, "m_pLabelIP");
    m_plineEditDeviceIP = Field(frame, "m_plineEditDeviceIP");
    m_pLabelPort = Caption(frame, "m_pLabelPort");
    m_plineEditDevicePort = Field(frame, "m_plineEditDevicePort");
    m_pLabelUser = Caption(frame, "m_pLabelUser");
    m_plineEditDeviceUserName = Field(frame, "m_plineEditDeviceUserName");
    m_pLabelPassword = Caption(frame, "m_pLabelPassword");
    m_plineEditDevicePassWord = Field(frame, "m_plineEditDevicePassWord");
    m_pLabelFlowCtrl = Caption(frame, "m_pLabelFlowCtrl");
    m_plineEditDeviceStreamCtrl = Field(frame, "m_plineEditDeviceStreamCtrl");

    const QList<QPair<QLabel*, QWidget*>> rows = {
        {m_pLabelMethod, m_pcomboBoxAddDevice},
        {m_pLabelName, m_plineEditDeviceName},
        {m_pLabelIP, m_plineEditDeviceIP},
        {m_pLabelPort, m_plineEditDevicePort},
        {m_pLabelUser, m_plineEditDeviceUserName},
        {m_pLabelPassword, m_plineEditDevicePassWord},
        {m_pLabelFlowCtrl, m_plineEditDeviceStreamCtrl},
    };
    for (int row = 0; row < rows.size(); ++row) {
        gridLayout->addWidget(rows[row].first, row, 0);
        gridLayout->addWidget(rows[row].second, row, 1);
    }
    gridLayout->setColumnStretch(1, 1);
    QWidget::setTabOrder(m_pcomboBoxAddDevice, m_plineEditDeviceName);
    QWidget::setTabOrder(m_plineEditDeviceName, m_plineEditDeviceIP);
    QWidget::setTabOrder(m_plineEditDeviceIP, m_plineEditDevicePort);
    QWidget::setTabOrder(m_plineEditDevicePort, m_plineEditDeviceUserName);
    QWidget::setTabOrder(m_plineEditDeviceUserName, m_plineEditDevicePassWord);
    QWidget::setTabOrder(m_plineEditDevicePassWord, m_plineEditDeviceStreamCtrl);
    retranslateUi();
}

void CDlgAddDeviceClass::retranslateUi()
{
    m_pLabelMethod->setText(CDlgAddDevice::tr("Method"));
    m_pLabelName->setText(CDlgAddDevice::tr("Device name"));
    m_pLabelIP->setText(CDlgAddDevice::tr("IP Address"));
    m_pLabelPort->setText(CDlgAddDevice::tr("Port"));
    m_pLabelUser->setText(CDlgAddDevice::tr("User Name"));
    m_pLabelPassword->setText(CDlgAddDevice::tr("Password"));
    m_pLabelFlowCtrl->setText(CDlgAddDevice::tr("FlowCtrl(KB/S)"));
}

CDlgAddDevice::CDlgAddDevice(const QModelIndex& index, const DEVICE_INFO* device, QWidget* parent)
    : CBaseDialog(parent, true, true, true), m_pCfgDevice(qobject_cast<CDlgCfgDevice*>(parent))
{
    m_ui.setupUi(GetContentFrame());
    m_pLabelBusy = new QLabel(tr("Connecting to the device..."), CBaseDialog::ui.m_pBottomFrame);
    m_pLabelBusy->setObjectName(QStringLiteral("m_pLabelBusy"));
    // Beside OK and Cancel in a narrow dialog: the words wrap onto a second line rather than being cut.
    m_pLabelBusy->setWordWrap(true);
    m_pLabelBusy->hide();
    CBaseDialog::ui.gridLayout_2->addWidget(m_pLabelBusy, 0, 0);
    setFixedSize(330, 350);
    ShowCloseBtn(true);
    SetOkBtnAccept(false);

    // OK, and Return or Enter that the focused field leaves to the dialog, run the checks; they never accept
    // the dialog past them.
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CDlgAddDevice::OnBtnClickedOK);
    connect(m_ui.m_pcomboBoxAddDevice, &QComboBox::currentIndexChanged, this,
            &CDlgAddDevice::ChangeToAddDNSDevice);

    InitDialog(index, device);
}

CDlgAddDevice::~CDlgAddDevice() = default;

CDlgAddDevice::CBusySign::CBusySign(CDlgAddDevice* dialog) : m_dialog(dialog)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_dialog->GetContentFrame()->setEnabled(false);
    m_dialog->CBaseDialog::ui.pOkBtn->setEnabled(false);
    m_dialog->CBaseDialog::ui.pCancelBtn->setEnabled(false);
    m_dialog->m_pLabelBusy->show();
    // Drawn now: the login blocks this thread, so no later paint would show the sign.
    m_dialog->repaint();
}

CDlgAddDevice::CBusySign::~CBusySign()
{
    m_dialog->m_pLabelBusy->hide();
    m_dialog->CBaseDialog::ui.pCancelBtn->setEnabled(true);
    m_dialog->CBaseDialog::ui.pOkBtn->setEnabled(true);
    m_dialog->GetContentFrame()->setEnabled(true);
    QGuiApplication::restoreOverrideCursor();
}

void CDlgAddDevice::InitDialog(const QModelIndex& index, const DEVICE_INFO* device)
{
    Q_UNUSED(index)
    const DEVICE_INFO given = device != nullptr ? *device : DEVICE_INFO();
    m_ui.m_pcomboBoxAddDevice->addItem(tr("IP Mode"), 0);
    m_ui.m_pcomboBoxAddDevice->addItem(tr("Domain Mode"), 1);

    m_ui.m_plineEditDeviceName->setMaxLength(DeviceFields::kNameBytes);
    m_ui.m_plineEditDeviceName->setValidator(new CRegExpValidator(DeviceFields::kNameBytes, this));
    m_ui.m_plineEditDeviceIP->setMaxLength(DeviceFields::kAddressFieldChars);
    m_ui.m_plineEditDeviceIP->setValidator(NoApostropheValidator(DeviceFields::kDomainBytes, this));
    m_ui.m_plineEditDevicePort->setMaxLength(DeviceFields::kNumberFieldChars);
    m_ui.m_plineEditDevicePort->setValidator(DigitsValidator(this));
    m_ui.m_plineEditDeviceUserName->setMaxLength(DeviceFields::kUserFieldChars);
    // The stored user name keeps a byte for its terminator: 31 bytes, not the 32 characters the field shows.
    m_ui.m_plineEditDeviceUserName->setValidator(NoApostropheValidator(DeviceFields::kUserBytes, this));
    m_ui.m_plineEditDevicePassWord->setMaxLength(DeviceFields::kPasswordChars);
    // The record's 255 bytes hold far more than the 16 characters the field takes.
    m_ui.m_plineEditDevicePassWord->setValidator(
        NoApostropheValidator(int(sizeof(DEVICE_INFO::Password)) - 1, this));
    m_ui.m_plineEditDevicePassWord->setEchoMode(QLineEdit::Password);
    m_ui.m_plineEditDeviceStreamCtrl->setMaxLength(DeviceFields::kNumberFieldChars);
    m_ui.m_plineEditDeviceStreamCtrl->setValidator(DigitsValidator(this));

    if (given.Port != 0) {
        m_bModify = true;
        SetTitle(tr("Modify Device"));
        m_ui.m_plineEditDeviceName->setText(LocalToQString(given.DeviceName));
        m_ui.m_plineEditDeviceUserName->setText(LocalToQString(given.Username));
        m_ui.m_plineEditDevicePassWord->setText(LocalToQString(given.Password));
        m_ui.m_plineEditDevicePort->setText(QString::number(given.Port));
        m_ui.m_plineEditDeviceStreamCtrl->setText(
            given.FlowCtrlValue == -1 ? QString() : QString::number(given.FlowCtrlValue));
        if (given.ConnectMode != 0) {
            m_ui.m_pcomboBoxAddDevice->setCurrentIndex(1);
            m_ui.m_pLabelIP->setText(tr("Domain Mode"));
            m_ui.m_plineEditDeviceIP->setText(LocalToQString(given.Domain));
        } else {
            m_ui.m_pcomboBoxAddDevice->setCurrentIndex(0);
            m_ui.m_pLabelIP->setText(tr("IP Mode"));
            m_ui.m_plineEditDeviceIP->setText(LocalToQString(given.DeviceIP));
        }
    } else {
        m_bModify = false;
        SetTitle(tr("Add Device"));
    }
    m_newDevice = given;
    m_oldDevice = given;
    // The combo's first item ran ChangeToAddDNSDevice before the copy: the mode follows the combo.
    m_newDevice.ConnectMode = int16_t(m_ui.m_pcomboBoxAddDevice->currentIndex() != 0 ? 1 : 0);
}

void CDlgAddDevice::ChangeToAddDNSDevice()
{
    if (m_ui.m_pcomboBoxAddDevice->currentIndex() != 0) {
        m_ui.m_pLabelIP->setText(tr("Domain:"));
        m_newDevice.ConnectMode = 1;
    } else {
        m_ui.m_pLabelIP->setText(tr("IP Address:"));
        m_newDevice.ConnectMode = 0;
    }
}

void CDlgAddDevice::OnBtnClickedOK()
{
    DEVICE_FIELDS fields;
    fields.Name = m_ui.m_plineEditDeviceName->text().trimmed();
    fields.Address = m_ui.m_plineEditDeviceIP->text().trimmed();
    fields.User = m_ui.m_plineEditDeviceUserName->text().trimmed();
    fields.Password = m_ui.m_plineEditDevicePassWord->text();
    fields.Port = DeviceFields::ParsePort(m_ui.m_plineEditDevicePort->text());
    fields.ConnectMode = m_newDevice.ConnectMode;
    const QString flowText = m_ui.m_plineEditDeviceStreamCtrl->text().trimmed();

    const DEVICE_FIELD_ERROR error = DeviceFields::Check(fields);
    if (!error.IsOk()) {
        QWidget* field = nullptr;
        switch (error.Field) {
        case DEVICE_FIELD::Name:
            field = m_ui.m_plineEditDeviceName;
            break;
        case DEVICE_FIELD::Address:
            field = m_ui.m_plineEditDeviceIP;
            break;
        case DEVICE_FIELD::Port:
            field = m_ui.m_plineEditDevicePort;
            break;
        case DEVICE_FIELD::User:
            field = m_ui.m_plineEditDeviceUserName;
            break;
        case DEVICE_FIELD::Password:
            field = m_ui.m_plineEditDevicePassWord;
            break;
        case DEVICE_FIELD::None:
            break;
        }
        if (field != nullptr)
            RefuseField(field, error.Message);
        return;
    }

    CopyString33(m_newDevice.DeviceName, QStringToStdString(fields.Name));
    if (m_newDevice.ConnectMode == 0) {
        CopyString16(m_newDevice.DeviceIP, fields.Address.toStdString());
        std::memset(m_newDevice.Domain, 0, sizeof m_newDevice.Domain);
    } else {
        // The record keeps one IPv4 address: a domain that resolves to none is refused, never cut.
        const std::string address = GetFirstIPv4Address(QStringToStdString(fields.Address));
        if (address.empty()) {
            ShowInfoMsgBox(tr("Information"), tr("Domain is wrong"), this);
            return;
        }
        CopyString16(m_newDevice.DeviceIP, address);
        CopyString128(m_newDevice.Domain, QStringToStdString(fields.Address));
    }
    m_newDevice.Port = fields.Port;
    const int flow = flowText.isEmpty() ? -1 : flowText.toInt(nullptr, 10);
    m_newDevice.FlowCtrlValue = flow == 0 ? -1 : flow;
    CopyString32(m_newDevice.Username, QStringToStdString(fields.User));
    CopyString256(m_newDevice.Password, QStringToStdString(fields.Password));

    if (m_bModify ? ModifyDevice() : AddDevice()) {
        Q_EMIT SignalDeviceChanged();
        accept();
    }
}

void CDlgAddDevice::OnBtnClickedCancel()
{
    reject();
}

QString CDlgAddDevice::ChannelRangeText()
{
    return tr("The device numbers a channel above 32767, which cannot be stored.");
}

void CDlgAddDevice::HandBack(const DEVICE_INFO& device)
{
    if (m_pCfgDevice != nullptr)
        m_pCfgDevice->SetEditedDevice(device);
}

bool CDlgAddDevice::AddDevice()
{
    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    int result = 0;
    {
        const CBusySign busy(this);
        result = g_pSysInfoManage->AddDevice(
            m_newDevice.DeviceIP, m_newDevice.Port, m_newDevice.Username, m_newDevice.Password,
            &m_newDevice.FlowCtrlValue, m_newDevice.DeviceName, m_newDevice.Domain, m_newDevice.ConnectMode);
    }

    const QString title = tr("Information");
    for (const DEVICE_INFO& d : devices) {
        if (std::memcmp(d.DeviceName, m_newDevice.DeviceName, sizeof d.DeviceName) == 0) {
            ShowInfoMsgBox(title, tr("Device with the same name has been added"), this);
            return false;
        }
        if (std::memcmp(d.DeviceIP, m_newDevice.DeviceIP, sizeof d.DeviceIP) == 0 &&
            d.Port == m_newDevice.Port) {
            ShowInfoMsgBox(title, tr("Device with the same address and port has been added"), this);
            return false;
        }
    }
    switch (result) {
    case ADD_DEVICE_OK: {
        // The page lists the device as the model keeps it, with its slot's channels.
        const DEVICE_INFO* added =
            g_pSysInfoManage->GetDeviceInfo(g_pSysInfoManage->GetDeviceIndexByName(m_newDevice.DeviceName));
        HandBack(added != nullptr ? *added : m_newDevice);
        return true;
    }
    case ADD_DEVICE_NO_SLOT:
        ShowInfoMsgBox(title, tr("Device has reach maximum number"), this);
        return false;
    case ADD_DEVICE_BAD_CHANNEL:
        ShowInfoMsgBox(title, ChannelRangeText(), this);
        return false;
    case ADD_DEVICE_DB_FAILED:
        // The recorder answered, but the database refused: saying the login failed would send the operator
        // to the wrong place.
        ShowInfoMsgBox(title, tr("Save device failed."), this);
        return false;
    case ADD_DEVICE_REFUSED:
        // The duplicates were told above: the model refused because the log in failed, and the layer's
        // error on this thread says why.
        ShowInfoMsgBox(title, LoginFailedText(NET_DVR_GetLastError()), this);
        return false;
    default:
        ShowInfoMsgBox(title, tr("Log in failed"), this);
        return false;
    }
}

bool CDlgAddDevice::ModifyDevice()
{
    const QString title = tr("Information");
    NET_DVR_DEVICE_INFO info;
    int32_t login = -1;
    {
        const CBusySign busy(this);
        login = NET_DVR_Login_V30(m_newDevice.DeviceIP, m_newDevice.Port, m_newDevice.Username,
                                  m_newDevice.Password, &info);
    }
    if (login < 0) {
        const uint32_t error = NET_DVR_GetLastError();
        qDebug() << "modify device error --- can not log in  errorcode = " << error;
        ShowInfoMsgBox(title, LoginFailedText(error), this);
        return false;
    }
    const CLoginGuard logout(login);

    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    const bool renamed =
        std::memcmp(m_newDevice.DeviceName, m_oldDevice.DeviceName, sizeof m_newDevice.DeviceName) != 0;
    const bool moved =
        std::memcmp(m_newDevice.DeviceIP, m_oldDevice.DeviceIP, sizeof m_newDevice.DeviceIP) != 0 ||
        m_newDevice.Port != m_oldDevice.Port;
    for (const DEVICE_INFO& d : devices) {
        if (renamed && std::memcmp(d.DeviceName, m_newDevice.DeviceName, sizeof d.DeviceName) == 0) {
            ShowInfoMsgBox(title, tr("Device with the same name has been added"), this);
            return false;
        }
        if (moved && std::memcmp(d.DeviceIP, m_newDevice.DeviceIP, sizeof d.DeviceIP) == 0 &&
            d.Port == m_newDevice.Port) {
            ShowInfoMsgBox(title, tr("Device with the same address and port has been added"), this);
            return false;
        }
    }

    const int useState = g_pSysInfoManage->GetDeviceUseState(m_oldDevice.DeviceName);
    if (useState > 0 &&
        ShowConfirmMsgBox(tr("Confirm"), tr("The Device is used in Schedule, Are you sure"), this) != 1)
        return false;

    const int oldIndex = g_pSysInfoManage->GetDeviceIndexByName(m_oldDevice.DeviceName);
    const bool changed =
        std::memcmp(m_oldDevice.Username, m_newDevice.Username, sizeof m_newDevice.Username) != 0 ||
        std::memcmp(m_oldDevice.Password, m_newDevice.Password, sizeof m_newDevice.Password) != 0 ||
        std::memcmp(m_oldDevice.DeviceIP, m_newDevice.DeviceIP, sizeof m_newDevice.DeviceIP) != 0 ||
        m_oldDevice.Port != m_newDevice.Port || m_oldDevice.FlowCtrlValue != m_newDevice.FlowCtrlValue;
    // The recorder is changed in place: a new name alone keeps its channels in the manual backup, as the
    // plans keep theirs. The manual run stops before anything changes, and its record and list change only
    // once the model took the change: a refused modify leaves the manual backup exactly as it was.
    const bool leavesManual = useState == 2 && changed;
    if (leavesManual)
        Q_EMIT PauseManualBackup();

    std::vector<int> groups;
    g_pSysInfoManage->GetGroupsOfDevice(oldIndex, &groups);
    Q_EMIT StopThread(groups);

    int result = ADD_DEVICE_OK;
    const bool modified = g_pSysInfoManage->ModifyDevice(&m_newDevice, &m_oldDevice, changed, &result);
    if (modified && leavesManual)
        g_pSysInfoManage->DeleteManualDevice(oldIndex);
    if (leavesManual)
        Q_EMIT ManualDeviceChanged();
    if (!modified) {
        // The model kept the old device and its plans; the stopped plans get back what they had, and the
        // operator learns that nothing changed.
        HandBack(m_oldDevice);
        if (!groups.empty())
            Q_EMIT UpdateGroup(ChangedGroups(groups));
        ShowInfoMsgBox(
            title, result == ADD_DEVICE_BAD_CHANNEL ? ChannelRangeText() : tr("Modify device failed."), this);
        return false;
    }
    HandBack(m_newDevice);
    const int index = g_pSysInfoManage->GetDeviceIndexByName(m_newDevice.DeviceName);
    Q_EMIT SetModifyDeviceToView(index, changed);
    // With the connection unchanged no plan is rewritten, so nothing else would restart the stopped plans.
    if (!changed && !groups.empty())
        Q_EMIT UpdateGroup(ChangedGroups(groups));
    return true;
}

#pragma once

// The pop-up in which the operator registers a recorder or changes a registered one. A record whose port is
// 0 opens it to add, any other record to modify. OK (and Return or Enter) checks the fields in a fixed order,
// reports a refused field in the tooltip bubble at that field and a refused operation in a message box, and
// keeps the dialog open with its fields as they are until the add or the modify has succeeded.

#include "model/Records.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <QModelIndex>

#include <vector>

class CComboBox;
class CDlgCfgDevice;
class QGridLayout;
class QLabel;
class QLineEdit;

// The dialog's form, built in code; the widgets are owned by the content frame.
struct CDlgAddDeviceClass
{
    QGridLayout* gridLayout = nullptr;
    QLabel* m_pLabelMethod = nullptr;
    CComboBox* m_pcomboBoxAddDevice = nullptr;
    QLabel* m_pLabelName = nullptr;
    QLineEdit* m_plineEditDeviceName = nullptr;
    QLabel* m_pLabelIP = nullptr;
    QLineEdit* m_plineEditDeviceIP = nullptr;
    QLabel* m_pLabelPort = nullptr;
    QLineEdit* m_plineEditDevicePort = nullptr;
    QLabel* m_pLabelUser = nullptr;
    QLineEdit* m_plineEditDeviceUserName = nullptr;
    QLabel* m_pLabelPassword = nullptr;
    QLineEdit* m_plineEditDevicePassWord = nullptr;
    QLabel* m_pLabelFlowCtrl = nullptr;
    QLineEdit* m_plineEditDeviceStreamCtrl = nullptr;

    void setupUi(QFrame* frame);
    void retranslateUi();
};

class CDlgAddDevice : public CBaseDialog
{
    Q_OBJECT

public:
    // index: the device's row on the page (invalid to add); device: the record to show (all zero to add).
    CDlgAddDevice(const QModelIndex& index, const DEVICE_INFO* device, QWidget* parent);
    ~CDlgAddDevice() override;

    bool IsModify() const { return m_bModify; }
    // The record built from the fields (after OK).
    const DEVICE_INFO& NewDevice() const { return m_newDevice; }
    const CDlgAddDeviceClass& Form() const { return m_ui; }
    // "Log in failed" with the device layer's reason on the line below.
    static QString LoginFailedText(uint32_t error);

Q_SIGNALS:
    void SignalDeviceChanged();
    // The device's slot after the modify and whether its address, port, user, password or flow control
    // changed (then its channels left every plan).
    void SetModifyDeviceToView(int device, bool connectionChanged);
    void StopThread(std::vector<int> groups);
    void ManualDeviceChanged();
    // The manual backup holds one of this device's channels: its run is stopped, list and record kept, before
    // the model is asked; ManualDeviceChanged follows whether the model took the change or not.
    void PauseManualBackup();
    // Plans that were stopped for this device and that no plan rewrite will restart: a change of the name
    // only, or a modify that failed after the stop.
    void UpdateGroup(std::vector<GROUP_CHANGED> groups);

public Q_SLOTS:
    void OnBtnClickedOK();
    void OnBtnClickedCancel();
    void ChangeToAddDNSDevice();
    bool AddDevice();
    bool ModifyDevice();

private:
    void InitDialog(const QModelIndex& index, const DEVICE_INFO* device);
    void HandBack(const DEVICE_INFO& device);
    // The refusal of a recorder whose channel numbers do not fit the channel records.
    static QString ChannelRangeText();

    // While a login runs (a recorder that does not answer takes seconds): a wait cursor, the fields and
    // buttons disabled and a line saying what the program waits for, drawn before the wait begins.
    class CBusySign
    {
    public:
        explicit CBusySign(CDlgAddDevice* dialog);
        ~CBusySign();
        CBusySign(const CBusySign&) = delete;
        CBusySign& operator=(const CBusySign&) = delete;

    private:
        CDlgAddDevice* m_dialog;
    };

    CDlgAddDeviceClass m_ui;
    QLabel* m_pLabelBusy = nullptr;
    DEVICE_INFO m_newDevice;
    DEVICE_INFO m_oldDevice;
    bool m_bModify = false;
    CDlgCfgDevice* m_pCfgDevice = nullptr;
};

// The plans among `groups` (once each, in slot order) as the state page's restart wants them.
std::vector<GROUP_CHANGED> ChangedGroups(const std::vector<int>& groups);

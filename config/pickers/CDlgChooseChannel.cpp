#include "config/pickers/CDlgChooseChannel.h"

#include "config/plans/CDlgCfgPlan.h"
#include "widgets/dialogs/CComboBox.h"
#include "widgets/dialogs/CPushButton.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include <cstring>

void CDlgChooseChannelClass::setupUi(QWidget* content)
{
    pGridLayoutDevices = new QGridLayout(content);
    pGridLayoutDevices->setObjectName(QStringLiteral("pGridLayoutDevices"));
    pGridLayoutDevices->setContentsMargins(10, 8, 10, 4);

    auto* header = new QGridLayout;
    label = new QLabel(content);
    label->setObjectName(QStringLiteral("label"));
    header->addWidget(label, 0, 0, 1, 2);
    m_pComboBoxDevice = new CComboBox(content);
    m_pComboBoxDevice->setObjectName(QStringLiteral("m_pComboBoxDevice"));
    m_pComboBoxDevice->setMinimumWidth(200);
    header->addWidget(m_pComboBoxDevice, 1, 0);
    m_pushButtonRefresh = new CPushButton(content);
    m_pushButtonRefresh->setObjectName(QStringLiteral("m_pushButtonRefresh"));
    m_pushButtonRefresh->setMinimumWidth(75);
    header->addWidget(m_pushButtonRefresh, 1, 1);
    header->setColumnStretch(2, 1);
    pGridLayoutDevices->addLayout(header, 0, 0, 1, 2);
    pGridLayoutDevices->setRowStretch(1, 1);

    retranslateUi();
}

void CDlgChooseChannelClass::retranslateUi()
{
    label->setText(QCoreApplication::translate("CDlgChooseChannelClass", "Choose channel"));
    m_pushButtonRefresh->setText(QCoreApplication::translate("CDlgChooseChannelClass", "Refresh"));
}

CDlgChooseChannel::CDlgChooseChannel(CDlgCfgPlan* parent) : CChannelPickerDialog(parent), m_pPlanPage(parent)
{
    m_form.setupUi(GetContentFrame());

    connect(m_form.m_pushButtonRefresh, &QPushButton::clicked, this, &CDlgChooseChannel::OnBtnRefresh);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CDlgChooseChannel::OnBtnOK);
    connect(this, &QDialog::rejected, this, &CChannelPickerDialog::OnCancelFindpic);

    SetTitle(tr("Choose Channel"));
    setWindowTitle(tr("Choose Channel"));
    setFixedSize(600, 700);
    ShowCloseBtn(true);
    SetOkBtnAccept(false);

    CreatePictures(m_form.pGridLayoutDevices, m_form.m_pComboBoxDevice);
    OnBtnRefresh();
    FillDeviceCombo();
    // Connected only now: filling the combo box must not single out a group.
    connect(m_form.m_pComboBoxDevice, &QComboBox::currentIndexChanged, this,
            &CChannelPickerDialog::DeviceChanged);
}

CDlgChooseChannel::~CDlgChooseChannel() = default;

void CDlgChooseChannel::OnBtnRefresh()
{
    ReloadPictures();
}

void CDlgChooseChannel::OnBtnOK()
{
    QList<CHOSEN_CHANNEL> chosen;
    for (const PICKED_CHANNEL& picked : SelectedChannels()) {
        CHOSEN_CHANNEL channel;
        std::memcpy(channel.DeviceName, picked.DeviceName, sizeof channel.DeviceName);
        channel.Channel = picked.CameraIndex;
        channel.DeviceID = picked.DeviceSlot;
        channel.CameraIndex = picked.CameraIndex;
        chosen.append(channel);
    }
    if (m_pPlanPage != nullptr)
        m_pPlanPage->AddChosenChannel(chosen);
    StopLoader();
    accept();
}

#include "config/CDlgSet.h"

#include "config/devices/CDlgCfgDevice.h"
#include "config/plans/CDlgCfgPlan.h"
#include "config/system/CDlgCfgSystem.h"
#include "widgets/dialogs/CPushButton.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QSpacerItem>
#include <QStackedWidget>

namespace {

CPushButton* TabButton(QWidget* parent, const char* name)
{
    auto* button = new CPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(89, 27);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

void CDlgSetClass::setupUi(QWidget* form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("CDlgSetClass"));
    pGridLayout = new QGridLayout(form);
    pGridLayout->setObjectName(QStringLiteral("pGridLayout"));
    pGridLayout->setContentsMargins(0, 0, 0, 0);
    pGridLayout->setSpacing(0);

    pTabFrame = new QFrame(form);
    pTabFrame->setObjectName(QStringLiteral("pTabFrame"));
    pTabFrame->setMinimumHeight(27);
    pTabFrame->setStyleSheet(
        QStringLiteral("QFrame{background-image:url(:/images/Tab/tab_config_bg.png); border:none;}"));
    pTabLayout = new QGridLayout(pTabFrame);
    pTabLayout->setObjectName(QStringLiteral("pTabLayout"));
    pTabLayout->setContentsMargins(0, 0, 0, 0);
    pTabLayout->setHorizontalSpacing(1);
    pTabLayout->setVerticalSpacing(0);
    pBtnGeneral = TabButton(pTabFrame, "pBtnGeneral");
    pBtnDevice = TabButton(pTabFrame, "pBtnDevice");
    pBtnSchedule = TabButton(pTabFrame, "pBtnSchedule");
    pTabLayout->addWidget(pBtnGeneral, 0, 0);
    pTabLayout->addWidget(pBtnDevice, 0, 1);
    pTabLayout->addWidget(pBtnSchedule, 0, 2);
    pTabLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 3);
    pGridLayout->addWidget(pTabFrame, 0, 0);

    retranslateUi(form);
}

void CDlgSetClass::retranslateUi(QWidget* form)
{
    form->setWindowTitle(QCoreApplication::translate("CDlgSetClass", "CDlgSet"));
    pBtnGeneral->setText(QCoreApplication::translate("CDlgSetClass", "General"));
    pBtnDevice->setText(QCoreApplication::translate("CDlgSetClass", "Device"));
    pBtnSchedule->setText(QCoreApplication::translate("CDlgSetClass", "Schedule"));
}

CDlgSet::CDlgSet(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    CBaseDialog::ui.m_pgridBaseDialog->setContentsMargins(2, 0, 0, 5);
    setFixedSize(850, 637);

    auto* form = new QWidget(this);
    ui.setupUi(form);
    SetContentWidget(form);
    ShowCloseBtn(true);
    SetTitle(tr("Config"));

    m_pStackedWidget = new QStackedWidget(this);
    ui.pGridLayout->addWidget(m_pStackedWidget, 1, 0);

    connect(ui.pBtnGeneral, &QPushButton::clicked, this, &CDlgSet::OnBtnClicekdGeneral);
    connect(ui.pBtnDevice, &QPushButton::clicked, this, &CDlgSet::OnBtnClicekdDevice);
    connect(ui.pBtnSchedule, &QPushButton::clicked, this, &CDlgSet::OnBtnClicekdSchedule);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CDlgSet::OnBtnClickedOK);

    m_pSystemPage = new CDlgCfgSystem(this);
    m_pDevicePage = new CDlgCfgDevice(this);
    m_pPlanPage = new CDlgCfgPlan(this);

    // A device deleted or changed on the device page reaches the plan page at once, before any OK.
    connect(m_pDevicePage, &CDlgCfgDevice::SetDeleteDeviceToView, m_pPlanPage, &CDlgCfgPlan::OnDeleteDevice);
    connect(m_pDevicePage, &CDlgCfgDevice::SetModifyDeviceToView, m_pPlanPage, &CDlgCfgPlan::OnModifyDevice);
    connect(m_pDevicePage, &CDlgCfgDevice::SignalDeviceChanged, this, &CDlgSet::SignalDeviceChanged);
    connect(m_pPlanPage, &CDlgCfgPlan::GroupChanged, this, &CDlgSet::UpdateGroup);
    connect(m_pPlanPage, &CDlgCfgPlan::StopThread, this, &CDlgSet::StopThread);
    // A refusal on a tab that is not showing would put its bubble over another tab's fields.
    connect(m_pSystemPage, &CDlgCfgSystem::FieldRefused, this, [this] { ShowPage(0); });
    connect(m_pSystemPage, &CDlgCfgSystem::DiskChanged, this, &CDlgSet::DiskChanged);
    connect(m_pSystemPage, &CDlgCfgSystem::BackupModeChanged, this, &CDlgSet::BackupModeChanged);
    connect(m_pDevicePage, &CDlgCfgDevice::StopThread, this, &CDlgSet::StopThread);
    connect(m_pDevicePage, &CDlgCfgDevice::ManualDeviceChanged, this, &CDlgSet::ManualDeviceChanged);
    connect(m_pDevicePage, &CDlgCfgDevice::PauseManualBackup, this, &CDlgSet::PauseManualBackup);
    // Plans the device page stopped and no plan rewrite restarts (a renamed device, a change that failed):
    // without this relay they would stay stopped until the program starts again.
    connect(m_pDevicePage, &CDlgCfgDevice::UpdateGroup, this, &CDlgSet::UpdateGroup);

    m_pStackedWidget->addWidget(m_pSystemPage);
    m_pStackedWidget->addWidget(m_pDevicePage);
    m_pStackedWidget->addWidget(m_pPlanPage);

    SetOkBtnAccept(false);
    OnBtnClicekdGeneral();
}

CDlgSet::~CDlgSet() = default;

QString CDlgSet::SelectedTabStyle()
{
    return QStringLiteral("QPushButton{border-image:url(:/images/Tab/Config_Tab_Sel.png);}");
}

QString CDlgSet::UnselectedTabStyle()
{
    return QStringLiteral("QPushButton{border-image:url(:/images/Tab/Config_Tab_UnSel.png);}");
}

void CDlgSet::ShowPage(int page)
{
    m_pStackedWidget->setCurrentIndex(page);
    CPushButton* const tabs[] = {ui.pBtnGeneral, ui.pBtnDevice, ui.pBtnSchedule};
    for (int i = 0; i < 3; ++i)
        tabs[i]->setStyleSheet(i == page ? SelectedTabStyle() : UnselectedTabStyle());
}

void CDlgSet::OnBtnClicekdGeneral()
{
    ShowPage(0);
}

void CDlgSet::OnBtnClicekdDevice()
{
    ShowPage(1);
}

void CDlgSet::OnBtnClicekdSchedule()
{
    ShowPage(2);
}

void CDlgSet::OnBtnClickedOK()
{
    // A page that refuses shows why itself, and its tab comes forward (the system page brings its own
    // before its bubble or box).
    if (!m_pSystemPage->Save())
        return;
    m_pDevicePage->Save();
    if (!m_pPlanPage->SavePlans()) {
        ShowPage(2);
        return;
    }
    accept();
}

#include "config/plans/CDlgCfgPlan.h"

#include "config/pickers/CCopyBackUpTime.h"
#include "config/pickers/CDlgChooseChannel.h"
#include "config/plans/CDlgModGroupName.h"
#include "config/plans/PlanRecord.h"
#include "model/DbAccess.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/views/CTableView.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPlanSlotRole = Qt::UserRole; // 32: the plan's slot number on its list item

} // namespace

void CDlgCfgPlanClass::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("CDlgCfgPlanClass"));
    dialog->resize(906, 629);

    auto* grid = new QGridLayout(dialog);
    grid->setContentsMargins(9, 9, 9, 9);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);

    // The plan column: heading with the add and delete buttons, then the list.
    auto* planHead = new QHBoxLayout();
    label = new QLabel(dialog);
    label->setObjectName(QStringLiteral("label"));
    label->setMaximumHeight(20);
    planHead->addWidget(label);
    planHead->addStretch();
    m_pBtnAdd = new CPushButton(dialog);
    m_pBtnAdd->setObjectName(QStringLiteral("m_pBtnAdd"));
    m_pBtnAdd->setFixedSize(18, 18);
    m_pBtnAdd->setFlat(true);
    m_pBtnAdd->setStyleSheet(QStringLiteral("QPushButton{border-image:url(:/images/button/add.png);}"));
    planHead->addWidget(m_pBtnAdd);
    m_pBtnDel = new CPushButton(dialog);
    m_pBtnDel->setObjectName(QStringLiteral("m_pBtnDel"));
    m_pBtnDel->setFixedSize(18, 18);
    m_pBtnDel->setStyleSheet(QStringLiteral("QPushButton{border-image:url(:/images/button/delete.png);}"));
    planHead->addWidget(m_pBtnDel);
    grid->addLayout(planHead, 0, 0);

    m_pListWidgetPlan = new QListWidget(dialog);
    m_pListWidgetPlan->setObjectName(QStringLiteral("m_pListWidgetPlan"));
    m_pListWidgetPlan->setMouseTracking(true);
    m_pListWidgetPlan->setFixedWidth(190);
    grid->addWidget(m_pListWidgetPlan, 1, 0, 5, 1);

    // The plan shown: its name, its channels, its schedule.
    m_pLabelGroupName = new QLabel(dialog);
    m_pLabelGroupName->setObjectName(QStringLiteral("m_pLabelGroupName"));
    m_pLabelGroupName->setFixedHeight(20);
    m_pLabelGroupName->setMaximumWidth(690);
    m_pLabelGroupName->setStyleSheet(
        QStringLiteral("QLabel#m_pLabelGroupName{background-color: rgb(238, 238, 238); padding-left: 4px;}"));
    grid->addWidget(m_pLabelGroupName, 0, 1);

    auto* channelHead = new QHBoxLayout();
    label_3 = new QLabel(dialog);
    label_3->setObjectName(QStringLiteral("label_3"));
    channelHead->addWidget(label_3);
    channelHead->addStretch();
    m_pushButtonDelChannel =
        new CPushButton(QIcon(QStringLiteral(":/images/ButtonIcon/Delete.png")), QString(), dialog);
    m_pushButtonDelChannel->setObjectName(QStringLiteral("m_pushButtonDelChannel"));
    m_pushButtonDelChannel->setMinimumWidth(120);
    channelHead->addWidget(m_pushButtonDelChannel);
    m_pushButtonChooseChannel =
        new CPushButton(QIcon(QStringLiteral(":/images/ButtonIcon/add.png")), QString(), dialog);
    m_pushButtonChooseChannel->setObjectName(QStringLiteral("m_pushButtonChooseChannel"));
    m_pushButtonChooseChannel->setMinimumWidth(120);
    channelHead->addWidget(m_pushButtonChooseChannel);
    grid->addLayout(channelHead, 1, 1);

    m_pListWidgetBackUpChannel = new QListWidget(dialog);
    m_pListWidgetBackUpChannel->setObjectName(QStringLiteral("m_pListWidgetBackUpChannel"));
    m_pListWidgetBackUpChannel->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pListWidgetBackUpChannel->setMovement(QListView::Static);
    m_pListWidgetBackUpChannel->setFlow(QListView::TopToBottom);
    m_pListWidgetBackUpChannel->setWrapping(true);
    m_pListWidgetBackUpChannel->setViewMode(QListView::ListMode);
    m_pListWidgetBackUpChannel->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pListWidgetBackUpChannel->setResizeMode(QListView::Adjust);
    m_pListWidgetBackUpChannel->setSpacing(2);
    grid->addWidget(m_pListWidgetBackUpChannel, 2, 1);

    label_4 = new QLabel(dialog);
    label_4->setObjectName(QStringLiteral("label_4"));
    grid->addWidget(label_4, 3, 1);

    m_ptableViewBackUpTime = new CTableView(dialog);
    m_ptableViewBackUpTime->setObjectName(QStringLiteral("m_ptableViewBackUpTime"));
    m_ptableViewBackUpTime->setMinimumHeight(235);
    m_ptableViewBackUpTime->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ptableViewBackUpTime->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ptableViewBackUpTime->setTextElideMode(Qt::ElideMiddle);
    grid->addWidget(m_ptableViewBackUpTime, 4, 1);

    auto* copyRow = new QHBoxLayout();
    copyRow->addStretch();
    m_pBtnCopy = new CPushButton(dialog);
    m_pBtnCopy->setObjectName(QStringLiteral("m_pBtnCopy"));
    m_pBtnCopy->setFixedWidth(180);
    copyRow->addWidget(m_pBtnCopy);
    grid->addLayout(copyRow, 5, 1);

    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    retranslateUi(dialog);
}

void CDlgCfgPlanClass::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("CDlgCfgPlanClass", "CDlgCfgPlan"));
    label->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Backup plan"));
    m_pLabelGroupName->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Backup plan"));
    label_3->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Backup channel"));
    m_pushButtonDelChannel->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Delete Camera"));
    m_pushButtonChooseChannel->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Choose Camera"));
    label_4->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Backup Time"));
    m_pBtnCopy->setText(QCoreApplication::translate("CDlgCfgPlanClass", "Copy Schedule"));
}

CDlgCfgPlan::CDlgCfgPlan(QWidget* parent) : QDialog(parent)
{
    ui.setupUi(this);
    connect(ui.m_pushButtonChooseChannel, &QPushButton::clicked, this, &CDlgCfgPlan::OnBtnChooseChannel);
    connect(ui.m_pBtnAdd, &QPushButton::clicked, this, &CDlgCfgPlan::OnBtnAddPlan);
    connect(ui.m_pListWidgetPlan, &QListWidget::itemDoubleClicked, this,
            &CDlgCfgPlan::OnBtnDoubleClickedPlan);
    connect(ui.m_pListWidgetPlan, &QListWidget::itemSelectionChanged, this, &CDlgCfgPlan::OnSelectionChanged);
    connect(ui.m_pBtnDel, &QPushButton::clicked, this, &CDlgCfgPlan::OnBtnDelPlan);
    connect(ui.m_pushButtonDelChannel, &QPushButton::clicked, this, &CDlgCfgPlan::OnBtnDelChannel);
    connect(ui.m_pBtnCopy, &QPushButton::clicked, this, &CDlgCfgPlan::OnBtnCopy);
    EnablePlanButtons(false);
    m_nCurPlan = -1;

    g_pSysInfoManage->GetAllGroupInfo(m_pPlans);
    std::copy(std::begin(m_pPlans), std::end(m_pPlans), std::begin(m_modelPlans));
    for (int p = 0; p < MAX_GROUP_NUM; ++p) {
        if (m_pPlans[p].bUsed != 1)
            continue;
        AddPlanItem(p);
        if (m_nCurPlan < 0)
            m_nCurPlan = p;
    }
    InitScheduleTable();
    if (m_nCurPlan < 0)
        return;
    ShowPlanChannels(m_nCurPlan);
    PlanToTable(m_nCurPlan);
    SelectPlanRowSilently(0);
    EnablePlanButtons(true);
    ui.m_pListWidgetBackUpChannel->setCurrentRow(0);
    ShowPlanName(CurrentItemPlan());
}

CDlgCfgPlan::~CDlgCfgPlan() = default;

// ----------------------------------------------------------------------------------------- for the dialogs

void CDlgCfgPlan::SetPlanName(const QString& name)
{
    m_strPlanName = name;
}

void CDlgCfgPlan::AddChosenChannel(const QList<CHOSEN_CHANNEL>& channels)
{
    m_chosenList = channels;
}

int CDlgCfgPlan::FindPlanByName(const QString& name) const
{
    for (int p = 0; p < MAX_GROUP_NUM; ++p)
        if (LocalToQString(m_pPlans[p].GroupName) == name)
            return p;
    return -1;
}

void CDlgCfgPlan::SetAllPlans(const GROUP_INFO* plans)
{
    if (plans != nullptr)
        std::copy(plans, plans + MAX_GROUP_NUM, m_pPlans);
}

bool CDlgCfgPlan::ExecChannelChooser()
{
    CDlgChooseChannel chooser(this);
    return chooser.exec() == QDialog::Accepted;
}

bool CDlgCfgPlan::ExecCopySchedule(int plan)
{
    CCopyBackUpTime copy(this, plan);
    return copy.exec() == QDialog::Accepted;
}

// ------------------------------------------------------------------------------------------------- lists

QString CDlgCfgPlan::GetChannelText(int plan, int position) const
{
    if (plan < 0 || plan >= MAX_GROUP_NUM || position < 0 || position >= MAX_GROUP_CHANNEL_NUM)
        return QString();
    const CHANNEL_REF& ref = m_pPlans[plan].Channel[position];
    if (ref.IsEmpty())
        return QString();
    return g_pSysInfoManage->GetCameraName(ref.DeviceID, ref.CameraIndex);
}

void CDlgCfgPlan::ShowPlanChannels(int plan)
{
    ui.m_pListWidgetBackUpChannel->clear();
    if (plan < 0 || plan >= MAX_GROUP_NUM)
        return;
    const QIcon icon(QStringLiteral(":images/ButtonIcon/Camera.png"));
    for (int k = 0; k < MAX_GROUP_CHANNEL_NUM && !m_pPlans[plan].Channel[k].IsEmpty(); ++k)
        ui.m_pListWidgetBackUpChannel->addItem(new QListWidgetItem(icon, GetChannelText(plan, k)));
}

void CDlgCfgPlan::AddPlanItem(int plan)
{
    const QString name = LocalToQString(m_pPlans[plan].GroupName);
    auto* item = new QListWidgetItem(QIcon(QStringLiteral(":images/ButtonIcon/copyplan.png")), name);
    item->setToolTip(name);
    item->setData(kPlanSlotRole, plan);
    ui.m_pListWidgetPlan->addItem(item);
}

void CDlgCfgPlan::RebuildPlanList()
{
    m_bSilentSelection = true;
    ui.m_pListWidgetPlan->clear();
    for (int p = 0; p < MAX_GROUP_NUM; ++p)
        if (m_pPlans[p].bUsed == 1)
            AddPlanItem(p);
    m_bSilentSelection = false;
}

void CDlgCfgPlan::SelectPlanRowSilently(int row)
{
    m_bSilentSelection = true;
    ui.m_pListWidgetPlan->setCurrentRow(row);
    m_bSilentSelection = false;
}

int CDlgCfgPlan::CurrentItemPlan() const
{
    const QListWidgetItem* item = ui.m_pListWidgetPlan->currentItem();
    return item != nullptr ? item->data(kPlanSlotRole).toInt() : -1;
}

void CDlgCfgPlan::ShowPlanName(int plan)
{
    ui.m_pLabelGroupName->setText(plan >= 0 && plan < MAX_GROUP_NUM ? LocalToQString(m_pPlans[plan].GroupName)
                                                                    : QString());
}

void CDlgCfgPlan::EnablePlanButtons(bool enable)
{
    ui.m_pBtnDel->setEnabled(enable);
    ui.m_pushButtonDelChannel->setEnabled(enable);
    ui.m_pushButtonChooseChannel->setEnabled(enable);
}

int CDlgCfgPlan::FindFreePlanSlot() const
{
    for (int p = 0; p < MAX_GROUP_NUM; ++p)
        if (m_pPlans[p].bUsed == 0)
            return p;
    return -1;
}

bool CDlgCfgPlan::IsChannelInOtherPlan(int device, int channel) const
{
    for (const GROUP_INFO& plan : m_pPlans)
        for (const CHANNEL_REF& ref : plan.Channel)
            if (ref.DeviceID == device && ref.CameraIndex == channel)
                return true;
    return false;
}

void CDlgCfgPlan::OnSelectionChanged()
{
    if (m_bSilentSelection || ui.m_pListWidgetPlan->currentItem() == nullptr)
        return;
    EnablePlanButtons(true);
    ui.m_pListWidgetBackUpChannel->clear();
    const int p = CurrentItemPlan();
    ShowPlanName(p);
    ShowPlanChannels(p);
    TableToPlan(m_nCurPlan); // the table still shows the plan selected before
    PlanToTable(p);
    m_nCurPlan = p;
}

void CDlgCfgPlan::OnBtnAddPlan()
{
    CDlgModGroupName dialog(this, true);
    dialog.SetTitle(tr("Add Schedule"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int slot = FindFreePlanSlot();
    if (slot < 0)
        return;
    // The plan shown keeps what was typed into its table, as a change of selection would.
    TableToPlan(m_nCurPlan);
    m_pPlans[slot] = MakeNewPlan(QStringToLocal(m_strPlanName));
    m_nCurPlan = slot;
    ShowPlanName(slot);
    AddPlanItem(slot);
    SelectPlanRowSilently(ui.m_pListWidgetPlan->count() - 1);
    EnablePlanButtons(true);
    ui.m_pListWidgetBackUpChannel->clear();
    PlanToTable(slot);
}

void CDlgCfgPlan::OnBtnDoubleClickedPlan()
{
    const int p = CurrentItemPlan();
    if (p < 0)
        return;
    CDlgModGroupName dialog(this, false);
    dialog.SetTitle(tr("Modify Schedule"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QListWidgetItem* item = ui.m_pListWidgetPlan->currentItem();
    item->setText(m_strPlanName);
    item->setToolTip(m_strPlanName);
    CopyString33(m_pPlans[p].GroupName, QStringToLocal(m_strPlanName).toStdString());
    ShowPlanName(p);
}

void CDlgCfgPlan::OnBtnDelPlan()
{
    const int p = CurrentItemPlan();
    if (p < 0)
        return;
    if (ShowConfirmMsgBox(tr("Confirm"), tr("Confirm to Delete Schedule"), this) != 1)
        return;
    if (ui.m_pListWidgetPlan->count() == 1) {
        InitScheduleTable();
        ui.m_pLabelGroupName->clear();
        EnablePlanButtons(false);
    }
    m_pPlans[p] = GROUP_INFO();
    m_pPlans[p].bDelete = 1;
    // Nothing of the table goes into the deleted slot: it shows the deleted plan.
    m_nCurPlan = -1;
    RebuildPlanList();
    ui.m_pListWidgetBackUpChannel->clear();
    if (ui.m_pListWidgetPlan->count() > 0) {
        const int first = ui.m_pListWidgetPlan->item(0)->data(kPlanSlotRole).toInt();
        ShowPlanChannels(first);
        PlanToTable(first);
        m_nCurPlan = first;
        SelectPlanRowSilently(0);
        EnablePlanButtons(true);
        ShowPlanName(first);
    }
}

void CDlgCfgPlan::OnBtnChooseChannel()
{
    const int p = CurrentItemPlan();
    if (p < 0)
        return;
    if (ExecChannelChooser())
        AddChosenToPlan(p);
    SortPlanRefs(&m_pPlans[p]);
    ShowPlanChannels(p);
    ui.m_pushButtonDelChannel->setEnabled(true);
    ui.m_pListWidgetBackUpChannel->setCurrentRow(0);
}

void CDlgCfgPlan::AddChosenToPlan(int plan)
{
    GROUP_INFO& record = m_pPlans[plan];
    for (const CHOSEN_CHANNEL& chosen : m_chosenList) {
        const int device = g_pSysInfoManage->GetDeviceIndexByName(chosen.DeviceName);
        const int channel = chosen.Channel;
        if (device < 0 || channel < 0)
            continue; // the recorder is gone: an empty reference would end the plan's list early
        if (IsChannelInOtherPlan(device, channel)) {
            ShowInfoMsgBox(tr("Information"),
                           g_pSysInfoManage->GetCameraName(device, channel) +
                               tr(" had been added other Schedule"),
                           this);
            continue;
        }
        const int n = CountRefs(record);
        if (n >= MAX_GROUP_CHANNEL_NUM) {
            ShowInfoMsgBox(tr("Information"), tr("Channel number must less than 32"), this);
            break;
        }
        record.Channel[n].DeviceID = int16_t(device);
        record.Channel[n].CameraIndex = int16_t(channel);
    }
}

void CDlgCfgPlan::OnBtnDelChannel()
{
    const int p = CurrentItemPlan();
    if (p < 0)
        return;
    QList<int> rows;
    for (const QModelIndex& index : ui.m_pListWidgetBackUpChannel->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    if (ShowConfirmMsgBox(tr("Confirm"), tr("Sure to delete?"), this) != 1)
        return;
    RemoveRefsAt(&m_pPlans[p], rows);
    ShowPlanChannels(p);
}

void CDlgCfgPlan::OnBtnCopy()
{
    if (ui.m_pListWidgetPlan->count() == 0)
        return;
    const int p = CurrentItemPlan();
    TableToPlan(p);
    if (!CheckSchedule())
        return;
    if (ExecCopySchedule(p))
        ShowInfoMsgBox(tr("Information"), tr("The Schedule has been copied successfully"), this);
}

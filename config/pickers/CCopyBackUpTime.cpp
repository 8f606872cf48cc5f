#include "config/pickers/CCopyBackUpTime.h"

#include "config/plans/CDlgCfgPlan.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/views/CTableView.h"
#include "widgets/views/ItemDataRole.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

void CCopyBackUpTimeClass::setupUi(QWidget* content)
{
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(12, 8, 12, 4);
    label = new QLabel(content);
    label->setObjectName(QStringLiteral("label"));
    grid->addWidget(label, 0, 0);
    m_pTableCopy = new CTableView(content);
    m_pTableCopy->setObjectName(QStringLiteral("m_pTableCopy"));
    grid->addWidget(m_pTableCopy, 1, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_pBtnAll = new CPushButton(content);
    m_pBtnAll->setObjectName(QStringLiteral("m_pBtnAll"));
    m_pBtnAll->setMinimumWidth(100);
    buttons->addWidget(m_pBtnAll);
    grid->addLayout(buttons, 2, 0);
    retranslateUi();
}

void CCopyBackUpTimeClass::retranslateUi()
{
    label->setText(QCoreApplication::translate("CCopyBackUpTimeClass", "Choose which Plan to copy"));
    m_pBtnAll->setText(QCoreApplication::translate("CCopyBackUpTimeClass", "Choose All"));
}

CCopyBackUpTime::CCopyBackUpTime(CDlgCfgPlan* parent, int curPlan)
    : CBaseDialog(parent, true, true, true), m_pPlanPage(parent)
{
    m_form.setupUi(GetContentFrame());
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CCopyBackUpTime::OnBtnOK);
    connect(m_form.m_pBtnAll, &QPushButton::clicked, this, &CCopyBackUpTime::OnBtnAll);

    ShowCloseBtn(true);
    SetOkBtnAccept(false);
    SetTitle(tr("Copy plan"));
    setWindowTitle(tr("Copy plan"));
    setFixedSize(400, 500);

    CTableView* table = m_form.m_pTableCopy;
    table->setHeaderHidden(true);
    table->SetColumnCount(1);
    if (curPlan < 0 || curPlan >= MAX_GROUP_NUM || m_pPlanPage == nullptr)
        return;
    std::copy(m_pPlanPage->GetPlans(), m_pPlanPage->GetPlans() + MAX_GROUP_NUM, m_pPlanCopy);
    m_nCurPlan = curPlan;
    for (const GROUP_INFO& plan : m_pPlanCopy) {
        if (plan.bUsed != 1)
            continue;
        const QString name = LocalToQString(plan.GroupName);
        const int row = table->AppendRow();
        table->SetItemText(row, 0, name);
        table->SetItemChecked(row, 0, false);
        table->SetItemData(row, 0, name, ROLE_USER_DATA);
    }
}

CCopyBackUpTime::~CCopyBackUpTime() = default;

void CCopyBackUpTime::OnBtnAll()
{
    CTableView* table = m_form.m_pTableCopy;
    for (int row = 0; row < table->GetTopRowCount(); ++row)
        table->SetItemChecked(row, 0, m_bCheckAll != 0);
    m_bCheckAll = m_bCheckAll != 0 ? 0 : 1;
}

void CCopyBackUpTime::OnBtnCancel()
{
    reject();
}

int CCopyBackUpTime::TargetSlot(const QString& name) const
{
    const GROUP_INFO* plans = m_pPlanPage->GetPlans();
    const auto inUse = [&](int slot) {
        return slot >= 0 && slot < MAX_GROUP_NUM && plans[slot].bUsed == 1 &&
               LocalToQString(plans[slot].GroupName) == name;
    };
    const int found = m_pPlanPage->FindPlanByName(name);
    if (inUse(found))
        return found;
    // A deleted plan's slot may still carry the name of a plan that lives on in another slot.
    for (int slot = 0; slot < MAX_GROUP_NUM; ++slot)
        if (inUse(slot))
            return slot;
    return -1;
}

void CCopyBackUpTime::OnBtnOK()
{
    bool copied = false;
    CTableView* table = m_form.m_pTableCopy;
    if (m_nCurPlan >= 0 && m_pPlanPage != nullptr) {
        const GROUP_INFO& source = m_pPlanCopy[m_nCurPlan];
        for (int row = 0; row < table->GetTopRowCount(); ++row) {
            if (table->GetItemData(row, 0, Qt::CheckStateRole).toInt() != Qt::Checked)
                continue;
            const int target = TargetSlot(table->GetItemData(row, 0, ROLE_USER_DATA).toString());
            // A name that names no plan in use is passed over.
            if (target < 0)
                continue;
            GROUP_INFO& plan = m_pPlanCopy[target];
            for (int entry = 0; entry < SCHEDULE_ENTRY_NUM; ++entry) {
                plan.Schedule[entry] = source.Schedule[entry];
                // The entries belong to the target plan now.
                plan.Schedule[entry].GroupID = int16_t(target);
            }
            copied = true;
        }
    }
    if (!copied) {
        ShowInfoMsgBox(tr("Information"), tr("Please select destiny channel."), this);
        return;
    }
    m_pPlanPage->SetAllPlans(m_pPlanCopy);
    accept();
}

#include "config/plans/CDlgModGroupName.h"

#include "config/FieldRules.h"
#include "config/plans/CDlgCfgPlan.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CRegExpValidator.h"

#include <QFrame>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

void CDlgModGroupNameClass::setupUi(QWidget* content, QWidget* bottomBar)
{
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(40, 20, 40, 20);
    m_pLabelPlanName = new QLabel(content);
    m_pLabelPlanName->setObjectName(QStringLiteral("m_pLabelPlanName"));
    m_pLabelPlanName->setMinimumWidth(50);
    row->addWidget(m_pLabelPlanName);
    m_pLineEditPlanName = new QLineEdit(content);
    m_pLineEditPlanName->setObjectName(QStringLiteral("m_pLineEditPlanName"));
    m_pLineEditPlanName->setFixedHeight(22);
    m_pLineEditPlanName->setMinimumWidth(171);
    row->addWidget(m_pLineEditPlanName, 1);

    auto* bar = qobject_cast<QGridLayout*>(bottomBar->layout());
    m_pushButtonOK = new CPushButton(bottomBar);
    m_pushButtonOK->setObjectName(QStringLiteral("m_pushButtonOK"));
    m_pushButtonOK->setFixedSize(75, 23);
    bar->addWidget(m_pushButtonOK, 0, 3);
    m_pushButtonCancel = new CPushButton(bottomBar);
    m_pushButtonCancel->setObjectName(QStringLiteral("m_pushButtonCancel"));
    m_pushButtonCancel->setFixedSize(75, 23);
    bar->addWidget(m_pushButtonCancel, 0, 4);

    retranslateUi();
}

void CDlgModGroupNameClass::retranslateUi()
{
    m_pLabelPlanName->setText(QCoreApplication::translate("CDlgModGroupNameClass", "Name"));
    m_pushButtonOK->setText(QCoreApplication::translate("CDlgModGroupNameClass", "OK"));
    m_pushButtonCancel->setText(QCoreApplication::translate("CDlgModGroupNameClass", "Cancel"));
}

CDlgModGroupName::CDlgModGroupName(CDlgCfgPlan* parent, bool add)
    : CBaseDialog(parent, true, false, false), m_pPlanPage(parent), m_bAdd(add)
{
    m_form.setupUi(GetContentFrame(), ui.m_pBottomFrame);
    resize(342, 157);
    setWindowTitle(tr("Modify Plan"));
    SetTitle(tr("Copy Channel"));
    // The base's own Return handling must not accept a name that was not checked.
    SetOkBtnAccept(false);
    m_form.m_pLineEditPlanName->setValidator(new CRegExpValidator(32, m_form.m_pLineEditPlanName));

    connect(m_form.m_pushButtonOK, &QPushButton::clicked, this, &CDlgModGroupName::OnBtnChooseOK);
    connect(m_form.m_pushButtonCancel, &QPushButton::clicked, this, &CDlgModGroupName::OnBtnChooseCancel);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, &CDlgModGroupName::OnBtnChooseOK);
    m_form.m_pLineEditPlanName->setFocus();
}

CDlgModGroupName::~CDlgModGroupName() = default;

void CDlgModGroupName::OnBtnChooseOK()
{
    const QString name = m_form.m_pLineEditPlanName->text().trimmed();
    if (name.isEmpty()) {
        RefuseField(m_form.m_pLineEditPlanName, tr("Schedule name cannot be empty"));
        return;
    }
    if (!IsValidName(name)) {
        RefuseField(m_form.m_pLineEditPlanName, tr("Nick name is Invalid."));
        return;
    }
    const GROUP_INFO* plans = m_pPlanPage->GetPlans();
    int used = 0;
    for (int p = 0; p < MAX_GROUP_NUM; ++p) {
        if (LocalToQString(plans[p].GroupName) == name) {
            RefuseField(m_form.m_pLineEditPlanName, tr("the Schedule is exist"));
            return;
        }
        used += plans[p].bUsed == 1 ? 1 : 0;
    }
    if (m_bAdd && used >= MAX_GROUP_NUM) {
        RefuseField(m_form.m_pLineEditPlanName, tr("Exceed the maximum schedule number."));
        return;
    }
    m_pPlanPage->SetPlanName(name);
    accept();
}

void CDlgModGroupName::OnBtnChooseCancel()
{
    reject();
}

#pragma once

// The settings dialog: the system, device and plan pages under a row of three tabs. It configures nothing
// itself: it switches the pages, runs their saves in turn on OK (stopping at the first that refuses), wires
// the device page to the plan page, and passes the pages' change signals on as its own, through which the
// main window lets the state and record pages follow.

#include "model/Records.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <vector>

class CDlgCfgDevice;
class CDlgCfgPlan;
class CDlgCfgSystem;
class CPushButton;
class QFrame;
class QGridLayout;
class QSpacerItem;
class QStackedWidget;

// The dialog's form: the tab strip; the page stack goes into row 1 of its grid.
class CDlgSetClass
{
public:
    QGridLayout* pGridLayout = nullptr;
    QFrame* pTabFrame = nullptr;
    QGridLayout* pTabLayout = nullptr;
    CPushButton* pBtnGeneral = nullptr;
    CPushButton* pBtnDevice = nullptr;
    CPushButton* pBtnSchedule = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

class CDlgSet : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CDlgSet(QWidget* parent);
    ~CDlgSet() override;

    // For tests.
    const CDlgSetClass& Form() const { return ui; }
    QStackedWidget* Stack() const { return m_pStackedWidget; }
    CDlgCfgSystem* SystemPage() const { return m_pSystemPage; }
    CDlgCfgDevice* DevicePage() const { return m_pDevicePage; }
    CDlgCfgPlan* PlanPage() const { return m_pPlanPage; }

    static QString SelectedTabStyle();
    static QString UnselectedTabStyle();

Q_SIGNALS:
    void UpdateGroup(std::vector<GROUP_CHANGED> changes);
    void SignalDeviceChanged();
    void DiskChanged();
    void BackupModeChanged(int diskMode);
    void StopThread(std::vector<int> plans);
    void ManualDeviceChanged();
    // The device page is about to change a recorder that the manual backup holds; ManualDeviceChanged
    // follows.
    void PauseManualBackup();

public Q_SLOTS:
    void OnBtnClicekdGeneral();
    void OnBtnClicekdDevice();
    void OnBtnClickedOK();
    void OnBtnClicekdSchedule();

private:
    void ShowPage(int page);

    CDlgSetClass ui;
    QStackedWidget* m_pStackedWidget = nullptr;
    CDlgCfgSystem* m_pSystemPage = nullptr;
    CDlgCfgDevice* m_pDevicePage = nullptr;
    CDlgCfgPlan* m_pPlanPage = nullptr;
};

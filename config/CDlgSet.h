#pragma once

// The settings dialog: the system, device and plan pages under a row of three tabs. It configures nothing
// itself: it switches the pages, runs their saves in turn on OK (stopping at the first that refuses), wires
// the device page to the plan page, and passes the pages' change signals on as its own, through which the
// main window lets the state and record pages follow.

#include "model/Records.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <vector>

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
    QDialog* DevicePage() const { return m_pDevicePage; }
    QDialog* PlanPage() const { return m_pPlanPage; }

    static QString SelectedTabStyle();
    static QString UnselectedTabStyle();

Q_SIGNALS:
    void UpdateGroup(std::vector<GROUP_CHANGED> changes);
    void SignalDeviceChanged();
    void DiskChanged();
    void BackupModeChanged(int diskMode);
    void StopThread(std::vector<int> plans);
    void ManualDeviceChanged();

public Q_SLOTS:
    void OnBtnClicekdGeneral();
    void OnBtnClicekdDevice();
    void OnBtnClickedOK();
    void OnBtnClicekdSchedule();

private:
    void ShowPage(int page);
    // The device and plan pages are made, wired and saved in CDlgSetPages.cpp, the one place that knows
    // their classes.
    void CreateDeviceAndPlanPages();
    void SaveDevicePage();
    bool SavePlanPage();

    CDlgSetClass ui;
    QStackedWidget* m_pStackedWidget = nullptr;
    CDlgCfgSystem* m_pSystemPage = nullptr;
    QDialog* m_pDevicePage = nullptr;
    QDialog* m_pPlanPage = nullptr;
};

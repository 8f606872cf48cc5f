#pragma once

// The device page of the settings dialog: lists the registered recorders, opens the add and modify dialog,
// deletes recorders and imports them from another database file. Every change is in the model (and its
// database) at once; the page tells the other pages what changed through its signals.

#include "config/devices/CDeviceWriteThread.h"
#include "model/Records.h"

#include <QDialog>
#include <QItemSelection>

#include <vector>

class CPushButton;
class CTableView;
class QFrame;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

// The page's form, built in code; the widgets are owned by the page.
struct CDlgCfgDeviceClass
{
    QVBoxLayout* verticalLayout = nullptr;
    QFrame* m_pTopBar = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QLabel* m_pLabelTitle = nullptr;
    CPushButton* m_pBtnReadDataBase = nullptr;
    QFrame* m_pLine = nullptr;
    CPushButton* m_pBtnAddDevice = nullptr;
    CPushButton* m_pBtnModifyDevice = nullptr;
    CPushButton* m_pBtnDeleteDevice = nullptr;
    CTableView* m_pTableViewDevice = nullptr;

    void setupUi(QDialog* page);
    void retranslateUi();
};

class CDlgCfgDevice : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgCfgDevice(QWidget* parent = nullptr);
    ~CDlgCfgDevice() override;

    // The settings dialog's OK: the changes are stored already.
    void Save();
    void FillDeviceTable();
    // The add and modify dialog hands back the record it added, or the one the model kept.
    void SetEditedDevice(DEVICE_INFO device);

    const CDlgCfgDeviceClass& Form() const { return m_ui; }
    const std::vector<DEVICE_INFO>& DeviceList() const { return m_deviceList; }

Q_SIGNALS:
    void SetModifyDeviceToView(int device, bool connectionChanged);
    void SetDeleteDeviceToView(int device);
    void SignalDeviceChanged();
    void StopThread(std::vector<int> groups);
    void StopReadChase();
    void ManualDeviceChanged();
    // The manual backup holds one of this device's channels: its run is stopped, list and record kept, before
    // the model is asked; ManualDeviceChanged follows whether the model took the change or not.
    void PauseManualBackup();
    // Plans stopped for a device that no plan rewrite restarts (a renamed device, a failed change): the
    // settings dialog relays it as its own UpdateGroup, on which the state page restarts them.
    void UpdateGroup(std::vector<GROUP_CHANGED> groups);

public Q_SLOTS:
    void OnBtnClickedOK();
    void OnBtnClickedCancel();
    void OnBtnClickedAddDevice();
    void OnBtnClickedModifyDevice();
    void OnBtnClickedReadDataBase();
    void OnBtnClickedDeleteDevice();
    void OnDoubleClicked(const QModelIndex& index);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnWriteOver(bool ok);
    void OnImportCounts(DEVICE_IMPORT_COUNTS counts);

public:
    // Embedded in the settings dialog: Escape must not hide the page.
    void reject() override;

private:
    void AppendDeviceRow(const DEVICE_INFO& device);
    void Refill();
    // Deletes one device; false when the operator stopped the delete or the model refused it.
    bool DeleteOne(const QByteArray& name);

    CDlgCfgDeviceClass m_ui;
    DEVICE_INFO m_curDevice;
    std::vector<DEVICE_INFO> m_deviceList;
    DEVICE_IMPORT_COUNTS m_importCounts;
    bool m_importOver = false; // the running import's result has arrived
};

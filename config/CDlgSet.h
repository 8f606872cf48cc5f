#pragma once

// TEMPORARY stand-in for the settings dialog, so the main window's Config button and its wiring to the pages
// work before the dialog exists; replaced when the dialog is built. It declares the dialog's change signals
// and shows an empty frame.

#include "widgets/dialogs/CBaseDialog.h"
#include "model/Records.h"

#include <vector>

class CDlgSet : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CDlgSet(QWidget* parent);
    ~CDlgSet() override;

Q_SIGNALS:
    void SignalDeviceChanged();
    void StopThread(std::vector<int> plans);
    void UpdateGroup(std::vector<GROUP_CHANGED> changes);
    void DiskChanged();
    void BackupModeChanged(int mode);
    void ManualDeviceChanged();
};

#pragma once

// TEMPORARY stand-in for the manual backup dialog, so the state page's manual button can run before the
// dialog exists; replaced when the dialog is built. It edits nothing: OK keeps the manual backup record the
// model holds and, as the real dialog does on OK, stores manual backup as the backup mode.

#include "widgets/dialogs/CBaseDialog.h"

class CDlgManualBackup : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CDlgManualBackup(QWidget* parent);
    ~CDlgManualBackup() override;

public Q_SLOTS:
    void accept() override;
};

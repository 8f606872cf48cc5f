#pragma once

// TEMPORARY stand-in for the backup state page, so the main window can be built and run before the page
// exists; replaced when the page is built. It only shows that the page is missing and offers the slots the
// main window connects.

#include "model/Records.h"

#include <QWidget>

#include <vector>

class CViewState : public QWidget
{
    Q_OBJECT

public:
    explicit CViewState(QWidget* parent);
    ~CViewState() override;

public Q_SLOTS:
    void StopBackup(std::vector<int> plans);
    void ResetBackup(std::vector<GROUP_CHANGED> changes);
    void ResetLocal();
    void ResetManualBackup();
};

// The storage layer's full-disk callback; the stand-in ignores it. Always 1.
int DiskFullCallBack(int code, int reserved1, int reserved2, int reserved3);

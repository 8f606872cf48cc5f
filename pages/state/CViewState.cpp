// TEMPORARY stand-in; replaced when the page is built.

#include "pages/state/CViewState.h"

#include <QLabel>
#include <QVBoxLayout>

CViewState::CViewState(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("View State"), this), 0, Qt::AlignCenter);
}

CViewState::~CViewState() = default;

void CViewState::StopBackup(std::vector<int>) {}

void CViewState::ResetBackup(std::vector<GROUP_CHANGED>) {}

void CViewState::ResetLocal() {}

void CViewState::ResetManualBackup() {}

int DiskFullCallBack(int, int, int, int)
{
    return 1;
}

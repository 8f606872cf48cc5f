// TEMPORARY stand-in; replaced when the settings dialog is built.

#include "config/CDlgSet.h"

CDlgSet::CDlgSet(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    SetTitle(QStringLiteral("Config"));
    ShowCloseBtn(true);
    resize(800, 600);
}

CDlgSet::~CDlgSet() = default;

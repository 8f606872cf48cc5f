#include "app/CDlgAbout.h"

CDlgAbout::CDlgAbout(QWidget* parent) : CBaseDialog(parent, false, false, false)
{
    ui.setupUi(GetContentFrame());
    setFixedSize(400, 200);
    ShowCloseBtn(true);
    SetTitle(tr("About"));
}

CDlgAbout::~CDlgAbout() = default;

#pragma once

// The About box: the program's name and version on a frameless dialog with a close button.

#include "app/CDlgAboutClass.h"
#include "widgets/dialogs/CBaseDialog.h"

class CDlgAbout : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CDlgAbout(QWidget* parent);
    ~CDlgAbout() override;

    const CDlgAboutClass& Form() const { return ui; }

private:
    CDlgAboutClass ui;
};

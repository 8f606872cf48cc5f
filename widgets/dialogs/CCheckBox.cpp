#include "widgets/dialogs/CCheckBox.h"

CCheckBox::CCheckBox(QWidget* parent) : QCheckBox(parent) {}

CCheckBox::CCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

CCheckBox::~CCheckBox() = default;

void CCheckBox::SetUnChecked(bool b)
{
    setChecked(!b);
}

void CCheckBox::SetChecked(bool b)
{
    setChecked(b);
}

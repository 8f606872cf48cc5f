#include "widgets/dialogs/CComboBox.h"

CComboBox::CComboBox(QWidget* parent) : QComboBox(parent) {}

CComboBox::~CComboBox() = default;

void CComboBox::setUserDisabled(bool b)
{
    setDisabled(b);
}

void CComboBox::setUserEnabled(bool b)
{
    setEnabled(b);
}

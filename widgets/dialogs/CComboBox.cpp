#include "widgets/dialogs/CComboBox.h"

#include <QAbstractItemView>
#include <QScrollBar>

CComboBox::CComboBox(QWidget* parent) : QComboBox(parent) {}

CComboBox::~CComboBox() = default;

void CComboBox::showPopup()
{
    QAbstractItemView* list = view();
    const int frame = 2 * list->frameWidth();
    const int scrollBar = count() > maxVisibleItems() ? list->verticalScrollBar()->sizeHint().width() : 0;
    list->setMinimumWidth(list->sizeHintForColumn(modelColumn()) + frame + scrollBar + 8);
    QComboBox::showPopup();
}

void CComboBox::setUserDisabled(bool b)
{
    setDisabled(b);
}

void CComboBox::setUserEnabled(bool b)
{
    setEnabled(b);
}

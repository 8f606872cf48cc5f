#include "widgets/dialogs/CPushButton.h"

CPushButton::CPushButton(QWidget* parent) : QPushButton(parent) {}

CPushButton::CPushButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

CPushButton::CPushButton(const QIcon& icon, const QString& text, QWidget* parent)
    : QPushButton(icon, text, parent)
{
}

CPushButton::~CPushButton() = default;

#pragma once

// Every button of the program's forms, so that the style sheet can address them by class.

#include <QPushButton>

class CPushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CPushButton(QWidget* parent = nullptr);
    CPushButton(const QString& text, QWidget* parent = nullptr);
    CPushButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);
    ~CPushButton() override;
};

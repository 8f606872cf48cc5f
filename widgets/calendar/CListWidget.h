#pragma once

// The list widget of the plan page; the program's own class so that its style sheet can name it.

#include <QListWidget>

class CListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit CListWidget(QWidget* parent = nullptr);
    ~CListWidget() override;
};

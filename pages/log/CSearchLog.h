#pragma once

// TEMPORARY stand-in for the log page, so the main window can be built and run before the page exists;
// replaced when the page is built.

#include <QWidget>

class CSearchLog : public QWidget
{
    Q_OBJECT

public:
    explicit CSearchLog(QWidget* parent);
    ~CSearchLog() override;
};

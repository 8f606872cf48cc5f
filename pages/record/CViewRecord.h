#pragma once

// TEMPORARY stand-in for the record page, so the main window can be built and run before the page exists;
// replaced when the page is built.

#include <QWidget>

class CViewRecord : public QWidget
{
    Q_OBJECT

public:
    explicit CViewRecord(QWidget* parent);
    ~CViewRecord() override;

public Q_SLOTS:
    void ResetGroup();
};

#pragma once

// The export's folder dialog: a path chooser for the target folder; OK ("Export") hands the folder on, or
// says that it is empty.

#include "widgets/dialogs/CBaseDialog.h"

class QGridLayout;
class QLabel;
class CPathComboBox;

struct CExportRecordClass
{
    QGridLayout* gridLayout = nullptr;
    QLabel* label_2 = nullptr;
    CPathComboBox* pFilePathBox = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

class CExportRecord : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CExportRecord(QWidget* parent);
    ~CExportRecord() override;

Q_SIGNALS:
    void SignalAccepted(const QString& folder);

public Q_SLOTS:
    void OnAccepted();

private:
    CExportRecordClass ui;
};

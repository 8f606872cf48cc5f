#include "pages/record/CExportRecord.h"

#include "widgets/dialogs/CPathComboBox.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>

void CExportRecordClass::setupUi(QWidget* form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("UiExportRecordFile"));
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(12, 12, 12, 12);
    label_2 = new QLabel(form);
    label_2->setObjectName(QStringLiteral("label_2"));
    gridLayout->addWidget(label_2, 0, 0);
    pFilePathBox = new CPathComboBox(form);
    pFilePathBox->setObjectName(QStringLiteral("pFilePathBox"));
    pFilePathBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    gridLayout->addWidget(pFilePathBox, 0, 1);
    gridLayout->setColumnStretch(1, 1);
    retranslateUi(form);
}

void CExportRecordClass::retranslateUi(QWidget* /*form*/)
{
    label_2->setText(QCoreApplication::translate("CExportRecordClass", "File Path:"));
}

CExportRecord::CExportRecord(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    auto* form = new QWidget(GetContentFrame());
    ui.setupUi(form);
    SetContentWidget(form);
    SetTitle(tr("Export Record Files"));
    SetOkBtnText(tr("Export"));
    setFixedSize(300, 180);
    ShowCloseBtn(true);
    ui.pFilePathBox->SetCaption(tr("Select Path to save record files"));
    ui.pFilePathBox->SetMode(CPathComboBox::ModeDirectory);
    // The path is checked before the dialog closes, so a refused one can be chosen again in place.
    SetOkBtnAccept(false);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, [this] {
        if (ui.pFilePathBox->currentText().isEmpty()) {
            ShowInfoMsgBox(tr("Information"), tr("The path is empty"), this);
            return;
        }
        accept();
    });
    connect(this, &QDialog::accepted, this, &CExportRecord::OnAccepted);
}

CExportRecord::~CExportRecord() = default;

void CExportRecord::OnAccepted()
{
    const QString folder = ui.pFilePathBox->currentText();
    if (folder.isEmpty()) {
        ShowInfoMsgBox(tr("Information"), tr("The path is empty"), this);
        return;
    }
    Q_EMIT SignalAccepted(folder);
}

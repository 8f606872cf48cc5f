#include "pages/log/CLogBackup.h"

#include "ui_CLogBackup.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QKeyEvent>

CLogBackup::CLogBackup(QWidget* parent)
    : CBaseDialog(parent, true, true, true), m_ui(std::make_unique<Ui::UiLogBackup>())
{
    m_ui->setupUi(GetContentFrame());
    SetTitle(tr("Backup Log"));
    SetOkBtnText(tr("Backup"));
    setFixedSize(300, 180);
    ShowCloseBtn(true);

    m_ui->pBackcBox->SetCaption(tr("Select Log Backup File"));
    m_ui->pBackcBox->SetMode(0);
    m_ui->pBackcBox->SetFilter(tr("XML(*.xml)"));

    // The dialog closes only with a path: closing on an empty one would look like a finished backup.
    SetOkBtnAccept(false);
    connect(this, &CBaseDialog::ClickedOKBtnSig, this, [this] {
        if (m_ui->pBackcBox->currentText().isEmpty()) {
            ShowInfoMsgBox(tr("Information"), tr("The path is empty"), this);
            return;
        }
        accept();
    });
    connect(this, &QDialog::accepted, this, &CLogBackup::OnAccepted);
}

CLogBackup::~CLogBackup() = default;

void CLogBackup::OnAccepted()
{
    const QString path = m_ui->pBackcBox->currentText();
    if (!path.isEmpty())
        emit SignalAccepted(path);
}

void CLogBackup::keyPressEvent(QKeyEvent* event)
{
    // Swallowed, so that the page behind does not get it either.
    event->accept();
}

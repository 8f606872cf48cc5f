// The system page's mail section: the "Enable Mail" switch, the reconnect count, the mail account and the
// test mail.

#include "config/system/CDlgCfgSystem.h"

#include "config/FieldRules.h"
#include "model/DbAccess.h"
#include "model/Mail.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolTip>

#include <cstring>

namespace {

// A record's text up to its terminator, or the whole field when it has none.
template <size_t N> QString FieldText(const char (&field)[N])
{
    return QString::fromUtf8(field, qsizetype(strnlen(field, N)));
}

// Restores the cursor however the blocking send ends.
struct WaitCursor
{
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void CDlgCfgSystem::InitMailControls()
{
    ui.m_pcheckBoxEmail->setChecked(false);
    const struct
    {
        QLineEdit* edit;
        int maxBytes;
    } fields[] = {
        {ui.m_plineEditReceiverAddress, kMailAddressBytes}, {ui.m_plineEditDeliverServer, kMailServerBytes},
        {ui.m_plineEditDeliverAddress, kMailAddressBytes},  {ui.m_plineEditMailUserName, kMailAddressBytes},
        {ui.m_plineEditMailPassWord, kMailPasswordBytes},
    };
    for (const auto& field : fields) {
        field.edit->setMaxLength(field.maxBytes);
        field.edit->setValidator(NoApostropheValidator(field.maxBytes, this));
    }
    ui.m_plineEditMailPassWord->setEchoMode(QLineEdit::Password);
    ui.m_plineEditPort->setMaxLength(5);
    ui.m_plineEditPort->setValidator(DigitsValidator(this));
    for (QWidget* widget :
         {static_cast<QWidget*>(ui.m_plineEditReceiverAddress),
          static_cast<QWidget*>(ui.m_plineEditDeliverServer), static_cast<QWidget*>(ui.m_plineEditPort),
          static_cast<QWidget*>(ui.m_plineEditDeliverAddress),
          static_cast<QWidget*>(ui.m_plineEditMailUserName),
          static_cast<QWidget*>(ui.m_plineEditMailPassWord), static_cast<QWidget*>(ui.m_pBtnTestConnection)})
        widget->setEnabled(false);
}

void CDlgCfgSystem::LoadMailConfig()
{
    ui.m_plineEditReceiverAddress->setText(FieldText(m_mailConfig.MailTo));
    ui.m_plineEditDeliverServer->setText(FieldText(m_mailConfig.SMTPAddr));
    ui.m_plineEditDeliverAddress->setText(FieldText(m_mailConfig.MailFrom));
    ui.m_plineEditMailUserName->setText(FieldText(m_mailConfig.MailName));
    ui.m_plineEditMailPassWord->setText(FieldText(m_mailConfig.MailPassword));
    ui.m_plineEditPort->setText(QString::number(m_mailConfig.SMTPPort));
    ui.m_pcheckBoxEmail->setChecked(m_sysConfig.IsEnableEmail != 0);
    ui.m_pspinBoxReconnect->setValue(m_sysConfig.ReconnetNum);
    OnCheckBoxEmail(m_sysConfig.IsEnableEmail != 0 ? Qt::Checked : Qt::Unchecked);
}

void CDlgCfgSystem::OnCheckBoxEmail(int state)
{
    const bool on = state != 0;
    ui.m_pspinBoxReconnect->setEnabled(on);
    ui.m_plineEditReceiverAddress->setEnabled(on);
    ui.m_plineEditDeliverServer->setEnabled(on);
    ui.m_plineEditPort->setEnabled(on);
    ui.m_plineEditDeliverAddress->setEnabled(on);
    ui.m_plineEditMailUserName->setEnabled(on);
    ui.m_plineEditMailPassWord->setEnabled(on);
    ui.m_pBtnTestConnection->setEnabled(on);
}

bool CDlgCfgSystem::CheckLength(QLineEdit* edit, int maxBytes)
{
    // Typing cannot pass the limit, but a stored text from an older database can.
    if (QStringToLocal(edit->text().trimmed()).size() <= maxBytes)
        return true;
    edit->setFocus();
    ShowFieldTip(edit, tr("The text is too long"));
    return false;
}

bool CDlgCfgSystem::CheckPort(int* port)
{
    bool ok = false;
    const int value = ui.m_plineEditPort->text().trimmed().toInt(&ok);
    const QString text = tr("SMTP port No. ranges from 1 to 65535.");
    if (ok && value > 65535) {
        Q_EMIT FieldRefused();
        ui.m_plineEditPort->setFocus();
        QToolTip::showText(ui.m_plineEditPort->mapToGlobal(QPoint(0, 0)), text, ui.m_plineEditPort);
        return false;
    }
    if (!ok || value <= 0) {
        ShowFieldTip(ui.m_plineEditPort, text);
        return false;
    }
    *port = value;
    return true;
}

bool CDlgCfgSystem::TakeMailValues(SYSTEM_CONFIG& sys, MAIL_CONFIG& mail)
{
    sys.ReconnetNum = ui.m_pspinBoxReconnect->value();
    sys.IsEnableEmail = ui.m_pcheckBoxEmail->isChecked() ? 1 : 0;
    if (!CheckLength(ui.m_plineEditReceiverAddress, kMailAddressBytes))
        return false;
    CopyStringN(mail.MailTo, QStringToStdString(ui.m_plineEditReceiverAddress->text().trimmed()));
    if (!CheckLength(ui.m_plineEditDeliverServer, kMailServerBytes))
        return false;
    CopyStringN(mail.SMTPAddr, QStringToStdString(ui.m_plineEditDeliverServer->text().trimmed()));
    int port = 0;
    if (!CheckPort(&port))
        return false;
    mail.SMTPPort = uint16_t(port);
    const struct
    {
        QLineEdit* edit;
        int maxBytes;
    } rest[] = {{ui.m_plineEditDeliverAddress, kMailAddressBytes},
                {ui.m_plineEditMailUserName, kMailAddressBytes},
                {ui.m_plineEditMailPassWord, kMailPasswordBytes}};
    for (const auto& field : rest) {
        if (!CheckLength(field.edit, field.maxBytes))
            return false;
    }
    CopyStringN(mail.MailFrom, QStringToStdString(ui.m_plineEditDeliverAddress->text().trimmed()));
    CopyStringN(mail.MailName, QStringToStdString(ui.m_plineEditMailUserName->text().trimmed()));
    CopyStringN(mail.MailPassword, QStringToStdString(ui.m_plineEditMailPassWord->text().trimmed()));
    return true;
}

void CDlgCfgSystem::OnBtnClickedTestConnection()
{
    // The test sends what a save would store, checked the same way; it stores nothing itself.
    SYSTEM_CONFIG sys = m_sysConfig;
    MAIL_CONFIG mail = m_mailConfig;
    if (!TakeMailValues(sys, mail))
        return;
    bool sent = false;
    MAIL_FAILURE failure;
    {
        const WaitCursor wait;
        sent = SendEmailWithConfig(
            mail, tr("Email Test"),
            tr("This is a test email send by Quesselkit,Test email has send successfully"), &failure);
    }
    if (sent) {
        ShowInfoMsgBox(tr("Success"), tr("Send test mail successfully"), this);
        return;
    }
    ShowInfoMsgBox(tr("Error"), tr("Send test mail failed") + QLatin1Char('\n') + MailFailureText(failure),
                   this);
}

QString CDlgCfgSystem::MailFailureText(const MAIL_FAILURE& failure)
{
    // The program's own sentence in the operator's language; the library's words, which only it knows, may
    // follow in brackets. A failed encryption is said plainly, since it may mean that someone listens between
    // the station and the server.
    QString text;
    switch (failure.Cause) {
    case MAIL_CAUSE::Settings:
        text = tr("The mail server's address or the port cannot be used.");
        break;
    case MAIL_CAUSE::TooLong:
        text = tr("The user name, the sender's or the receiver's address is longer than %1 bytes.")
                   .arg(MAIL_TEXT_FIELD_SIZE - 1);
        break;
    case MAIL_CAUSE::Build:
        text = tr("The mail cannot be built from these settings.");
        break;
    case MAIL_CAUSE::ServerNotFound:
        text = tr("The mail server's name cannot be found.");
        break;
    case MAIL_CAUSE::NoConnection:
        text = tr("The mail server cannot be reached on this port.");
        break;
    case MAIL_CAUSE::NoAnswer:
        text = tr("The mail server did not answer in time.");
        break;
    case MAIL_CAUSE::Login:
        text = tr("The mail server refused the login: check the sender's address and the password.");
        break;
    case MAIL_CAUSE::SenderRefused:
        text = tr("The mail server refused the sender's address.");
        break;
    case MAIL_CAUSE::RecipientRefused:
        text = tr("The mail server refused the receiver's address.");
        break;
    case MAIL_CAUSE::Tls:
        text = tr("The server offers an encrypted connection, but it could not be made, so the login was not "
                  "sent.");
        break;
    case MAIL_CAUSE::Broken:
        text = tr("The connection to the mail server broke.");
        break;
    case MAIL_CAUSE::None:
    case MAIL_CAUSE::Other:
        text = tr("The mail could not be sent.");
        break;
    }
    if (!failure.LibraryText.empty())
        text = tr("%1 (%2)").arg(text, QString::fromStdString(failure.LibraryText));
    return text;
}

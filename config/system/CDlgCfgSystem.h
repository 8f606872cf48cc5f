#pragma once

// The settings dialog's first page: auto-start with the automatic log-on account, the disks that receive the
// recordings, what happens when they are full, and the report mail. The page works on copies of the system
// and mail settings; the settings dialog's OK runs Save(), which checks the fields, writes what changed to
// the model, tells the state page about changed disks or full-disk behaviour, and rewrites the auto-start
// values.

#include "config/system/DlgCfgSystem.h"
#include "model/Mail.h"
#include "model/Records.h"
#include "platform/DriveMap.h"

#include <QDialog>
#include <QModelIndex>

#include <cstdint>

class QLineEdit;

// One drive of the disk table; all zero until filled.
struct LOCAL_DISK_INFO
{
    uint8_t IsValid = 0;    // the record holds a listed drive
    uint8_t IsSelected = 0; // its row was ticked at the last save
    char Letter = 0;
    char TotalSpace[32] = {}; // "%0.1f GB", or "-" when the volume cannot be read
    char FreeSpace[32] = {};
};

constexpr int MAX_LOCAL_DISK_NUM = 26;

class CDlgCfgSystem : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgCfgSystem(QWidget* parent);
    ~CDlgCfgSystem() override;

    // The settings dialog's save of this page; false when a field was refused or a write failed (the page
    // then shows why).
    bool Save();

    // Embedded in the settings dialog: Escape must not hide the page.
    void reject() override {}

    // For tests and the settings dialog.
    DlgCfgSystem& Form() { return ui; }
    const LOCAL_DISK_INFO& DiskInfo(int index) const { return m_diskInfo[index]; }

    // A size as the disk table shows it: "%0.1f GB", or "-" when it could not be read.
    static QString SpaceText(qint64 bytes, bool known);
    // Why a mail was not sent, in the operator's language, for the line under "Send test mail failed".
    static QString MailFailureText(const MAIL_FAILURE& failure);

    // The most bytes each text field holds: what the record stores (a mail address also fits the mail's
    // address field).
    static constexpr int kOSTextBytes = 43;
    static constexpr int kMailAddressBytes = 63;
    static constexpr int kMailServerBytes = 127;
    static constexpr int kMailPasswordBytes = 63;

Q_SIGNALS:
    // A check refused one of this page's fields: whoever holds the page shows it before the field's bubble.
    void FieldRefused();
    void DiskChanged();
    void BackupModeChanged(int diskMode);

public Q_SLOTS:
    bool OnBtnClickedOK();
    void OnBtnClickedTestConnection();
    void OnCheckBoxAutoStart(int state);
    void OnCheckBoxEmail(int state);

private:
    void InitControls();
    void InitMailControls();
    void FillDiskTable();
    void GetFixedDisks();
    // The drive map with each letter's space, read off the window's thread; when the operator gives the
    // reading up, the map file's letters, none looked at.
    QList<DRIVE_INFO> ReadDrives();
    void LoadConfig();
    void LoadMailConfig();
    // Takes the mail section's fields into `sys` and `mail`, as the save stores them; false (and the field
    // shown) for a refused port or an over-long text.
    bool TakeMailValues(SYSTEM_CONFIG& sys, MAIL_CONFIG& mail);
    bool CheckPort(int* port);
    bool CheckLength(QLineEdit* edit, int maxBytes);
    bool IsDiskChanged() const;
    // The letters chosen when the page opened (or was last saved), ticked now, and unticked at some time
    // since: chosen again, so each takes the folder found at its next set-up, whatever mark it holds.
    QByteArray ChosenAgain() const;
    // Notes a letter unticked in the table (for ChosenAgain).
    void OnDiskTicks(const QModelIndex& from, const QModelIndex& to, const QList<int>& roles);
    bool IsConfigChanged() const;
    // Writes the auto-start entry and the log-on values; false when they could not be written.
    bool SetAutoRun(bool autoRun);
    void ShowFieldTip(QLineEdit* edit, const QString& text);

    DlgCfgSystem ui;
    SYSTEM_CONFIG m_sysConfig; // the working copies
    // What the model holds: as loaded when the page was built, or as this page's last save stored it.
    SYSTEM_CONFIG m_sysConfigOld;
    MAIL_CONFIG m_mailConfig;
    MAIL_CONFIG m_mailConfigOld;
    LOCAL_DISK_INFO m_diskInfo[MAX_LOCAL_DISK_NUM];
    QStringList m_diskPaths;      // the folder of disk record i, as the table's last column shows it
    QByteArray m_untickedLetters; // letters unticked by the operator since the page opened or last saved
    bool m_drivesUnread = false;  // the last reading of the disks was cancelled: nothing is known of them
};

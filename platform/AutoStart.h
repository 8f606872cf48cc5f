#pragma once

// Starting the program with the desktop session, and the values for an automatic log-on, behind one interface
// so that tests can put a fake in its place. The program only keeps the log-on values; whether the system
// logs on by itself is the display manager's own setting (see the README).

#include <QString>

#include <memory>

// The automatic log-on values as the program keeps them.
struct AUTO_LOGON
{
    bool Enabled = false; // log on by itself with the account below
    QString UserName;
    QString Password;
};

class CAutoStart
{
public:
    virtual ~CAutoStart();

    // Starts `programPath` with the desktop session (on), or no longer (off). False when it could not be
    // written or removed.
    virtual bool SetRunEntry(bool on, const QString& programPath) = 0;
    // The program that starts with the session; empty when none.
    virtual QString RunEntry() const = 0;

    // Writes the log-on values: `Enabled`, and the account only when `writeAccount` (an empty user name
    // leaves the account that is kept as it was). False when the values could not be written.
    virtual bool SetAutoLogon(const AUTO_LOGON& logon, bool writeAccount) = 0;
    virtual AUTO_LOGON AutoLogon() const = 0;

    // The layer the program uses; the real one unless a test put another in its place.
    static CAutoStart& Current();
    // Puts `layer` in place of the current one (null: the real one again). The caller keeps ownership and
    // must undo it before `layer` goes.
    static void SetCurrent(CAutoStart* layer);
};

// The real layer: an XDG autostart entry "Varrow.desktop" and a log-on file readable only by its owner.
class CXdgAutoStart : public CAutoStart
{
public:
    // The user's autostart folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart) and "AutoLogon.conf"
    // in the program's directory.
    CXdgAutoStart();
    CXdgAutoStart(const QString& autostartDir, const QString& logonFile);

    bool SetRunEntry(bool on, const QString& programPath) override;
    QString RunEntry() const override;
    bool SetAutoLogon(const AUTO_LOGON& logon, bool writeAccount) override;
    AUTO_LOGON AutoLogon() const override;

    QString EntryPath() const;

    // The Exec line's value for a program path, quoted and escaped as desktop entries require.
    static QString ExecValue(const QString& programPath);

private:
    QString m_autostartDir;
    QString m_logonFile;
};

#pragma once

// The auto-start layer for tests: keeps the entry and the log-on values in memory, counts the writes, can be
// told to fail, and puts itself in place of the real layer while it lives.

#include "platform/AutoStart.h"

class CFakeAutoStart : public CAutoStart
{
public:
    CFakeAutoStart();
    ~CFakeAutoStart() override;
    CFakeAutoStart(const CFakeAutoStart&) = delete;
    CFakeAutoStart& operator=(const CFakeAutoStart&) = delete;

    bool SetRunEntry(bool on, const QString& programPath) override;
    QString RunEntry() const override { return m_entry; }
    bool SetAutoLogon(const AUTO_LOGON& logon, bool writeAccount) override;
    AUTO_LOGON AutoLogon() const override { return m_logon; }

    int Writes() const { return m_writes; }
    bool Fail = false; // every write fails and changes nothing

private:
    QString m_entry;
    AUTO_LOGON m_logon;
    int m_writes = 0;
};

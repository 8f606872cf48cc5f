#include "tests/support/FakeAutoStart.h"

CFakeAutoStart::CFakeAutoStart()
{
    CAutoStart::SetCurrent(this);
}

CFakeAutoStart::~CFakeAutoStart()
{
    CAutoStart::SetCurrent(nullptr);
}

bool CFakeAutoStart::SetRunEntry(bool on, const QString& programPath)
{
    ++m_writes;
    if (Fail)
        return false;
    m_entry = on ? programPath : QString();
    return true;
}

bool CFakeAutoStart::SetAutoLogon(const AUTO_LOGON& logon, bool writeAccount)
{
    ++m_writes;
    if (Fail)
        return false;
    m_logon.Enabled = logon.Enabled;
    if (writeAccount) {
        m_logon.UserName = logon.UserName;
        m_logon.Password = logon.Password;
    }
    return true;
}

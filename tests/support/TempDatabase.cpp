#include "tests/support/TempDatabase.h"

#include "model/Utility.h"

CTempDatabase::CTempDatabase()
{
    // m_dir already points the program directory at itself; a connection of an earlier directory must go.
    CloseMainDB();
    if (m_dir.IsValid())
        SetAppDirOverride(m_dir.Path());
}

CTempDatabase::~CTempDatabase()
{
    CloseMainDB();
    SetAppDirOverride(TestSupport::ProcessAppDir().Path());
}

CSQLite3DB& CTempDatabase::Reopen()
{
    CloseMainDB();
    return GetMainDB();
}

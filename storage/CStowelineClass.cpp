#include "storage/CStowelineClass.h"

#include "storage/StowelineParts.h"

#include <QDir>

using namespace StowelineDetail;

CStowelineClass::CStowelineClass() : m_freeSpace(GetDefaultFreeSpaceProvider()) {}

CStowelineClass::~CStowelineClass()
{
    Uninit();
}

QString CStowelineClass::RecordRootOf(const QString& driveDirectory)
{
    return QDir::cleanPath(driveDirectory + QLatin1Char('/') + QLatin1String(kRecordsFolder));
}

QString CStowelineClass::EncodeRecordName(const char* name)
{
    if (name == nullptr || *name == '\0')
        return {};
    QString encoded;
    for (const char* p = name; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-' || (c == '.' && p != name);
        if (plain)
            encoded += QLatin1Char(static_cast<char>(c));
        else
            encoded += QString::asprintf("%%%02X", unsigned(c));
        if (encoded.size() > kMaxEncodedName)
            return {};
    }
    return encoded;
}

void CStowelineClass::SetWriteFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_writeFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetSyncFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_syncFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetProbeFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_probeFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
    for (auto& root : m_roots) {
        std::lock_guard rootLock(root->mutex);
        root->probeFault = m_probeFault;
    }
}

void CStowelineClass::SetOpenFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_openFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetRenameFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_renameFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetFolderSyncFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_folderSyncFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetReadFault(WriteFault fault)
{
    std::lock_guard lock(m_mutex);
    m_readFault = fault ? std::make_shared<const WriteFault>(std::move(fault)) : nullptr;
}

void CStowelineClass::SetFreeSpaceProvider(StowelineFreeSpaceProvider provider)
{
    std::lock_guard lock(m_mutex);
    m_freeSpace = provider ? std::move(provider) : StowelineFreeSpaceProvider(FileSystemFreeSpace);
    for (auto& root : m_roots) {
        std::lock_guard rootLock(root->mutex);
        root->freeSpace = m_freeSpace;
        root->estimate = -1;
    }
}

QStringList CStowelineClass::DiskNames() const
{
    std::lock_guard lock(m_mutex);
    QStringList names;
    for (const auto& root : m_roots)
        names << (root->drive == root->driveDir ? root->dir : root->drive + QLatin1Char(' ') + root->dir);
    return names;
}

int CStowelineClass::GetLastError() const
{
    return t_lastError;
}

STOWELINE_ROOT_ERROR CStowelineClass::GetLastRootError() const
{
    return t_rootError;
}

bool NewStowelineClass(CStowelineClass** out)
{
    if (out == nullptr)
        return false;
    *out = new (std::nothrow) CStowelineClass;
    return *out != nullptr;
}

void DelStowelineClass(CStowelineClass** object)
{
    if (object == nullptr)
        return;
    delete *object;
    *object = nullptr;
}

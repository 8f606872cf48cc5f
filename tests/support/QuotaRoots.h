#pragma once

// Storage roots with small quotas: a free-space provider for the storage layer that reports, for a directory
// below a quota'd folder, the quota minus the bytes of every file below that folder (temporary files
// included).

#include "storage/CStowelineClass.h"

#include <QMap>
#include <QString>

#include <memory>
#include <mutex>

class CQuotaRoots
{
public:
    CQuotaRoots();

    // Gives the folder (and everything below it) a quota in bytes.
    void SetQuota(const QString& folder, qint64 bytes);
    // The provider to hand to the storage layer; it stays valid after this object is gone.
    StowelineFreeSpaceProvider Provider() const;

    // Bytes of all files below the folder.
    static qint64 UsedBytes(const QString& folder);

private:
    struct CState
    {
        std::mutex mutex;
        QMap<QString, qint64> quotas;
    };
    std::shared_ptr<CState> m_state;
};

#pragma once

// Storage roots with small quotas: the free space of a directory below a quota'd folder is the quota minus
// the bytes of every file below that folder, temporary files included.

#include "storage/CStowelineClass.h"

#include <QMap>
#include <QString>

#include <memory>
#include <mutex>

class CQuotaRoots
{
public:
    CQuotaRoots();

    void SetQuota(const QString& folder, qint64 bytes);
    // The provider to hand to the storage layer; it stays valid after this object is gone.
    StowelineFreeSpaceProvider Provider() const;

    static qint64 UsedBytes(const QString& folder);

private:
    struct CState
    {
        std::mutex mutex;
        QMap<QString, qint64> quotas;
    };
    std::shared_ptr<CState> m_state;
};

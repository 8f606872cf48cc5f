#include "tests/support/QuotaRoots.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

CQuotaRoots::CQuotaRoots() : m_state(std::make_shared<CState>()) {}

void CQuotaRoots::SetQuota(const QString& folder, qint64 bytes)
{
    std::lock_guard lock(m_state->mutex);
    m_state->quotas.insert(QDir::cleanPath(folder), bytes);
}

qint64 CQuotaRoots::UsedBytes(const QString& folder)
{
    qint64 used = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        // The station's mark of a disk is not counted: the quota stands for the room of the records.
        if (it.fileName() != QLatin1String(".station-mark"))
            used += it.fileInfo().size();
    }
    return used;
}

StowelineFreeSpaceProvider CQuotaRoots::Provider() const
{
    std::shared_ptr<CState> state = m_state;
    return [state](const QString& directory) -> qint64 {
        const QString dir = QDir::cleanPath(directory);
        QString folder;
        qint64 quota = 0;
        {
            std::lock_guard lock(state->mutex);
            for (auto it = state->quotas.cbegin(); it != state->quotas.cend(); ++it) {
                if (dir == it.key() || dir.startsWith(it.key() + QLatin1Char('/'))) {
                    folder = it.key();
                    quota = it.value();
                }
            }
        }
        // Directories without a quota have plenty of room.
        return folder.isEmpty() ? qint64(1) << 40 : std::max<qint64>(0, quota - UsedBytes(folder));
    };
}

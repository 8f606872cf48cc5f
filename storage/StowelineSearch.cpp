#include "storage/CStowelineClass.h"

#include "storage/StowelineParts.h"

#include <QFile>

#include <algorithm>

using namespace StowelineDetail;

int CStowelineClass::SearchChannelRecord(const RECORD_SEARCH_COND* condition, StowelineList** result)
{
    CReportScope reports;
    if (condition == nullptr || result == nullptr)
        return Fail(STOWELINE_ERR_PARAM);
    *result = nullptr;
    char name[sizeof(condition->RecordName) + 1] = {};
    std::memcpy(name, condition->RecordName, sizeof(condition->RecordName));
    const QString folder = EncodeRecordName(name);
    if (folder.isEmpty() || !IsValidTime(condition->StartTime) || !IsValidTime(condition->EndTime))
        return Fail(STOWELINE_ERR_PARAM);
    const QString from = CompactText(condition->StartTime);
    const QString to = CompactText(condition->EndTime);

    std::vector<std::shared_ptr<CRoot>> roots;
    {
        std::lock_guard lock(m_mutex);
        if (!m_init)
            return Fail(STOWELINE_ERR_NOT_INIT);
        roots = m_roots;
    }

    struct CFound
    {
        QString start;
        QString path;
    };
    std::vector<CFound> found;
    const QByteArray folderName = folder.toLatin1();
    for (const auto& root : roots) {
        const CFd records(root->OpenRecords(false));
        const CFd nameDir(records.Valid() ? OpenSubDir(records.Get(), folderName) : -1);
        if (!nameDir.Valid())
            continue;
        const QString namePath = root->dir + QLatin1Char('/') + folder;
        for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
            // A record lies in the folder of its start day, so later days cannot overlap the range.
            if (!day.Dir || !IsDayName(day.Name) || QString::fromLatin1(day.Name) > to.left(8))
                continue;
            const CFd dayDir(OpenSubDir(nameDir.Get(), day.Name));
            if (!dayDir.Valid())
                continue;
            const QString dayPath = namePath + QLatin1Char('/') + QString::fromLatin1(day.Name);
            for (const DIR_ENTRY& file : ListDir(dayDir.Get())) {
                QString start, stop;
                quint32 type = 0;
                const QString fileName = QFile::decodeName(file.Name);
                if (!file.File || !ParseFileName(fileName, &start, &stop, &type) || start > to || stop < from)
                    continue;
                if (condition->FileType != 0 &&
                    (condition->FileType < 0 || type != quint32(condition->FileType)))
                    continue;
                found.push_back({start, dayPath + QLatin1Char('/') + fileName});
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.start != b.start ? a.start < b.start : a.path < b.path;
    });

    auto list = std::make_unique<StowelineList>();
    for (const CFound& f : found) {
        if (!list->Append(QFile::encodeName(f.path).constData()))
            qWarning() << "storage: path too long for a search answer:" << f.path;
    }
    t_lastError = STOWELINE_OK;
    if (list->Count() == 0)
        return 0;
    std::lock_guard lock(m_mutex);
    auto& slot = m_results[std::this_thread::get_id()];
    slot = std::move(list);
    *result = slot.get();
    return 1;
}

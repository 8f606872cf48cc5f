#include "storage/CStowelineClass.h"

#include "storage/StowelineMarks.h"
#include "storage/StowelineParts.h"

#include "platform/VolumeCall.h"

#include <QFile>

#include <algorithm>
#include <queue>
#include <set>

using namespace FileHandles;
using namespace StowelineDetail;

namespace {

// How long one disk may take to list a record name's files before it is named as not answering.
constexpr int kSearchAnswerMs = VolumeCall::kDefaultBoundMs;

// What the last search on this thread could not give: the disks it could not search, and whether it
// matched more than it returned.
thread_local std::vector<STOWELINE_ROOT_ERROR> t_unsearched;
thread_local bool t_cut = false;
// The search-only disks whose records it found.
thread_local std::vector<STOWELINE_ROOT_ERROR> t_others;

struct CFound
{
    QString start;
    QString path;

    bool operator<(const CFound& other) const
    {
        return start != other.start ? start < other.start : path < other.path;
    }
};

} // namespace

bool CStowelineClass::LastSearchCut() const
{
    return t_cut;
}

std::vector<STOWELINE_ROOT_ERROR> CStowelineClass::GetLastSearchRootErrors() const
{
    return t_unsearched;
}

std::vector<STOWELINE_ROOT_ERROR> CStowelineClass::GetLastSearchOtherDisks() const
{
    return t_others;
}

int CStowelineClass::SearchChannelRecord(const RECORD_SEARCH_COND* condition, StowelineList** result,
                                         const std::function<bool()>& stop)
{
    CReportScope reports;
    t_unsearched.clear();
    t_others.clear();
    t_cut = false;
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
    std::vector<std::shared_ptr<CRoot>> searchOnly;
    {
        std::lock_guard lock(m_mutex);
        if (!m_init)
            return Fail(STOWELINE_ERR_NOT_INIT);
        roots = m_roots;
        searchOnly = m_searchOnly;
    }

    // The earliest matches only, the latest of them on top: however many files a folder holds, the search
    // keeps no more than it returns.
    std::priority_queue<CFound> found;
    const auto keep = [&](CFound match) {
        if (found.size() == size_t(kMaxSearchMatches)) {
            t_cut = true;
            if (!(match < found.top()))
                return;
            found.pop();
        }
        found.push(std::move(match));
    };
    const QByteArray folderName = folder.toLatin1();
    // What one disk gave. It is read on a thread of its own and left there when the disk does not answer,
    // so it owns everything it touches and reports through this alone.
    struct FINDINGS
    {
        std::vector<CFound> found; // its earliest matches, at most kMaxSearchMatches
        bool cut = false;
        std::optional<STOWELINE_ROOT_ERROR> unsearched;
        bool foundHere = false;
        bool searched = false; // its Records folder was read
        QByteArray mark;       // the station's mark its Records holds
    };
    // The marks of the disks searched so far: read and written on the caller's thread alone. Only a disk
    // actually searched counts: a chosen disk waited for (another folder stands at its letter) has not been,
    // and its own folder found at another letter is searched there.
    std::set<QByteArray> searchedMarks;
    // Reads one disk's records of the name; `chosen`: a disk of the set-up, else a search-only one, which
    // counts as unsearched only where its Records folder stands and is refused.
    const auto searchRoot = [folder, folderName, from, to, fileType = condition->FileType](
                                const std::shared_ptr<CRoot>& root, bool chosen) {
        CReportScope reports;
        FINDINGS findings;
        std::priority_queue<CFound> kept;
        // A disk that is not there is not a disk without records: the caller names it.
        if (LookDriveGone(*root)) {
            if (chosen) {
                findings.unsearched = LookGoneError(*root);
                // Named as the set-up names it: why the folder found is not the disk of the kept mark.
                if (findings.unsearched->Replaced && !root->Mark().isEmpty()) {
                    findings.unsearched->Mark = root->MarkMismatch();
                    if (findings.unsearched->Mark == STOWELINE_ROOT_ERROR::MARK_MATCHES)
                        findings.unsearched->Mark = STOWELINE_ROOT_ERROR::MARK_NONE;
                }
            }
            return findings;
        }
        // The same checks as for every use of a disk: Records the station's own and closed to others.
        const CFd records(root->OpenRecords(false));
        if (!records.Valid()) {
            // Every disk that was there at the set-up got its Records folder: one without it now is the bare
            // folder of a volume that did not mount (where the map does not know it for a volume's), or lost
            // it; either way its records are not known.
            const int error = errno;
            // A letter the station never wrote to (no kept mark) is another user's volume: not named.
            if (!chosen && (error == ENOENT || root->keptMark.isEmpty()))
                return findings;
            findings.unsearched =
                STOWELINE_ROOT_ERROR{root->drive, root->dir, error == ENOENT ? 0 : error, false};
            if (error == ELOOP)
                root->NoteLink(root->dir);
            return findings;
        }
        // A letter that leads to a disk searched already (its mark says so, whatever its path) adds nothing:
        // the caller drops it, so every record is listed once.
        findings.searched = true;
        QByteArray mark;
        if (ReadMark(records.Get(), &mark) == MARK_STATE::OWN)
            findings.mark = mark;
        const QString namePath = root->dir + QLatin1Char('/') + folder;
        const CFd nameDir(OpenSubDir(records.Get(), folderName));
        if (!nameDir.Valid()) {
            root->NoteRefusedFolder(namePath, errno);
            return findings;
        }
        for (const DIR_ENTRY& day : ListDir(nameDir.Get())) {
            // A record lies in the folder of its start day, so later days cannot overlap the range.
            if (!day.Dir || !IsDayName(day.Name) || QString::fromLatin1(day.Name) > to.left(8))
                continue;
            const QString dayPath = namePath + QLatin1Char('/') + QString::fromLatin1(day.Name);
            const CFd dayDir(OpenSubDir(nameDir.Get(), day.Name));
            if (!dayDir.Valid()) {
                root->NoteRefusedFolder(dayPath, errno);
                continue;
            }
            for (const DIR_ENTRY& file : ListDir(dayDir.Get())) {
                QString start, stop;
                quint32 type = 0;
                const QString fileName = QFile::decodeName(file.Name);
                if (!file.File || !ParseFileName(fileName, &start, &stop, &type) || start > to || stop < from)
                    continue;
                if (fileType != 0 && (fileType < 0 || type != quint32(fileType)))
                    continue;
                findings.foundHere = true;
                CFound match{start, dayPath + QLatin1Char('/') + fileName};
                if (kept.size() == size_t(kMaxSearchMatches)) {
                    findings.cut = true;
                    if (!(match < kept.top()))
                        continue;
                    kept.pop();
                }
                kept.push(std::move(match));
            }
        }
        for (; !kept.empty(); kept.pop())
            findings.found.push_back(kept.top());
        return findings;
    };
    // A disk that does not answer (a network share whose server went silent, a FUSE volume whose daemon
    // stopped) is named and passed over; one that stayed silent at an earlier search answers at once.
    bool stopped = false;
    // True when the disk was searched (its mark then counts as searched).
    const auto searchWithin = [&](const std::shared_ptr<CRoot>& root, bool chosen) {
        if (stopped)
            return false;
        FINDINGS findings;
        const VolumeCall::OUTCOME outcome = VolumeCall::Run<FINDINGS>(
            root->dir, [searchRoot, root, chosen] { return searchRoot(root, chosen); }, kSearchAnswerMs,
            &findings, stop);
        if (outcome == VolumeCall::OUTCOME_STOPPED) {
            stopped = true;
            return false;
        }
        if (outcome == VolumeCall::OUTCOME_NO_ANSWER) {
            qWarning() << "storage: drive" << root->drive << "at" << root->driveDir << "does not answer";
            STOWELINE_ROOT_ERROR silent{root->drive, root->driveDir, 0, false};
            silent.NoAnswer = true;
            t_unsearched.push_back(silent);
            return false;
        }
        if (!chosen && !findings.mark.isEmpty() && !searchedMarks.insert(findings.mark).second)
            return false;
        if (findings.searched && !findings.mark.isEmpty())
            searchedMarks.insert(findings.mark);
        if (findings.unsearched)
            t_unsearched.push_back(*findings.unsearched);
        t_cut = t_cut || findings.cut;
        for (CFound& match : findings.found)
            keep(std::move(match));
        if (findings.foundHere && !chosen)
            t_others.push_back({root->drive, root->driveDir, 0, false});
        return findings.searched;
    };
    for (const auto& root : roots) {
        if (searchWithin(root, true))
            searchedMarks.insert(root->Mark());
    }
    for (const auto& root : searchOnly)
        searchWithin(root, false);
    std::vector<CFound> sorted;
    sorted.reserve(found.size());
    for (; !found.empty(); found.pop())
        sorted.push_back(found.top());
    std::reverse(sorted.begin(), sorted.end());

    auto list = std::make_unique<StowelineList>();
    for (const CFound& f : sorted) {
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

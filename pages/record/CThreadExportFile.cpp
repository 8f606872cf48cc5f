#include "pages/record/CThreadExportFile.h"

#include "platform/FileHandles.h"
#include "platform/ReplacingFile.h"
#include "platform/VolumeCall.h"
#include "storage/StoredRecordFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using FileHandles::CFd;
using FileHandles::WriteAll;

namespace {

constexpr size_t kBlock = 1024 * 1024;
// Written bytes are flushed to the disk every so often, so the flush at the end of a large copy to a slow
// stick (which no stop can cut short) stays as short as the ones before it.
constexpr size_t kFlushEvery = 16 * kBlock;

// How long a call on the export folder's volume is waited for: long enough for a slow stick to take a
// block or flush what it was given, short enough for the operator to see a silent volume named.
constexpr int kVolumeBoundMs = 15000;
std::atomic_int g_boundMs{kVolumeBoundMs};
// How long the copy's removal is waited for once a stop was asked.
constexpr qint64 kReleaseGraceMs = 250;

std::mutex g_hookMutex;
std::shared_ptr<const CThreadExportFile::BlockHook> g_blockHook;

std::shared_ptr<const CThreadExportFile::BlockHook> BlockHookNow()
{
    const std::lock_guard<std::mutex> lock(g_hookMutex);
    return g_blockHook;
}

bool IsPlainName(const QString& part)
{
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..");
}

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name or day folder of a copy below the chosen folder (`name` in `parent`, reached as `path`): taken
// only when it is the program's user's and closed to others' writes, made (0700) when missing, never
// reached through a link. Whoever else may create or rename entries in it could swap the finished copy for
// their own bytes after the export said it was done. -1 with *why set when refused, or errno when it could
// not be opened or made.
int OpenOwnFolder(int parent, const QByteArray& name, const QString& path, QString* why)
{
    const int fd = FileHandles::OpenOrMakeSubDir(parent, name);
    if (fd < 0 && errno == FileHandles::kForeignFolder) {
        struct stat st;
        const QString owner = ::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
                                  ? QString::number(st.st_uid)
                                  : QStringLiteral("?");
        *why = CThreadExportFile::tr("the folder %1 belongs to another user (user id %2), and the export "
                                     "writes only into folders of its own user")
                   .arg(path, owner);
        return -1;
    }
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int cause = errno;
        ::close(fd);
        errno = cause;
        return -1;
    }
    if (FileHandles::OpenToOthersWrite(st.st_mode)) {
        ::close(fd);
        *why = CThreadExportFile::tr("other users may write to the folder %1, and the export writes into no "
                                     "such folder")
                   .arg(path);
        return -1;
    }
    return fd;
}

// The copy under way: its day folder and its temporary file, shared by the export and the calls made on the
// volume for it. Whoever lets it go last closes them, and removes the temporary file unless it was kept
// under its name: a call left to its thread by a stop or a silent volume still writes into it, and its file
// may neither stay behind half written nor have its descriptor closed (and its number taken by another
// file) while that call runs.
//
// Its naming is shared with the call that gives it its name: a copy whose last flush the export gave up on
// (a stop, or a volume silent past the bound) must never get its name once the volume answers again, after
// the export said that it stopped or failed. The call names it only when it was not given up, and an export
// that gives up once the naming has begun waits for the naming (within the bound) instead.
struct TARGET
{
    enum NAMING
    {
        NAMING_PENDING,  // the last flush runs; nobody gave the copy up
        NAMING_GIVEN_UP, // the export went on without it: it is never named, and is removed
        NAMING_STARTED,  // the rename is under way
        NAMING_ENDED,    // the rename came back (NameCause holds its errno, 0 when named)
    };

    CFd Dir;
    CFd Out;
    QByteArray Temporary;
    bool Kept = false;
    std::mutex NamingMutex;
    std::condition_variable NamingChanged;
    NAMING Naming = NAMING_PENDING; // under NamingMutex
    int NameCause = 0;              // under NamingMutex

    ~TARGET()
    {
        Out.Close();
        if (!Kept && !Temporary.isEmpty())
            ::unlinkat(Dir.Get(), Temporary.constData(), 0);
    }
};

struct REACHED
{
    std::shared_ptr<TARGET> Target; // empty when refused (Why) or failed (Cause)
    QString Why;
    int Cause = 0;
};

// The export folder is the operator's choice, looked up by its path; it is used only when it is the
// program's user's (or the system's) and nobody else may rename or replace entries in it: else whoever
// owns it, or may write to it without a sticky bit, could rename the station's name folder after the export
// said it was done and put their own file at the copy's path.
QString ForeignExportFolder(int fd, const QString& path)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return CThreadExportFile::tr("the export folder %1 cannot be read: %2").arg(path, SystemText(errno));
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return CThreadExportFile::tr("the export folder %1 belongs to another user (user id %2), and the "
                                     "export writes only into folders of its own user")
            .arg(path)
            .arg(st.st_uid);
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
        return CThreadExportFile::tr("the export folder %1 is open to other users' writes and has no sticky "
                                     "bit, so they could replace what is exported there")
            .arg(path);
    return QString();
}

// From the export folder `path` down to the copy's day folder (`folders`: its name and day), and a new
// temporary file there for the record `name`. Runs on a volume call's thread: everything it takes is its own.
REACHED Reach(const QString& path, const QStringList& folders, const QByteArray& name)
{
    REACHED reached;
    QDir().mkpath(path);
    CFd dir(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) {
        reached.Cause = errno;
        return reached;
    }
    reached.Why = ForeignExportFolder(dir.Get(), QDir::cleanPath(path));
    if (!reached.Why.isEmpty())
        return reached;
    QString at = path;
    for (const QString& folder : folders) {
        at = QDir::cleanPath(at + QLatin1Char('/') + folder);
        const int next = OpenOwnFolder(dir.Get(), QFile::encodeName(folder), at, &reached.Why);
        if (next < 0) {
            reached.Cause = errno;
            return reached;
        }
        dir = CFd(next);
    }
    auto target = std::make_shared<TARGET>();
    target->Out =
        CFd(CreateTemporaryAt(dir.Get(), '.' + name + ".export-", QByteArray(), &target->Temporary));
    if (!target->Out.Valid()) {
        reached.Cause = errno;
        return reached;
    }
    target->Dir = std::move(dir);
    reached.Target = std::move(target);
    return reached;
}

} // namespace

CThreadExportFile::CThreadExportFile(QObject* parent) : QThread(parent) {}

CThreadExportFile::~CThreadExportFile()
{
    requestInterruption();
    wait();
}

void CThreadExportFile::SetExportParam(const QStringList& files, const QString& folder)
{
    m_fileList = files;
    m_exportPath = folder;
}

void CThreadExportFile::SetVolumeBound(int ms)
{
    g_boundMs = ms > 0 ? ms : kVolumeBoundMs;
}

void CThreadExportFile::SetBlockHook(BlockHook hook)
{
    auto held = hook ? std::make_shared<const BlockHook>(std::move(hook)) : nullptr;
    const std::lock_guard<std::mutex> lock(g_hookMutex);
    g_blockHook = std::move(held);
}

bool CThreadExportFile::TargetOf(const QString& source, const QString& folder, QString* targetDir,
                                 QString* targetFile)
{
    const QStringList parts = source.split(QLatin1Char('/'));
    if (parts.size() < 3 || folder.isEmpty())
        return false;
    const QString& file = parts.at(parts.size() - 1);
    const QString& folderB = parts.at(parts.size() - 2);
    const QString& folderA = parts.at(parts.size() - 3);
    if (!IsPlainName(file) || !IsPlainName(folderB) || !IsPlainName(folderA))
        return false;
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    *targetDir = base + folderA + QLatin1Char('/') + folderB;
    *targetFile = *targetDir + QLatin1Char('/') + file;
    return true;
}

bool CThreadExportFile::ExportOne(const QString& source, QString* error, bool* stopped)
{
    const int bound = g_boundMs.load();
    const auto asked = [this] { return isInterruptionRequested(); };
    // The stored record's disk may stop answering as much as the export folder's volume: its open and each
    // read wait on a thread of their own too, within the same bound, keyed by the disk's folder.
    const QString disk = source.section(QLatin1Char('/'), 0, -5);
    const QString sourceKey = disk.isEmpty() ? source : disk;
    const auto silentSource = [error, stopped, &source, &disk](VolumeCall::OUTCOME outcome) {
        if (outcome == VolumeCall::OUTCOME_STOPPED)
            *stopped = true;
        else
            *error = tr("%1 cannot be read: the folder %2 of its disk does not answer.").arg(source, disk);
        return false;
    };
    struct OPENED
    {
        std::shared_ptr<CStoredRecordFile> File;
        QString Refused;
    };
    std::function<OPENED()> open = [source] {
        OPENED done;
        done.File = std::make_shared<CStoredRecordFile>(OpenStoredRecord(source, &done.Refused));
        return done;
    };
    OPENED opened;
    const VolumeCall::OUTCOME openOutcome = VolumeCall::Run(sourceKey, open, bound, &opened, asked);
    if (openOutcome != VolumeCall::OUTCOME_DONE)
        return silentSource(openOutcome);
    if (!opened.File->IsOpen()) {
        *error = opened.Refused;
        return false;
    }
    // Shared with the reads: one left to its thread still reads from it.
    const std::shared_ptr<const CStoredRecordFile> in = std::move(opened.File);
    QString targetDir;
    QString targetFile;
    if (!TargetOf(source, m_exportPath, &targetDir, &targetFile)) {
        *error = tr("%1 has no place in the export folder.").arg(source);
        return false;
    }
    const auto failTarget = [error, &source, &targetFile](int cause) {
        *error = tr("%1 cannot be written to %2: %3.").arg(source, targetFile, SystemText(cause));
        return false;
    };

    // Every call on the export folder's volume waits on a thread of its own, within the bound, and ends at
    // a stop: a volume that stops answering (a share whose server went silent, a stick that hangs) costs
    // this export its files, never the page, the stop or the program's close.
    const QString volume = QDir::cleanPath(m_exportPath);
    const auto unanswered = [&](VolumeCall::OUTCOME outcome) {
        if (outcome == VolumeCall::OUTCOME_STOPPED)
            *stopped = true;
        else
            *error = tr("%1 cannot be written to %2: the volume of the export folder %3 does not answer.")
                         .arg(source, targetFile, volume);
        return false;
    };

    const QStringList parts = source.split(QLatin1Char('/'));
    std::function<REACHED()> reach = [path = m_exportPath, folders = parts.mid(parts.size() - 3, 2),
                                      name = QFile::encodeName(parts.last())] {
        return Reach(path, folders, name);
    };
    REACHED reached;
    const VolumeCall::OUTCOME reachedOutcome = VolumeCall::Run(volume, reach, bound, &reached, asked);
    if (reachedOutcome != VolumeCall::OUTCOME_DONE)
        return unanswered(reachedOutcome);
    if (!reached.Why.isEmpty()) {
        *error = tr("%1: %2.").arg(source, reached.Why);
        return false;
    }
    if (!reached.Target)
        return failTarget(reached.Cause);
    std::shared_ptr<TARGET> target = std::move(reached.Target);
    // The copy's folder and file are let go on the volume's side too: their close and the removal of an
    // unfinished copy may wait on it as much as a write. A call still out holds them until it ends. After a
    // stop a volume that answers has a moment to take the removal, so that nothing of the stopped copy is
    // left when the export says it stopped; one that does not answer is not waited for longer.
    const auto release = qScopeGuard([&target, &volume, bound, &asked] {
        std::function<bool()> drop = [held = std::move(target)]() mutable {
            held.reset();
            return true;
        };
        QElapsedTimer releasing;
        releasing.start();
        const auto stop = [&asked, &releasing] { return asked() && releasing.elapsed() >= kReleaseGraceMs; };
        bool dropped = false;
        VolumeCall::Run(volume, std::move(drop), bound, &dropped, stop);
    });

    const std::shared_ptr<const BlockHook> hook = BlockHookNow();
    // Owned by the calls as much as by this copy: a write left to its thread may still read it.
    auto buffer = std::make_shared<std::vector<char>>(kBlock);
    size_t unflushed = 0;
    for (;;) {
        if (isInterruptionRequested()) {
            *stopped = true;
            return false;
        }
        std::function<ssize_t()> readBlock = [in, buffer] {
            ssize_t got;
            do
                got = ::read(in->Fd(), buffer->data(), buffer->size());
            while (got < 0 && errno == EINTR);
            return got < 0 ? -ssize_t(errno) - 1 : got;
        };
        ssize_t got = 0;
        const VolumeCall::OUTCOME read = VolumeCall::Run(sourceKey, readBlock, bound, &got, asked);
        if (read != VolumeCall::OUTCOME_DONE)
            return silentSource(read);
        if (got < 0) {
            *error = tr("%1 cannot be read: %2.").arg(source, SystemText(int(-got - 1)));
            return false;
        }
        if (got == 0)
            break;
        unflushed += size_t(got);
        const bool flush = unflushed >= kFlushEvery;
        if (flush)
            unflushed = 0;
        std::function<int()> write = [target, buffer, size = size_t(got), flush] {
            if (!WriteAll(target->Out.Get(), buffer->data(), size))
                return errno;
            return flush && ::fdatasync(target->Out.Get()) != 0 ? errno : 0;
        };
        int cause = 0;
        const VolumeCall::OUTCOME written = VolumeCall::Run(volume, write, bound, &cause, asked);
        if (written != VolumeCall::OUTCOME_DONE)
            return unanswered(written);
        if (cause != 0)
            return failTarget(cause);
        if (hook)
            (*hook)(source);
    }
    // A stop asked for once every byte was read lets this copy end whole: the next record is not begun.
    // A source that is its own target has been read whole by now; the rename replaces the entry alone.
    std::function<int()> keep = [target, name = QFile::encodeName(parts.last())] {
        if (::fsync(target->Out.Get()) != 0 || !target->Out.Close())
            return errno;
        {
            const std::lock_guard<std::mutex> lock(target->NamingMutex);
            if (target->Naming == TARGET::NAMING_GIVEN_UP)
                return ECANCELED;
            target->Naming = TARGET::NAMING_STARTED;
        }
        const int cause = ::renameat(target->Dir.Get(), target->Temporary.constData(), target->Dir.Get(),
                                     name.constData()) == 0
                              ? 0
                              : errno;
        const std::lock_guard<std::mutex> lock(target->NamingMutex);
        target->Kept = cause == 0;
        target->NameCause = cause;
        target->Naming = TARGET::NAMING_ENDED;
        target->NamingChanged.notify_all();
        return cause;
    };
    int cause = 0;
    const VolumeCall::OUTCOME kept = VolumeCall::Run(volume, keep, bound, &cause, asked);
    if (kept != VolumeCall::OUTCOME_DONE) {
        std::unique_lock<std::mutex> lock(target->NamingMutex);
        if (target->Naming == TARGET::NAMING_PENDING) {
            target->Naming = TARGET::NAMING_GIVEN_UP;
            return unanswered(kept);
        }
        // The rename had begun: what it does decides, not the stop that came while it ran.
        if (!target->NamingChanged.wait_for(lock, std::chrono::milliseconds(bound),
                                            [&target] { return target->Naming == TARGET::NAMING_ENDED; }))
            return unanswered(VolumeCall::OUTCOME_NO_ANSWER);
        cause = target->NameCause;
    }
    if (cause != 0)
        return failTarget(cause);
    return true;
}

void CThreadExportFile::run()
{
    bool failed = false;
    for (const QString& source : std::as_const(m_fileList)) {
        QString error;
        bool stopped = false;
        if (isInterruptionRequested()) {
            Q_EMIT SendWriteOver(EXPORT_STOPPED);
            return;
        }
        // The copy's own result decides, not whether it left a text: a failure without one is still named.
        const bool copied = ExportOne(source, &error, &stopped);
        if (!copied && stopped) {
            Q_EMIT SendWriteOver(EXPORT_STOPPED);
            return;
        }
        if (!copied) {
            failed = true;
            Q_EMIT SendFileFailed(error.isEmpty() ? tr("%1 cannot be exported.").arg(source) : error);
        }
    }
    Q_EMIT SendWriteOver(failed ? EXPORT_FAILED : EXPORT_DONE);
}

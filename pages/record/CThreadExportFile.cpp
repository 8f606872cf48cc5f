#include "pages/record/CThreadExportFile.h"

#include "platform/ReplacingFile.h"
#include "storage/StoredRecordFile.h"
#include "storage/StowelineDirs.h"
#include "storage/StowelineOwnership.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using StowelineDetail::CFd;
using StowelineDetail::WriteAll;

namespace {

constexpr size_t kBlock = 1024 * 1024;
// Written bytes are flushed to the disk every so often, so the flush at the end of a large copy to a slow
// stick (which no stop can cut short) stays as short as the ones before it.
constexpr size_t kFlushEvery = 16 * kBlock;

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
    const int fd = StowelineDetail::OpenOrMakeSubDir(parent, name);
    if (fd < 0 && errno == StowelineDetail::kForeignFolder) {
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
    if (StowelineDetail::OpenToOthersWrite(st.st_mode)) {
        ::close(fd);
        *why = CThreadExportFile::tr("other users may write to the folder %1, and the export writes into no "
                                     "such folder")
                   .arg(path);
        return -1;
    }
    return fd;
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
    const CStoredRecordFile in = OpenStoredRecord(source, error);
    if (!in.IsOpen())
        return false;
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

    // The chosen folder is the operator's own choice and is taken as it is; below it, the two folders of the
    // copy are the program's.
    QDir().mkpath(m_exportPath);
    CFd dir(::open(QFile::encodeName(m_exportPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0)
        return failTarget(errno);
    const QStringList parts = source.split(QLatin1Char('/'));
    QString reached = m_exportPath;
    for (const QString& folder : {parts.at(parts.size() - 3), parts.at(parts.size() - 2)}) {
        reached = QDir::cleanPath(reached + QLatin1Char('/') + folder);
        QString why;
        const int next = OpenOwnFolder(dir.Get(), QFile::encodeName(folder), reached, &why);
        if (next < 0 && !why.isEmpty()) {
            *error = tr("%1: %2.").arg(source, why);
            return false;
        }
        if (next < 0)
            return failTarget(errno);
        dir = CFd(next);
    }

    const QByteArray name = QFile::encodeName(parts.last());
    QByteArray temporary;
    CFd out(CreateTemporaryAt(dir.Get(), '.' + name + ".export-", QByteArray(), &temporary));
    if (out.Get() < 0)
        return failTarget(errno);
    const auto dropTemporary = [&dir, &temporary, &out] {
        out.Close();
        ::unlinkat(dir.Get(), temporary.constData(), 0);
    };

    const std::shared_ptr<const BlockHook> hook = BlockHookNow();
    std::vector<char> buffer(kBlock);
    size_t unflushed = 0;
    for (;;) {
        if (isInterruptionRequested()) {
            dropTemporary();
            *stopped = true;
            return false;
        }
        const ssize_t got = ::read(in.Fd(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int cause = errno;
            dropTemporary();
            *error = tr("%1 cannot be read: %2.").arg(source, SystemText(cause));
            return false;
        }
        if (got == 0)
            break;
        if (!WriteAll(out.Get(), buffer.data(), size_t(got))) {
            const int cause = errno;
            dropTemporary();
            return failTarget(cause);
        }
        unflushed += size_t(got);
        if (unflushed >= kFlushEvery) {
            unflushed = 0;
            if (::fdatasync(out.Get()) != 0) {
                const int cause = errno;
                dropTemporary();
                return failTarget(cause);
            }
        }
        if (hook)
            (*hook)(source);
    }
    // A stop asked for once every byte was read lets this copy end whole: the next record is not begun.
    if (::fsync(out.Get()) != 0 || !out.Close()) {
        const int cause = errno;
        dropTemporary();
        return failTarget(cause);
    }
    // A source that is its own target has been read whole by now; the rename replaces the entry alone.
    if (::renameat(dir.Get(), temporary.constData(), dir.Get(), name.constData()) != 0) {
        const int cause = errno;
        dropTemporary();
        return failTarget(cause);
    }
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

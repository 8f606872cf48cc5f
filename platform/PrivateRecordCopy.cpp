#include "platform/PrivateRecordCopy.h"

#include "platform/FileHandles.h"
#include "platform/VolumeCall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace FileHandles;

namespace {

constexpr size_t kBlock = 1024 * 1024;

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The open folder is the program's user's and nobody else may write to it.
bool Private(int fd, const QString& path, QString* error)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *error = QObject::tr("%1 cannot be read: %2.").arg(path, SystemText(errno));
        return false;
    }
    if (st.st_uid != ::geteuid() || OpenToOthersWrite(st.st_mode)) {
        *error = QObject::tr("the folder %1 is not closed to other users, and no private copy is made there.")
                     .arg(path);
        return false;
    }
    return true;
}

// Earlier copies: each folder below `dir`, with the files in it. A folder of another kind is left alone.
void RemoveCopies(int dir, const QSet<QString>& keep)
{
    for (const DIR_ENTRY& entry : ListDir(dir)) {
        if (!entry.Dir || keep.contains(QFile::decodeName(entry.Name)))
            continue;
        const CFd copy(OpenSubDir(dir, entry.Name));
        if (!copy.Valid())
            continue;
        for (const DIR_ENTRY& file : ListDir(copy.Get()))
            if (!file.Dir)
                ::unlinkat(copy.Get(), file.Name.constData(), 0);
        ::unlinkat(dir, entry.Name.constData(), AT_REMOVEDIR);
    }
}

enum COPIED
{
    COPIED_WHOLE,
    COPIED_FAILED, // errno tells why
    COPIED_STOPPED,
    COPIED_NO_ANSWER,
};

// Each read waits on the record's volume, through a volume call of its own: a disk that stops answering
// fails the copy within the bound, and a stop (the player's end, the program's close) ends the wait at once.
// A read left behind keeps its own descriptor and buffer, so nothing it touches is closed or reused under it.
COPIED CopyFrom(int in, int out, const std::atomic_bool& stop, const QString& volume, int boundMs)
{
    const auto source = std::make_shared<CFd>(::fcntl(in, F_DUPFD_CLOEXEC, 3));
    if (!source->Valid())
        return COPIED_FAILED;
    const auto buffer = std::make_shared<std::vector<char>>(kBlock);
    off_t at = 0;
    for (;;) {
        if (stop.load())
            return COPIED_STOPPED;
        struct READ
        {
            ssize_t Got = 0;
            int Cause = 0;
        };
        std::function<READ()> read = [source, buffer, at] {
            READ done;
            do
                done.Got = ::pread(source->Get(), buffer->data(), buffer->size(), at);
            while (done.Got < 0 && errno == EINTR);
            done.Cause = done.Got < 0 ? errno : 0;
            return done;
        };
        READ done;
        const VolumeCall::OUTCOME outcome =
            VolumeCall::Run(volume, read, boundMs, &done, [&stop] { return stop.load(); });
        if (outcome == VolumeCall::OUTCOME_STOPPED)
            return COPIED_STOPPED;
        if (outcome == VolumeCall::OUTCOME_NO_ANSWER)
            return COPIED_NO_ANSWER;
        if (done.Got < 0) {
            errno = done.Cause;
            return COPIED_FAILED;
        }
        if (done.Got == 0)
            return COPIED_WHOLE;
        if (!WriteAll(out, buffer->data(), size_t(done.Got)))
            return COPIED_FAILED;
        at += done.Got;
    }
}

} // namespace

QString NewPrivateCopyFolder()
{
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

QString MakePrivateCopy(int fd, const QString& base, const QString& folderName, const QString& fileName,
                        const QSet<QString>& keep, const std::atomic_bool& stop, QString* error,
                        const QString& volume, int boundMs)
{
    const auto fail = [error](const QString& text) {
        *error = text;
        return QString();
    };
    const auto cannot = [&fail](const QString& path, int cause) {
        return fail(QObject::tr("%1 cannot be made: %2.").arg(path, SystemText(cause)));
    };
    const QString folder = QDir::cleanPath(base);
    const QString above = QFileInfo(folder).path();
    const CFd parent(::open(QFile::encodeName(above).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.Valid())
        return cannot(folder, errno);
    if (!Private(parent.Get(), above, error))
        return QString();
    CFd playback(OpenOrMakeSubDir(parent.Get(), QFile::encodeName(QFileInfo(folder).fileName())));
    if (!playback.Valid())
        return cannot(folder, errno == kForeignFolder ? EPERM : errno);
    if (!Private(playback.Get(), folder, error))
        return QString();
    RemoveCopies(playback.Get(), keep);

    // A folder of its own per copy: two records of the same file name may be open at once.
    const QByteArray name = QFile::encodeName(folderName);
    if (::mkdirat(playback.Get(), name.constData(), 0700) != 0)
        return cannot(folder + QLatin1Char('/') + folderName, errno);
    const QString copyFolder = folder + QLatin1Char('/') + QFile::decodeName(name);
    // The folder just made goes again when no copy comes of it, whichever step refused.
    const auto dropFolder = [&playback, &name] {
        const int cause = errno;
        ::unlinkat(playback.Get(), name.constData(), AT_REMOVEDIR);
        errno = cause;
    };
    const CFd own(OpenSubDir(playback.Get(), name));
    if (!own.Valid()) {
        dropFolder();
        return cannot(copyFolder, errno);
    }
    const QString copy = copyFolder + QLatin1Char('/') + fileName;
    const QByteArray file = QFile::encodeName(fileName);
    CFd out(
        ::openat(own.Get(), file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.Valid()) {
        dropFolder();
        return cannot(copy, errno);
    }
    const COPIED copied = CopyFrom(fd, out.Get(), stop, volume.isEmpty() ? folder : volume, boundMs);
    if (copied != COPIED_WHOLE || !out.Close()) {
        const int cause = errno;
        ::unlinkat(own.Get(), file.constData(), 0);
        dropFolder();
        if (copied == COPIED_STOPPED || stop.load())
            return fail(QString());
        if (copied == COPIED_NO_ANSWER)
            return fail(QObject::tr("%1 cannot be made: the record's volume does not answer.").arg(copy));
        return cannot(copy, cause);
    }
    return copy;
}

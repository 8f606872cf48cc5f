#include "platform/PrivateCopy.h"

#include "platform/FileHandles.h"
#include "platform/VolumeCall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using FileHandles::CFd;
using FileHandles::WriteAll;

namespace {

constexpr size_t kBlock = 256 * 1024;

// Descriptors of untouchable files that an open got after all (the name was swapped between the look and the
// open): closing one would end this process's locks on that file, so they stay open until the process ends.
void KeepOpen(int fd)
{
    static std::mutex mutex;
    static std::vector<int>* kept = new std::vector<int>; // NOLINT: lives as long as the process, by intent
    std::lock_guard lock(mutex);
    kept->push_back(fd);
}

// What an open on the volume's thread found.
struct OPENED
{
    std::shared_ptr<CFd> Fd;
    struct stat Info = {};
    int Error = 0;
    bool Untouchable = false;
};

struct READ
{
    ssize_t Got = 0;
    int Error = 0;
};

// Empties and removes a folder this process made; what a reader may have put beside the copy goes too.
void RemoveFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* dir = ::fdopendir(fd)) {
            std::vector<QByteArray> names;
            while (const dirent* entry = ::readdir(dir)) {
                const QByteArray name(entry->d_name);
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            for (const QByteArray& name : names)
                ::unlinkat(::dirfd(dir), name.constData(), 0);
            ::closedir(dir);
        } else {
            ::close(fd);
        }
    }
    ::rmdir(folder.constData());
}

} // namespace

CPrivateCopy::~CPrivateCopy()
{
    Remove();
}

CPrivateCopy::CPrivateCopy(CPrivateCopy&& other) noexcept
    : m_folder(std::exchange(other.m_folder, QString())), m_path(std::exchange(other.m_path, QString())),
      m_volume(std::exchange(other.m_volume, QString())), m_size(other.m_size), m_refusal(other.m_refusal),
      m_found(other.m_found), m_error(other.m_error)
{
}

CPrivateCopy& CPrivateCopy::operator=(CPrivateCopy&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_folder = std::exchange(other.m_folder, QString());
        m_path = std::exchange(other.m_path, QString());
        m_volume = std::exchange(other.m_volume, QString());
        m_size = other.m_size;
        m_refusal = other.m_refusal;
        m_found = other.m_found;
        m_error = other.m_error;
    }
    return *this;
}

void CPrivateCopy::Remove()
{
    if (!m_folder.isEmpty())
        RemoveFolder(QFile::encodeName(m_folder));
    m_folder.clear();
    m_path.clear();
}

CPrivateCopy CPrivateCopy::Make(const QString& source, const QString& name, qint64 maxBytes, int maxMs,
                                const std::function<bool()>& stop, const Untouchable& untouchable)
{
    CPrivateCopy copy;
    const QString volume = QFileInfo(source).absolutePath();
    const auto fail = [&copy, &volume](REFUSAL refusal, int error = 0) {
        copy.Remove();
        copy.m_refusal = refusal;
        copy.m_error = error;
        if (refusal == REFUSAL_NO_ANSWER)
            copy.m_volume = volume;
        return std::move(copy);
    };
    QElapsedTimer clock;
    clock.start();
    const auto left = [&clock, maxMs] { return int(std::max<qint64>(0, maxMs - clock.elapsed())); };
    const auto waited = [&fail](VolumeCall::OUTCOME outcome) {
        return fail(outcome == VolumeCall::OUTCOME_STOPPED ? REFUSAL_STOPPED : REFUSAL_NO_ANSWER);
    };
    const QByteArray sourceName = QFile::encodeName(source);

    // Looked at before the open, which is what must not happen to an untouchable file; a look opens nothing.
    if (untouchable) {
        bool refused = false;
        const VolumeCall::OUTCOME looked = VolumeCall::Run<bool>(
            volume,
            [sourceName, untouchable] {
                struct stat info = {};
                return ::stat(sourceName.constData(), &info) == 0 && untouchable(info.st_dev, info.st_ino);
            },
            left(), &refused, stop);
        if (looked != VolumeCall::OUTCOME_DONE)
            return waited(looked);
        if (refused)
            return fail(REFUSAL_UNTOUCHABLE);
    }

    OPENED opened;
    const VolumeCall::OUTCOME open = VolumeCall::Run<OPENED>(
        volume,
        [sourceName, untouchable] {
            OPENED result;
            // O_NONBLOCK: the open of a pipe or a device with no writer returns at once instead of waiting
            // for one.
            const int fd = ::open(sourceName.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) {
                result.Error = errno;
                return result;
            }
            // Checked on what was opened, not on the name, which may stand for something else by now.
            if (::fstat(fd, &result.Info) != 0) {
                result.Error = errno;
            } else if (untouchable && untouchable(result.Info.st_dev, result.Info.st_ino)) {
                result.Untouchable = true;
                KeepOpen(fd);
                return result;
            }
            result.Fd = std::make_shared<CFd>(fd);
            return result;
        },
        left(), &opened, stop);
    if (open != VolumeCall::OUTCOME_DONE)
        return waited(open);
    if (opened.Untouchable)
        return fail(REFUSAL_UNTOUCHABLE);
    if (!opened.Fd) {
        if (opened.Error == ELOOP) {
            copy.m_found = FILE_KIND_LINK;
            return fail(REFUSAL_NOT_A_FILE);
        }
        return fail(REFUSAL_SYSTEM, opened.Error);
    }
    if (opened.Error != 0)
        return fail(REFUSAL_SYSTEM, opened.Error);
    copy.m_found = FileKindOf(opened.Info.st_mode);
    if (copy.m_found != FILE_KIND_REGULAR)
        return fail(REFUSAL_NOT_A_FILE);
    if (opened.Info.st_size > maxBytes)
        return fail(REFUSAL_TOO_LARGE);

    QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/varrow-copy-XXXXXX"));
    if (::mkdtemp(folder.data()) == nullptr) // made 0700
        return fail(REFUSAL_SYSTEM, errno);
    copy.m_folder = QFile::decodeName(folder);
    const QByteArray target = folder + '/' + QFile::encodeName(name);
    CFd out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.Get() < 0)
        return fail(REFUSAL_SYSTEM, errno);

    // Shared with each read: a read left behind still has its descriptor and its buffer.
    const std::shared_ptr<CFd> in = opened.Fd;
    auto buffer = std::make_shared<std::vector<char>>(kBlock);
    qint64 total = 0;
    for (;;) {
        if (stop && stop())
            return fail(REFUSAL_STOPPED);
        if (clock.elapsed() > maxMs)
            return fail(REFUSAL_TOO_SLOW);
        READ read;
        const VolumeCall::OUTCOME outcome = VolumeCall::Run<READ>(
            volume,
            [in, buffer] {
                READ result;
                do
                    result.Got = ::read(in->Get(), buffer->data(), buffer->size());
                while (result.Got < 0 && errno == EINTR);
                result.Error = result.Got < 0 ? errno : 0;
                return result;
            },
            left(), &read, stop);
        if (outcome != VolumeCall::OUTCOME_DONE)
            return waited(outcome);
        if (read.Got < 0)
            return fail(REFUSAL_SYSTEM, read.Error);
        if (read.Got == 0)
            break;
        // The file may grow while it is read: the bound holds for what is read, not for what fstat said.
        total += read.Got;
        if (total > maxBytes)
            return fail(REFUSAL_TOO_LARGE);
        if (!WriteAll(out.Get(), buffer->data(), size_t(read.Got)))
            return fail(REFUSAL_SYSTEM, errno);
    }
    if (!out.Close())
        return fail(REFUSAL_SYSTEM, errno);
    copy.m_path = QFile::decodeName(target);
    copy.m_size = total;
    return copy;
}

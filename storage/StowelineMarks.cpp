#include "storage/StowelineMarks.h"

#include "platform/FileHandles.h"
#include "storage/StowelineNames.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace StowelineDetail {

using namespace FileHandles;

namespace {

constexpr int kMarkBytes = 16;

bool IsMarkText(const QByteArray& text)
{
    if (text.size() != kMarkBytes * 2)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

MARK_STATE ReadMark(int records, QByteArray* mark)
{
    mark->clear();
    // O_NONBLOCK: a pipe put at the name must not hold the set-up.
    const CFd file(::openat(records, kMarkFile.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid())
        return errno == ENOENT ? MARK_STATE::NONE : MARK_STATE::FOREIGN;
    struct stat st;
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0 || st.st_size > 256)
        return MARK_STATE::FOREIGN;
    char buffer[257];
    qsizetype total = 0;
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer + total, sizeof buffer - 1 - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return MARK_STATE::FOREIGN;
        if (got == 0)
            break;
        total += got;
        if (total >= qsizetype(sizeof buffer - 1))
            break;
    }
    const QByteArray text = QByteArray(buffer, total).trimmed();
    // Our own empty file: a crash came between its creation and its id.
    if (text.isEmpty())
        return MARK_STATE::NONE;
    if (!IsMarkText(text))
        return MARK_STATE::FOREIGN;
    *mark = text;
    return MARK_STATE::OWN;
}

bool WriteMark(int records, const QByteArray& mark)
{
    struct stat st;
    if (::fstatat(records, kMarkFile.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // Only our own empty file is replaced; anything else at the name is left as it stands.
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_size != 0) {
            errno = EEXIST;
            return false;
        }
        ::unlinkat(records, kMarkFile.constData(), 0);
    }
    const CFd file(CreateFileAt(records, kMarkFile));
    if (!file.Valid())
        return false;
    const QByteArray text = mark + '\n';
    if (!WriteAll(file.Get(), text.constData(), size_t(text.size())) || ::fsync(file.Get()) != 0) {
        const int error = errno;
        ::unlinkat(records, kMarkFile.constData(), 0);
        errno = error;
        return false;
    }
    ::fsync(records);
    return true;
}

QByteArray NewMark()
{
    quint32 words[kMarkBytes / 4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

QByteArray MarkOf(int records)
{
    QByteArray mark;
    switch (ReadMark(records, &mark)) {
    case MARK_STATE::OWN:
        return mark;
    case MARK_STATE::FOREIGN:
        errno = EEXIST;
        return {};
    case MARK_STATE::NONE:
        break;
    }
    mark = NewMark();
    return WriteMark(records, mark) ? mark : QByteArray();
}

QByteArray MarkBelow(int drive, MARK_STATE* state)
{
    MARK_STATE ignored;
    MARK_STATE& result = state != nullptr ? *state : ignored;
    const CFd records(OpenSubDir(drive, kRecordsFolder));
    if (!records.Valid()) {
        result = errno == ENOENT ? MARK_STATE::NONE : MARK_STATE::FOREIGN;
        return {};
    }
    QByteArray mark;
    result = ReadMark(records.Get(), &mark);
    return mark;
}

} // namespace StowelineDetail

#include "pages/log/CLogWriteThread.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QXmlStreamWriter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <memory>
#include <mutex>

namespace {

// One element per table column, in column order; the names are part of the file format.
const char* const kColumnElements[] = {"ID", "OperationTime", "Type", "Contents"};
constexpr int kColumnCount = int(std::size(kColumnElements));

void WriteDocument(QXmlStreamWriter& xml, const QList<QStringList>& rows)
{
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("LogTypes"));
    if (!rows.isEmpty()) {
        xml.writeStartElement(QStringLiteral("Logs"));
        for (const QStringList& row : rows) {
            xml.writeStartElement(QStringLiteral("Log"));
            for (int column = 0; column < kColumnCount && column < row.size(); ++column)
                xml.writeTextElement(QLatin1String(kColumnElements[column]), row.at(column));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
}

} // namespace

CLogWriteThread::CLogWriteThread() = default;

CLogWriteThread::~CLogWriteThread()
{
    wait();
}

void CLogWriteThread::SetWriteParam(const QString& path, const QAbstractItemModel* model)
{
    SetWriteParam(path, TakeRows(model));
}

void CLogWriteThread::SetWriteParam(const QString& path, const QList<QStringList>& rows)
{
    m_strPath = path;
    m_rows = rows;
}

QList<QStringList> CLogWriteThread::TakeRows(const QAbstractItemModel* model)
{
    QList<QStringList> rows;
    if (model == nullptr)
        return rows;
    const int rowCount = model->rowCount();
    const int columnCount = qMin(model->columnCount(), kColumnCount);
    rows.reserve(rowCount);
    for (int row = 0; row < rowCount; ++row) {
        QStringList texts;
        texts.reserve(columnCount);
        for (int column = 0; column < columnCount; ++column)
            texts.append(model->index(row, column).data(Qt::DisplayRole).toString());
        rows.append(texts);
    }
    return rows;
}

namespace {

std::mutex g_faultMutex;
CLogWriteThread::CommitFault g_syncFault;
CLogWriteThread::CommitFault g_renameFault;

int Fault(const CLogWriteThread::CommitFault& fault, const QString& path)
{
    std::lock_guard lock(g_faultMutex);
    return fault ? fault(path) : 0;
}

// A file of its own beside the export, named so that nothing else takes it; -1 when none can be made. Made
// with the operator's umask, or with the mode of the file it replaces.
int CreateBeside(const QString& path, QString* made)
{
    const QFileInfo target(path);
    struct stat old = {};
    const bool replaces = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *made = target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                QStringLiteral(".%1-%2.part").arg(::getpid()).arg(QRandomGenerator::global()->generate());
        const int fd =
            ::open(QFile::encodeName(*made).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces)
                ::fchmod(fd, old.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

void CLogWriteThread::SetSyncFault(CommitFault fault)
{
    std::lock_guard lock(g_faultMutex);
    g_syncFault = std::move(fault);
}

void CLogWriteThread::SetRenameFault(CommitFault fault)
{
    std::lock_guard lock(g_faultMutex);
    g_renameFault = std::move(fault);
}

int CLogWriteThread::WriteXml(const QString& path, const QList<QStringList>& rows)
{
    // A regular file is written under a temporary name and renamed when complete, so a failed export keeps
    // the earlier file. A device or other special file cannot be replaced that way and is written in place.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        QFile file(path);
        if (info.isDir() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return WRITE_OPEN_FAILED;
        QXmlStreamWriter xml(&file);
        WriteDocument(xml, rows);
        const bool flushed = !xml.hasError() && file.flush();
        file.close();
        return flushed && file.error() == QFileDevice::NoError ? WRITE_DONE : WRITE_FAILED;
    }

    QString temporary;
    const int fd = CreateBeside(path, &temporary);
    if (fd < 0)
        return WRITE_OPEN_FAILED;
    auto removeTemporary = qScopeGuard([&temporary] { QFile::remove(temporary); });
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return WRITE_OPEN_FAILED;
    }
    QXmlStreamWriter xml(&file);
    WriteDocument(xml, rows);
    // The export counts as done only once its bytes are on the disk under the chosen name: the last bytes
    // sit in the file's buffer until the flush, the disk may refuse the sync, and the rename may be refused.
    bool ok = !xml.hasError() && file.flush();
    if (ok) {
        const int error = Fault(g_syncFault, temporary);
        ok = error == 0 ? ::fsync(file.handle()) == 0 : (errno = error, false);
    }
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (ok) {
        const int error = Fault(g_renameFault, path);
        ok = error == 0 ? ::rename(QFile::encodeName(temporary).constData(),
                                   QFile::encodeName(path).constData()) == 0
                        : (errno = error, false);
    }
    if (!ok)
        return WRITE_FAILED;
    removeTemporary.dismiss();
    // The new name on the disk too; a folder that cannot be synced still holds the complete file.
    const int dir =
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return WRITE_DONE;
}

void CLogWriteThread::run()
{
    emit SendWriteOver(WriteXml(m_strPath, m_rows));
}

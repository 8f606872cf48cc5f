#include "pages/log/CLogWriteThread.h"

#include "platform/ReplacingFile.h"
#include "platform/VolumeCall.h"
#include "platform/FileHandles.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <atomic>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>

namespace {

// One element per table column, in column order; the names are part of the file format.
const char* const kColumnElements[] = {"ID", "OperationTime", "Type", "Contents"};
constexpr int kColumnCount = int(std::size(kColumnElements));

// False when `stop` ended it before the last row.
bool WriteDocument(QXmlStreamWriter& xml, const QList<QStringList>& rows, const std::function<bool()>& stop)
{
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("LogTypes"));
    if (!rows.isEmpty()) {
        xml.writeStartElement(QStringLiteral("Logs"));
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (stop && i % 256 == 0 && stop())
                return false;
            const QStringList& row = rows.at(i);
            xml.writeStartElement(QStringLiteral("Log"));
            for (int column = 0; column < kColumnCount && column < row.size(); ++column)
                xml.writeTextElement(QLatin1String(kColumnElements[column]), row.at(column));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return true;
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

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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

int CLogWriteThread::WriteXml(const QString& path, const QList<QStringList>& rows,
                              const std::function<bool()>& stop, QString* why)
{
    const auto say = [why](const QString& text) {
        if (why != nullptr)
            *why = text;
    };
    // The chosen folder may be one other users write to: whatever stands at the chosen name is never opened.
    // The document goes into a file of the export's own, which replaces the name whole once it is complete,
    // so a failed or stopped export also keeps the earlier file.
    CReplacingFile out;
    if (!out.Create(path)) {
        if (out.Refusal() == CReplacingFile::REFUSAL_NOT_A_FILE) {
            say(tr("%1 is %2: only a regular file is replaced. Nothing was written.")
                    .arg(path, FileKindText(out.Found())));
            return WRITE_REFUSED;
        }
        say(tr("%1 cannot be written: %2.").arg(path, SystemText(out.Error())));
        return WRITE_OPEN_FAILED;
    }
    // The document is made whole, then written with the system's own calls, so that a write the disk
    // refuses (a full disk, a file too large for it) comes back with its cause.
    QByteArray document;
    QXmlStreamWriter xml(&document);
    const bool whole = WriteDocument(xml, rows, stop);
    // The export counts as done only once its bytes are on the disk under the chosen name: every byte
    // written, the disk's sync taken, and the rename made.
    bool ok = whole && !xml.hasError();
    int cause = ok ? 0 : EIO;
    if (ok && !FileHandles::WriteAll(out.Fd(), document.constData(), size_t(document.size()))) {
        ok = false;
        cause = errno;
    }
    if (ok) {
        const int error = Fault(g_syncFault, out.TemporaryPath());
        ok = error == 0 ? out.Sync() : false;
        cause = error != 0 ? error : ok ? 0 : out.Error();
    }
    // The last moment a stop is heard: the temporary file goes, nothing replaces the chosen name.
    if (!whole || (stop && stop()))
        return WRITE_STOPPED;
    if (ok) {
        const int error = Fault(g_renameFault, path);
        ok = error == 0 && out.Commit();
        cause = error != 0 ? error : ok ? 0 : out.Error();
    }
    if (!ok) {
        if (out.Refusal() == CReplacingFile::REFUSAL_NOT_A_FILE) {
            say(tr("%1 is %2: only a regular file is replaced. Nothing was written.")
                    .arg(path, FileKindText(out.Found())));
            return WRITE_REFUSED;
        }
        say(tr("%1 cannot be written: %2.").arg(path, SystemText(cause != 0 ? cause : EIO)));
        return WRITE_FAILED;
    }
    return WRITE_DONE;
}

int CLogWriteThread::WriteXmlBounded(const QString& path, const QList<QStringList>& rows, int boundMs,
                                     const std::shared_ptr<std::atomic<bool>>& stop, QString* why)
{
    struct WRITTEN
    {
        int Result = WRITE_FAILED;
        QString Why;
    };
    const QString folder = QFileInfo(path).absolutePath();
    // Once stopped, the write is waited for a little longer, so that a stop that came too late to keep the
    // file is not said to have kept it.
    QElapsedTimer stopping;
    const auto stopped = [&stop, &stopping] {
        if (!stopping.isValid()) {
            if (!stop->load())
                return false;
            stopping.start();
        }
        return stopping.elapsed() > kStopGraceMs;
    };
    WRITTEN written;
    const VolumeCall::OUTCOME outcome = VolumeCall::Run<WRITTEN>(
        folder,
        [path, rows, stop] {
            WRITTEN result;
            result.Result = WriteXml(
                path, rows, [stop] { return stop->load(); }, &result.Why);
            return result;
        },
        boundMs, &written, stopped);
    if (outcome == VolumeCall::OUTCOME_DONE) {
        if (why != nullptr)
            *why = written.Why;
        return written.Result;
    }
    stop->store(true);
    if (why != nullptr)
        *why = tr("The folder %1 does not answer: nothing was written there.").arg(folder);
    return outcome == VolumeCall::OUTCOME_STOPPED ? WRITE_STOPPED : WRITE_NO_ANSWER;
}

void CLogWriteThread::Stop()
{
    m_stop->store(true);
    requestInterruption();
}

void CLogWriteThread::run()
{
    QString why;
    const int result = WriteXmlBounded(m_strPath, m_rows, kWriteBoundMs, m_stop, &why);
    emit SendWhy(why);
    emit SendWriteOver(result);
}

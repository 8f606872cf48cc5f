#include "pages/log/CLogWriteThread.h"

#include "platform/ReplacingFile.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QXmlStreamWriter>

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
    QFile file;
    if (!file.open(out.Fd(), QIODevice::WriteOnly | QIODevice::Text, QFileDevice::DontCloseHandle))
        return WRITE_OPEN_FAILED;
    QXmlStreamWriter xml(&file);
    const bool whole = WriteDocument(xml, rows, stop);
    // The export counts as done only once its bytes are on the disk under the chosen name: the last bytes
    // sit in the file's buffer until the flush, the disk may refuse the sync, and the rename may be refused.
    bool ok = whole && !xml.hasError() && file.flush();
    int cause = ok ? 0 : EIO;
    file.close();
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

void CLogWriteThread::run()
{
    QString why;
    const int result = WriteXml(
        m_strPath, m_rows, [this] { return isInterruptionRequested(); }, &why);
    emit SendWhy(why);
    emit SendWriteOver(result);
}

#include "pages/log/CLogWriteThread.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <iterator>
#include <memory>

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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return WRITE_OPEN_FAILED;
    QXmlStreamWriter xml(&file);
    WriteDocument(xml, rows);
    // The last bytes sit in the file's buffer: a commit that fails to write them still reports success.
    if (xml.hasError() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        return WRITE_FAILED;
    }
    return file.commit() ? WRITE_DONE : WRITE_FAILED;
}

void CLogWriteThread::run()
{
    emit SendWriteOver(WriteXml(m_strPath, m_rows));
}

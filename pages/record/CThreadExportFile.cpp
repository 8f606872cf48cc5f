#include "pages/record/CThreadExportFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

constexpr qint64 kChunk = 1024 * 1024;

bool IsPlainName(const QString& part)
{
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..");
}

} // namespace

CThreadExportFile::CThreadExportFile(QObject* parent) : QThread(parent) {}

CThreadExportFile::~CThreadExportFile()
{
    wait();
}

void CThreadExportFile::SetExportParam(const QStringList& files, const QString& folder)
{
    m_fileList = files;
    m_exportPath = folder;
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

bool CThreadExportFile::CopyOne(const QString& source, const QString& targetDir, const QString& targetFile)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QDir().mkpath(targetDir);
    // Written beside the target and renamed over it at the end: the earlier copy stays until this one is
    // whole, and a source that is its own target is read completely before it is replaced.
    QSaveFile out(targetFile);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer;
    while (!in.atEnd()) {
        buffer = in.read(kChunk);
        if (buffer.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        if (out.write(buffer) != buffer.size())
            break;
    }
    if (in.error() != QFileDevice::NoError || out.error() != QFileDevice::NoError) {
        out.cancelWriting();
        out.commit();
        return false;
    }
    return out.commit();
}

void CThreadExportFile::run()
{
    for (const QString& source : std::as_const(m_fileList)) {
        QString targetDir;
        QString targetFile;
        if (!TargetOf(source, m_exportPath, &targetDir, &targetFile) ||
            !CopyOne(source, targetDir, targetFile)) {
            Q_EMIT SendWriteOver(0);
            return;
        }
    }
    Q_EMIT SendWriteOver(1);
}

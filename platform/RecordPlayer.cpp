#include "platform/RecordPlayer.h"

#include "model/Utility.h"

#include <QProcess>
#include <QStringList>

CRecordPlayer::CRecordPlayer(const QString& program)
    : m_program(program.isEmpty() ? DefaultProgram() : program)
{
}

QString CRecordPlayer::DefaultProgram()
{
    return GetAppDirPath() + QStringLiteral("Vidrun");
}

bool CRecordPlayer::Play(const QString& path)
{
    if (path.isEmpty())
        return false;
    // Detached: no process object outlives this call, and the player outlives the program if it likes.
    return QProcess::startDetached(m_program, {path});
}

QByteArray PlayerCopyData(const QString& path)
{
    QString text = path;
    text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QByteArray bytes;
    bytes.reserve(text.size() + 1);
    for (const QChar c : text)
        bytes.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
    bytes.append('\0');
    return bytes;
}

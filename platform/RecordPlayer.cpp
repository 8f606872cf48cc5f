#include "platform/RecordPlayer.h"

#include "model/Utility.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

CRecordPlayer::CRecordPlayer(const QString& program) : m_program(program) {}

QString CRecordPlayer::Program() const
{
    if (!m_program.isEmpty())
        return m_program;
    const QFileInfo player(DefaultProgram());
    if (player.isFile() && player.isExecutable())
        return player.filePath();
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

QString CRecordPlayer::DefaultProgram()
{
    return GetAppDirPath() + QStringLiteral("Vidrun");
}

bool CRecordPlayer::Play(const QString& path)
{
    const QString program = Program();
    m_failed = program;
    if (path.isEmpty() || program.isEmpty())
        return false;
    // Detached: no process object outlives this call, and the player outlives the program if it likes.
    if (!QProcess::startDetached(program, {path}))
        return false;
    m_failed.clear();
    return true;
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

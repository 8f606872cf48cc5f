#include "platform/RecordPlayer.h"

#include "model/Utility.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

CRecordPlayer::CRecordPlayer(const QString& program) : m_program(program) {}

CRecordPlayer::~CRecordPlayer()
{
    for (QProcess* opener : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        opener->disconnect(this);
        opener->kill();
        opener->waitForFinished(1000);
    }
}

QString CRecordPlayer::Program() const
{
    return Choose(nullptr);
}

QString CRecordPlayer::Choose(bool* opener) const
{
    if (opener != nullptr)
        *opener = false;
    if (!m_program.isEmpty())
        return m_program;
    const QFileInfo player(DefaultProgram());
    if (player.isFile() && player.isExecutable())
        return player.filePath();
    if (opener != nullptr)
        *opener = true;
    return Opener();
}

QString CRecordPlayer::DefaultProgram()
{
    return GetAppDirPath() + QStringLiteral("Vidrun");
}

QString CRecordPlayer::Opener()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

bool CRecordPlayer::Play(const QString& path)
{
    bool opener = false;
    const QString program = Choose(&opener);
    m_failed = program;
    if (path.isEmpty() || program.isEmpty())
        return false;
    if (opener)
        StartOpener(program, path);
    else if (!QProcess::startDetached(program, {path}))
        return false; // detached: the player outlives the program if it likes
    m_failed.clear();
    return true;
}

void CRecordPlayer::StartOpener(const QString& opener, const QString& path)
{
    // The opener ends as soon as it has handed the file on, or stays until the program it chose ends; either
    // way its exit says whether the file found a program. Owned here, watched from the event loop.
    auto* process = new QProcess(this);
    process->setProgram(opener);
    process->setArguments({path});
    // Nothing it or its program writes may reach this program, nor stop them once this program is gone.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] { ::setsid(); });
    const auto report = [this, path, opener](int status, bool started) {
        if (m_lateFailure)
            m_lateFailure(PLAYER_FAILURE{path, opener, status, started});
    };
    connect(process, &QProcess::finished, this, [process, report](int code, QProcess::ExitStatus exit) {
        process->deleteLater();
        if (exit == QProcess::CrashExit)
            report(-1, true);
        else if (code != 0)
            report(code, true);
    });
    connect(process, &QProcess::errorOccurred, this, [process, report](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends in finished
        process->deleteLater();
        report(-1, false);
    });
    process->start();
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

#include "platform/RecordPlayer.h"

#include "model/Utility.h"
#include "platform/PrivateRecordCopy.h"

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

CRecordPlayer::CRecordPlayer(const QString& program) : m_program(program) {}

CRecordPlayer::~CRecordPlayer()
{
    m_stopping = true;
    for (QThread* copying : findChildren<QThread*>(Qt::FindDirectChildrenOnly))
        copying->wait();
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

QString CRecordPlayer::CopyFolder()
{
    return GetAppDirPath() + QStringLiteral("Playback");
}

QString CRecordPlayer::DescriptorPath(int fd)
{
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

bool CRecordPlayer::Play(int fd, const QString& path)
{
    bool opener = false;
    const QString program = Choose(&opener);
    m_failed = program;
    if (fd < 0 || path.isEmpty() || program.isEmpty())
        return false;
    if (!(opener ? StartCopy(program, fd, path) : StartPlayer(program, fd)))
        return false;
    m_failed.clear();
    return true;
}

bool CRecordPlayer::StartCopy(const QString& opener, int fd, const QString& path)
{
    // The copy's own descriptor: the caller's is closed when Play returns.
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (held < 0)
        return false;
    const QString folder = NewPrivateCopyFolder();
    m_openingCopies.insert(folder);
    const QSet<QString> keep = m_openingCopies;
    QThread* copying = QThread::create([this, held, opener, path, folder, keep] {
        QString error;
        const QString copy =
            MakePrivateCopy(held, CopyFolder(), folder, QFileInfo(path).fileName(), keep, m_stopping, &error);
        ::close(held);
        QMetaObject::invokeMethod(
            this, [=, this] { CopyMade(opener, path, folder, copy, error); }, Qt::QueuedConnection);
    });
    copying->setParent(this);
    connect(copying, &QThread::finished, copying, &QObject::deleteLater);
    copying->start();
    return true;
}

void CRecordPlayer::CopyMade(const QString& opener, const QString& path, const QString& folder,
                             const QString& copy, const QString& error)
{
    if (!copy.isEmpty()) {
        StartOpener(opener, path, copy, folder);
        return;
    }
    // A copy ends without error only when stopped, by the player's end, after which nothing is called here.
    m_openingCopies.remove(folder);
    if (m_lateFailure)
        m_lateFailure(PLAYER_FAILURE{path, opener, -1, false, error});
}

bool CRecordPlayer::StartPlayer(const QString& program, int fd)
{
    // A descriptor of its own above the standard ones, which the start sets up anew in the child. It is
    // inheritable only while the player starts (only this thread starts programs), and closed here after.
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (held < 0)
        return false;
    const auto close = qScopeGuard([held] { ::close(held); });
    if (::fcntl(held, F_SETFD, 0) != 0)
        return false;
    // Detached: the player outlives the program if it likes.
    return QProcess::startDetached(program, {DescriptorPath(held)});
}

void CRecordPlayer::StartOpener(const QString& opener, const QString& path, const QString& copy,
                                const QString& folder)
{
    // The opener ends as soon as it has handed the file on, or stays until the program it chose ends; either
    // way its exit says whether the file found a program. Owned here, watched from the event loop.
    auto* process = new QProcess(this);
    process->setProgram(opener);
    process->setArguments({copy});
    // Nothing it or its program writes may reach this program, nor stop them once this program is gone.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] { ::setsid(); });
    const auto report = [this, path, opener, folder](int status, bool started) {
        m_openingCopies.remove(folder);
        if (m_lateFailure && (status != 0 || !started))
            m_lateFailure(PLAYER_FAILURE{path, opener, status, started});
    };
    connect(process, &QProcess::finished, this, [process, report](int code, QProcess::ExitStatus exit) {
        process->deleteLater();
        report(exit == QProcess::CrashExit ? -1 : code, true);
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

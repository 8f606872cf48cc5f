#include "platform/RecordPlayer.h"

#include "model/Utility.h"
#include "platform/PrivateRecordCopy.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

namespace {

// How long a copy handed to a player is kept at least.
constexpr qint64 kKeepHandedMs = 10 * 60 * 1000;

} // namespace

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

QString CRecordPlayer::RecordVolume(const QString& path)
{
    // A stored record lies below its disk's Records folder; one stalled disk holds one waiting read.
    const qsizetype records = path.lastIndexOf(QStringLiteral("/Records/"));
    return records > 0 ? path.left(records) : QFileInfo(path).path();
}

QString CRecordPlayer::CopyFolder()
{
    return GetAppDirPath() + QStringLiteral("Playback");
}

bool CRecordPlayer::Play(int fd, const QString& path)
{
    bool opener = false;
    const QString program = Choose(&opener);
    m_failed = program;
    if (fd < 0 || path.isEmpty() || program.isEmpty())
        return false;
    // A player that is not there is said at the click, not after its copy was made.
    if (!opener && !Startable(program))
        return false;
    if (!StartCopy(program, opener, fd, path))
        return false;
    m_failed.clear();
    return true;
}

bool CRecordPlayer::Startable(const QString& program)
{
    const QFileInfo file(QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program));
    return file.isFile() && file.isExecutable();
}

QSet<QString> CRecordPlayer::KeptCopies()
{
    // A copy handed to a player stays a while: a player that keeps one instance hands it to the running one,
    // which opens it a moment later, and the start that handed it on has ended by then.
    for (auto handed = m_handedCopies.begin(); handed != m_handedCopies.end();) {
        if (handed.value().hasExpired())
            handed = m_handedCopies.erase(handed);
        else
            ++handed;
    }
    QSet<QString> keep = m_openingCopies;
    for (auto handed = m_handedCopies.cbegin(); handed != m_handedCopies.cend(); ++handed)
        keep.insert(handed.key());
    return keep;
}

bool CRecordPlayer::StartCopy(const QString& program, bool opener, int fd, const QString& path)
{
    // The copy's own descriptor: the caller's is closed when Play returns.
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (held < 0)
        return false;
    const QString folder = NewPrivateCopyFolder();
    m_openingCopies.insert(folder);
    const QSet<QString> keep = KeptCopies();
    QThread* copying = QThread::create([this, held, program, opener, path, folder, keep] {
        QString error;
        const QString copy = MakePrivateCopy(held, CopyFolder(), folder, QFileInfo(path).fileName(), keep,
                                             m_stopping, &error, RecordVolume(path));
        ::close(held);
        QMetaObject::invokeMethod(
            this, [=, this] { CopyMade(program, opener, path, folder, copy, error); }, Qt::QueuedConnection);
    });
    copying->setParent(this);
    connect(copying, &QThread::finished, copying, &QObject::deleteLater);
    copying->start();
    return true;
}

void CRecordPlayer::CopyMade(const QString& program, bool opener, const QString& path, const QString& folder,
                             const QString& copy, const QString& error)
{
    if (!copy.isEmpty() && opener) {
        StartOpener(program, path, copy, folder);
        return;
    }
    m_openingCopies.remove(folder);
    if (!copy.isEmpty()) {
        m_handedCopies.insert(folder, QDeadlineTimer(kKeepHandedMs));
        StartPlayer(program, path, copy);
        return;
    }
    // A copy ends without error only when stopped, by the player's end, after which nothing is called here.
    if (m_lateFailure)
        m_lateFailure(PLAYER_FAILURE{path, program, -1, false, error});
}

void CRecordPlayer::StartPlayer(const QString& program, const QString& path, const QString& copy)
{
    // Detached: the player outlives the program if it likes, and nobody waits for it.
    if (QProcess::startDetached(program, {copy}) || !m_lateFailure)
        return;
    m_lateFailure(
        PLAYER_FAILURE{path, program, -1, false, tr("the player %1 could not be started").arg(program)});
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

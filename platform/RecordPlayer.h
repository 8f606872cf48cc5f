#pragma once

// Hands a stored record file to the external player program. The player runs on its own: it is started
// detached, nobody waits for it, and the program never stops it. Without a player set, the desktop's default
// application for the file gets it through the desktop's opener (xdg-open). The opener says by its exit
// status whether it found a program for the file; it is watched from the event loop, never waited for, and a
// failure is reported when it comes.
//
// What is played is the record the page checked (OpenStoredRecord, storage/StoredRecordFile.h), never a name
// looked up again: whoever may rename entries in a disk's folder could put a link to forged video there
// between the check and the player's open. Neither the player nor the desktop's opener gets the checked
// descriptor: a player that keeps one instance hands its argument to the running one and a desktop's opener
// hands the file to a program already running, which would open a descriptor path in its own process (and
// find its own earlier record there). Both get a private copy made from the descriptor
// (platform/PrivateRecordCopy.h), one per click, under the record's own name (the desktop chooses a program
// by it): a path that names that record alone for as long as it is kept, which nobody else can replace,
// whenever the program it reaches opens it.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>

// A hand-off that failed after Play had returned: the copy could not be made, the player could not be
// started, or the opener ended without opening the file.
struct PLAYER_FAILURE
{
    QString Path;    // the record
    QString Program; // the opener
    int Status = 0;  // its exit status; -1 when it crashed or could not be started
    bool Started = true;
    QString Reason = QString(); // when not empty: the record was not handed over at all, and why
};

class IRecordPlayer
{
public:
    using LateFailure = std::function<void(const PLAYER_FAILURE&)>;

    virtual ~IRecordPlayer() = default;
    // Starts a player for the record open for reading at `fd` (the caller's; used during the call only),
    // stored at `path`; false when the player could not be started. Never blocks on the player.
    virtual bool Play(int fd, const QString& path) = 0;
    // After a failed Play: the program that could not be started; empty when no program was found at all.
    virtual QString FailedProgram() const { return QString(); }
    // Who hears of a failure that shows only after Play returned (on the thread that called Play).
    virtual void SetLateFailure(LateFailure report) { Q_UNUSED(report) }
};

class CRecordPlayer final : public QObject, public IRecordPlayer
{
    Q_OBJECT

public:
    // An empty program means the default one, chosen at each Play (see Program).
    explicit CRecordPlayer(const QString& program = QString());
    // A private copy under way is stopped and removed; an opener still running is ended: its exit could no
    // longer be told to anyone. What it started for the file runs on.
    ~CRecordPlayer() override;

    bool Play(int fd, const QString& path) override;
    QString FailedProgram() const override { return m_failed; }
    void SetLateFailure(LateFailure report) override { m_lateFailure = std::move(report); }

    // The program Play starts: the one given, else "Vidrun" in the program's directory when it is there,
    // else the desktop's opener from the search path; empty when there is none.
    QString Program() const;
    static QString DefaultProgram();
    // The desktop's opener from the search path; empty when there is none.
    static QString Opener();
    // Where the private copies are made: "Playback" in the program's directory.
    static QString CopyFolder();
    // The disk folder of the stored record at `path`, whose volume its reads wait on.
    static QString RecordVolume(const QString& path);

private:
    // Program(); `opener` tells whether it is the desktop's opener.
    QString Choose(bool* opener) const;
    static bool Startable(const QString& program);
    // The copy is made off this thread (a record may take a while to copy); the player or the opener starts
    // when it is whole, and a copy that fails is reported late.
    bool StartCopy(const QString& program, bool opener, int fd, const QString& path);
    void CopyMade(const QString& program, bool opener, const QString& path, const QString& folder,
                  const QString& copy, const QString& error);
    void StartPlayer(const QString& program, const QString& path, const QString& copy);
    // The copies a new copy leaves alone: those under way, those whose opener runs and those handed to a
    // player a short while ago.
    QSet<QString> KeptCopies();
    void StartOpener(const QString& opener, const QString& path, const QString& copy, const QString& folder);

    QString m_program;
    QString m_failed;
    // The folders of the private copies under way or whose opener still runs: kept when a copy is made.
    QSet<QString> m_openingCopies;
    // The folders of the copies handed to a player, and until when each is kept.
    QHash<QString, QDeadlineTimer> m_handedCopies;
    std::atomic_bool m_stopping{false};
    LateFailure m_lateFailure;
};

// The bytes a player of the old hand-off takes from its copy-data message: the path with "\" separators,
// one byte per character (characters outside Latin-1 become "?"), and a terminating zero byte; the size of
// the result is the message's byte count.
QByteArray PlayerCopyData(const QString& path);

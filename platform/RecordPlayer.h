#pragma once

// Hands a stored record file to the external player program. The player runs on its own: it is started
// detached with the file's path as its one argument, nobody waits for it, and the program never stops it.
// Without a player set, the desktop's default application for the file gets it (xdg-open).

#include <QByteArray>
#include <QString>

class IRecordPlayer
{
public:
    virtual ~IRecordPlayer() = default;
    // Starts a player for the file; false when the player could not be started. Never blocks on the player.
    virtual bool Play(const QString& path) = 0;
    // After a failed Play: the program that could not be started; empty when no program was found at all.
    virtual QString FailedProgram() const { return QString(); }
};

class CRecordPlayer final : public IRecordPlayer
{
public:
    // An empty program means the default one, chosen at each Play (see Program).
    explicit CRecordPlayer(const QString& program = QString());

    bool Play(const QString& path) override;
    QString FailedProgram() const override { return m_failed; }

    // The program Play starts: the one given, else "Vidrun" in the program's directory when it is there,
    // else the desktop's opener from the search path; empty when there is none.
    QString Program() const;
    static QString DefaultProgram();

private:
    QString m_program;
    QString m_failed;
};

// The bytes a player of the old hand-off takes from its copy-data message: the path with "\" separators,
// one byte per character (characters outside Latin-1 become "?"), and a terminating zero byte; the size of
// the result is the message's byte count.
QByteArray PlayerCopyData(const QString& path);

#pragma once

// What the storage layer has to tell the operator while backups run, beside its log entries: a run of
// deletions that made room (overwrite), a disk left out while the others take the records. Emitted on the
// thread of the storage operation, once every storage lock is released; a page connects queued.

#include <QObject>
#include <QString>

class CStorageEvents : public QObject
{
    Q_OBJECT

public:
    static CStorageEvents& Instance();

    void Report(const QString& text) { Q_EMIT SignalStorageEvent(text); }

Q_SIGNALS:
    // One row of the page's event table.
    void SignalStorageEvent(const QString& text);

private:
    CStorageEvents() = default;
};

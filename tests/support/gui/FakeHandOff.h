#pragma once

// Stands in for the external player and the desktop's file manager in window tests: records each hand-off of
// the record page as "play <path>" or "show <path>", in order.

#include "platform/FileBrowser.h"
#include "platform/RecordPlayer.h"

#include <QStringList>

class CFakeHandOff : public IRecordPlayer, public IFileBrowser
{
public:
    explicit CFakeHandOff(QStringList* calls) : m_calls(calls) {}
    bool Play(int fd, const QString& path) override
    {
        return fd >= 0 && Record(QStringLiteral("play "), path);
    }
    bool ShowFile(const QString& path) override { return Record(QStringLiteral("show "), path); }

private:
    bool Record(const QString& what, const QString& path)
    {
        *m_calls << what + path;
        return true;
    }
    QStringList* m_calls;
};

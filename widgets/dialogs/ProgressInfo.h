#pragma once

// Rows done and rows in all, sent from a worker to the progress box through a queued connection.

#include <QMetaType>
#include <QtGlobal>

struct ProgressInfo
{
    qint32 done = 0;
    qint32 total = 0;
};

Q_DECLARE_METATYPE(ProgressInfo)

// Registers the record under the name "ProgressInfo" for queued connections; safe to call more than once.
void RegisterProgressInfo();

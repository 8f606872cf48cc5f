#include "pages/log/CLogSearchThread.h"

#include "model/LogStore.h"
#include "model/Records.h"
#include "model/TextConvert.h"

#include <QDateTime>

#include <vector>

namespace {

const char* const kSubTypeTexts[] = {
    QT_TRANSLATE_NOOP("CLogSearchThread", "Start SoftWare"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Stop SoftWare"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Start Manual Backup"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Stop Manual Backup"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Config Plan"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Config Disk"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Config Group"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Device Reconnect Exception"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Write File Exception"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Connect to Device Exception"),
    QT_TRANSLATE_NOOP("CLogSearchThread", "Overwrite Records"),
};

CTreeViewItem* MakeRowItem(const QStringList& texts)
{
    auto* item = new CTreeViewItem(nullptr);
    for (int column = 0; column < texts.size(); ++column)
        item->SetData(column, Qt::DisplayRole, texts.at(column));
    return item;
}

} // namespace

CLogSearchThread::CLogSearchThread(QObject* parent) : QThread(parent)
{
    qRegisterMetaType<QList<CTreeViewItem*>>("QList<CTreeViewItem*>");
}

CLogSearchThread::~CLogSearchThread()
{
    Stop();
    wait();
}

void CLogSearchThread::SetSearchParam(int type, qint64 start, qint64 end)
{
    std::unique_lock locker(m_mutex);
    m_bStop = false;
    m_nLogType = type;
    m_nStartTime = start;
    m_nEndTime = end;
}

void CLogSearchThread::Stop()
{
    std::unique_lock locker(m_mutex);
    m_bStop = true;
    m_waitResume.notify_one();
}

void CLogSearchThread::Resume()
{
    std::unique_lock locker(m_mutex);
    m_waitResume.notify_one();
}

bool CLogSearchThread::StopRequested()
{
    std::unique_lock locker(m_mutex);
    return m_bStop;
}

QString CLogSearchThread::SubTypeText(int subtype)
{
    if (subtype < LOG_SUB_START_SOFTWARE || subtype > LOG_SUB_OVERWRITE)
        return QString();
    return tr(kSubTypeTexts[subtype - LOG_SUB_START_SOFTWARE]);
}

QString CLogSearchThread::TimeText(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::LocalTime).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QStringList CLogSearchThread::RowTexts(const LOG_INFO& info, int number)
{
    return {QString::number(number), TimeText(info.LogTime), SubTypeText(info.LogSubType),
            LocalToQString(info.LogContents)};
}

void CLogSearchThread::run()
{
    int type = 0;
    qint64 start = 0;
    qint64 end = 0;
    {
        std::unique_lock locker(m_mutex);
        type = m_nLogType;
        start = m_nStartTime;
        end = m_nEndTime;
    }
    std::vector<LOG_INFO> entries;
    SearchLog(&entries, type, start, end);
    const int found = int(entries.size());
    int shown = 0;

    if (found == 0) {
        // One empty batch brings the progress box to its end.
        emit SetInfoToView({}, 1, 1);
    }
    while (shown < found && !StopRequested()) {
        const int next = qMin(shown + BATCH_ROWS, found);
        QList<CTreeViewItem*> batch;
        batch.reserve(next - shown);
        for (int i = shown; i < next; ++i)
            batch.append(MakeRowItem(RowTexts(entries[size_t(i)], i + 1)));
        shown = next;

        // Emitting under the lock means the page's Resume cannot come before this thread waits.
        std::unique_lock locker(m_mutex);
        emit SetInfoToView(batch, shown, found);
        if (!m_bStop && shown < found)
            m_waitResume.wait(locker);
    }

    std::unique_lock locker(m_mutex);
    m_bStop = false;
}

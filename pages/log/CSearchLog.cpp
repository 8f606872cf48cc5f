#include "pages/log/CSearchLog.h"

#include "pages/ClockRange.h"
#include "pages/log/CLogBackup.h"
#include "pages/log/CLogTypeModel.h"
#include "pages/log/CLogWriteThread.h"
#include "pages/log/LocalLogEvent.h"
#include "ui_CSearchLog.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/dialogs/CProgress.h"
#include "widgets/dialogs/CWarnDlg.h"

#include <QCoreApplication>

namespace {

constexpr int kMaxSearchDays = 30;

} // namespace

CSearchLog::CSearchLog(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CSearchLogClass>())
{
    m_ui->setupUi(this);
    connect(m_ui->m_pushButtonSearch, &QPushButton::clicked, this, &CSearchLog::OnBtnClickedSearchLog);
    connect(m_ui->m_pushButtonExportLog, &QPushButton::clicked, this, &CSearchLog::OnBtnClickedExportLog);

    CTableView* table = m_ui->m_pLogTableView;
    table->SetHeaderLabels({tr("ID"), tr("Operation Time"), tr("Type"), tr("Contents")});
    const int widths[] = {80, 130, 120, 300};
    for (int column = 0; column < 4; ++column)
        table->setColumnWidth(column, widths[column]);

    // The log keeps its times as local date-time texts with four-digit years; the editors stay inside them.
    const QDateTime first(QDate(1970, 1, 1), QTime(0, 0, 0));
    const QDateTime last(QDate(9999, 12, 31), QTime(23, 59, 59));
    for (CDateTimeEdit* edit : {m_ui->m_pStartTime, m_ui->m_pEndTime})
        edit->setDateTimeRange(first, last);
    // Until the operator picks a range, a search covers today up to its own moment, on the clock the log's
    // entries are stamped with.
    m_pRange = new CClockRange(m_ui->m_pStartTime, m_ui->m_pEndTime, &QDateTime::currentDateTime, this);

    m_ui->m_pcomboBoxLogType->setModel(new CLogTypeModel(this));
    m_ui->m_pcomboBoxLogType->setCurrentIndex(0);

    RegisterProgressInfo();
    connect(&m_searchThread, &CLogSearchThread::SetInfoToView, this, &CSearchLog::OnSetInfoToView);
}

CSearchLog::~CSearchLog()
{
    EndSearch();
}

QString CSearchLog::ExportFilePath(const QString& path)
{
    if (path.contains(QLatin1String(".xml")))
        return path;
    return path + QLatin1String(".xml");
}

void CSearchLog::EndSearch()
{
    m_searchThread.Stop();
    m_searchThread.wait();
    // Batches of that search still queued to this page would land in the next search's table.
    m_bDropBatches = true;
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_bDropBatches = false;
    QCoreApplication::removePostedEvents(this, LocalLogEvent::TYPE);
}

void CSearchLog::OnSetInfoToView(QList<CTreeViewItem*> items, int shown, int found)
{
    if (m_bDropBatches) {
        qDeleteAll(items);
        return;
    }
    QCoreApplication::postEvent(this, new LocalLogEvent(items, shown, found));
}

void CSearchLog::customEvent(QEvent* event)
{
    if (event->type() != LocalLogEvent::TYPE) {
        QDialog::customEvent(event);
        return;
    }
    auto* batch = static_cast<LocalLogEvent*>(event);
    CTableView* table = m_ui->m_pLogTableView;
    const QList<CTreeViewItem*> items = batch->TakeItems();
    if (!items.isEmpty()) {
        table->AppendItems(items);
        table->scrollTo(table->GetIndex(table->GetTopRowCount() - 1, 0));
    }
    m_searchThread.Resume();
    ProgressInfo info;
    batch->GetCount(&info.nCurrent, &info.nTotal);
    emit SetProgressChanged(info);
}

void CSearchLog::reject() {}

void CSearchLog::showEvent(QShowEvent* event)
{
    m_pRange->Follow();
    QDialog::showEvent(event);
}

void CSearchLog::SetClock(std::function<QDateTime()> now)
{
    m_pRange->SetClock(std::move(now));
    m_pRange->Follow();
}

void CSearchLog::OnBtnClickedSearchLog()
{
    m_pRange->Follow();
    const QDateTime start = m_ui->m_pStartTime->dateTime();
    const QDateTime end = m_ui->m_pEndTime->dateTime();
    if (start > end) {
        ShowInfoMsgBox(tr("Information"), tr("The start time should before the end time"), this);
        return;
    }
    if (start.addDays(kMaxSearchDays) < end) {
        ShowInfoMsgBox(tr("Information"), tr("You can only search log within 30 days"), this);
        return;
    }

    // A search still running (its last batch just shown) ends before the table is cleared for this one.
    EndSearch();
    m_ui->m_pLogTableView->Clear();

    CProgress progress(this);
    connect(this, &CSearchLog::SetProgressChanged, &progress, &CProgress::OnProgressChanged,
            Qt::QueuedConnection);
    connect(&progress, &QDialog::rejected, this, &CSearchLog::OnCancelFindLog);
    m_nLogType = m_ui->m_pcomboBoxLogType->currentIndex();
    m_searchThread.SetSearchParam(m_nLogType, start.toSecsSinceEpoch(), end.toSecsSinceEpoch());
    m_searchThread.start();
    progress.exec();
}

void CSearchLog::OnCancelFindLog()
{
    m_searchThread.Stop();
    m_searchThread.wait();
}

void CSearchLog::OnBtnClickedExportLog()
{
    if (m_ui->m_pLogTableView->GetTopRowCount() == 0) {
        ShowInfoMsgBox(tr("Information"), tr("The log table is empty"), this);
        return;
    }
    CLogBackup backup(this);
    connect(&backup, &CLogBackup::SignalAccepted, this, &CSearchLog::OnBackUp);
    backup.exec();
}

void CSearchLog::OnBackUp(const QString& path)
{
    if (path.isEmpty()) {
        ShowInfoMsgBox(tr("Information"), tr("Name cannot be empty"), this);
        return;
    }
    // The operator may stop the backup; so does the program's end, which rejects every open box.
    ChaseDialog chase(this, QStringLiteral(":/images/Loading.gif"), tr("Writing..."), true);
    connect(this, &CSearchLog::StopChase, &chase, &ChaseDialog::OnImmediatelyStopChase);
    // Declared after the box, so it is destroyed first: its destructor waits for the thread.
    CLogWriteThread writer;
    writer.SetWriteParam(ExportFilePath(path), m_ui->m_pLogTableView->model());
    connect(&chase, &ChaseDialog::SignalCancel, &writer, [&writer] { writer.Stop(); });
    connect(&writer, &CLogWriteThread::SendWhy, this, [this](const QString& why) { m_writeWhy = why; });
    connect(&writer, &CLogWriteThread::SendWriteOver, this, &CSearchLog::OnWriteOver);
    m_writeWhy.clear();
    writer.start();
    chase.exec();
    writer.wait(); // ends within its bound, and soon once stopped
    // A result still queued (the box was cancelled) is said now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void CSearchLog::OnWriteOver(int result)
{
    emit StopChase();
    switch (result) {
    case CLogWriteThread::WRITE_OPEN_FAILED:
        ShowInfoMsgBox(tr("Error"), tr("Open file failed!") + QLatin1Char('\n') + m_writeWhy, this);
        break;
    case CLogWriteThread::WRITE_DONE:
        ShowInfoMsgBox(tr("Success"), tr("Backup successful"), this);
        break;
    case CLogWriteThread::WRITE_REFUSED:
        ShowInfoMsgBox(tr("Error"), tr("Open file failed!") + QLatin1Char('\n') + m_writeWhy, this);
        break;
    case CLogWriteThread::WRITE_FAILED:
        ShowInfoMsgBox(tr("Error"),
                       tr("Backup failed. An earlier file of that name is kept.") + QLatin1Char('\n') +
                           m_writeWhy,
                       this);
        break;
    case CLogWriteThread::WRITE_STOPPED:
        ShowInfoMsgBox(tr("Information"), tr("Backup stopped. No file was written."), this);
        break;
    case CLogWriteThread::WRITE_NO_ANSWER:
        ShowInfoMsgBox(tr("Error"),
                       tr("Backup failed. An earlier file of that name is kept.") + QLatin1Char('\n') +
                           m_writeWhy,
                       this);
        break;
    default:
        ShowInfoMsgBox(tr("Error"), tr("Unknown error."), this);
        break;
    }
}

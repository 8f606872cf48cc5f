#pragma once

// The log page: searches the log over a range of at most 30 days and one log type, shows the entries as the
// search thread hands them over in batches, and exports the shown rows to an XML file.

#include "pages/log/CLogSearchThread.h"
#include "widgets/dialogs/ProgressInfo.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

class CClockRange;

namespace Ui {
class CSearchLogClass;
}

class CSearchLog : public QDialog
{
    Q_OBJECT

public:
    explicit CSearchLog(QWidget* parent = nullptr);
    // Stops the search thread and waits for it; rows still on their way are freed.
    ~CSearchLog() override;

    // The export file's path: ".xml" is appended unless the path holds it somewhere already.
    static QString ExportFilePath(const QString& path);
    // The clock the default range follows (the wall clock, as the log's entries are stamped).
    void SetClock(std::function<QDateTime()> now);

Q_SIGNALS:
    void SetProgressChanged(ProgressInfo info);
    void StopChase();

public Q_SLOTS:
    void OnSetInfoToView(QList<CTreeViewItem*> items, int shown, int found);
    void OnBtnClickedSearchLog();
    void OnBtnClickedExportLog();
    void OnCancelFindLog();
    void OnBackUp(const QString& path);
    void OnWriteOver(int result);

protected:
    void customEvent(QEvent* event) override;
    // Empty: Escape never closes or hides the page.
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    // Ends a running search and drops the batches it has sent and the page has not shown yet.
    void EndSearch();

    std::unique_ptr<Ui::CSearchLogClass> m_ui;
    CClockRange* m_pRange = nullptr;
    int m_nLogType = 0;
    bool m_bDropBatches = false;
    QString m_writeWhy; // the running backup's refusal, named in its result box
    CLogSearchThread m_searchThread;
};

#pragma once

// The log page: searches the log over a range of at most 30 days and one log type, shows the entries as the
// search thread hands them over in batches, and exports the shown rows to an XML file.

#include "pages/log/CLogSearchThread.h"
#include "widgets/dialogs/ProgressInfo.h"

#include <QDialog>
#include <QList>

#include <memory>

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

private:
    // Ends a running search and drops the batches it has sent and the page has not shown yet.
    void EndSearch();

    std::unique_ptr<Ui::CSearchLogClass> m_ui;
    int m_nLogType = 0;
    bool m_bDropBatches = false;
    CLogSearchThread m_searchThread;
};

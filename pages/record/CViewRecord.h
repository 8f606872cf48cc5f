#pragma once

// The record page: the operator ticks channels of the registered recorders, chooses a file type and a range
// of at most three days, and searches what the storage layer holds of them; from the result table a file is
// played in the external player or shown in the file manager, and selected files are exported to a folder.
// The search and the export's copying run off the GUI thread: a disk that stops answering never holds the
// window, and the busy box's Cancel ends either.

#include "pages/record/CRecordSearchThread.h"
#include "pages/record/CViewRecordClass.h"

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <memory>

class QStandardItemModel;
class CClockRange;
class IFileBrowser;
class IRecordPlayer;
struct PLAYER_FAILURE;
class StowelineList;
struct SEARCH_GAPS;

class CViewRecord : public QDialog
{
    Q_OBJECT

public:
    explicit CViewRecord(QWidget* parent);
    ~CViewRecord() override;

    // The hand-off layers; the page owns them. The defaults start the player program and ask the desktop's
    // file manager (falling back to opening the folder).
    void SetPlayer(std::unique_ptr<IRecordPlayer> player);
    void SetFileBrowser(std::unique_ptr<IFileBrowser> browser);

    // What the page's box says of a hand-off to the desktop's opener that failed after the click: the record,
    // the opener and why.
    static QString PlayerFailureText(const PLAYER_FAILURE& failure);
    static QString OpenerStatusMeaning(int status);

    // Appends the rows of one search answer, up to the page's bound of rows (kMaxRecordRows); a null list
    // adds nothing.
    void FillRecordRows(const StowelineList* list, const QString& cameraName);

    // The result table's columns.
    enum COLUMN
    {
        COL_ID = 0,
        COL_CAMERA,
        COL_START,
        COL_END,
        COL_SIZE,
        COL_PLAYBACK,
        COL_PATH,
        COL_COUNT
    };

Q_SIGNALS:
    void StopChase();

public Q_SLOTS:
    void OnBtnClickedSerchRecord();
    void OnClickAction(const QModelIndex& index);
    void ResetGroup();
    void OnBtnClickedExport();
    void OnExport(const QString& folder);
    void GetSelectedFile(QList<QString>& files);
    void OnWriteOver(int result);
    // An embedded page: Escape must never hide it.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    void InitGroupTree();
    void InitRecordTable();
    void PlayRecordFile(QString& path);
    // A hand-off to the desktop's opener that failed after the click.
    void ShowPlayerFailure(const PLAYER_FAILURE& failure);
    void ShowInExplorer(QString path);
    // The words beside and below the result's caption after a search: no channel ticked, nothing found, the
    // disks that could not be searched and a list cut at its bound.
    void ShowSearchOutcome(int searchedChannels, const SEARCH_GAPS& gaps, bool stopped = false);
    void AppendRecordRow(const QString& cameraName, const QString& path, const QString& start,
                         const QString& end, qint64 size);

    CViewRecordClass ui;
    QStandardItemModel* m_pGroupModel = nullptr;
    QStandardItemModel* m_pRecordModel = nullptr;
    std::unique_ptr<IRecordPlayer> m_pPlayer;
    std::unique_ptr<IFileBrowser> m_pFileBrowser;
    // The files of the running export that were not copied, each a line that names it.
    QStringList m_exportLines;
    // Until the operator picks a range, the search covers today up to the moment of the search, so records
    // stored while the program runs are found.
    CClockRange* m_pRange = nullptr;
    // The last search's rows reached the page's bound and matches were left out.
    bool m_rowsCut = false;
    // Declared last: destroyed first, it stops a search and ends before anything it reports to goes.
    CRecordSearchThread m_searchThread;
};

#include "app/VarrowStart.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "app/CVarrow.h"
#include "app/ClientConfigManager.h"
#include "storage/CreateStorage.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "pages/state/CViewState.h"
#include "platform/TerminationSignals.h"

QString DatabaseErrorText(const QString& error, MAIN_DB_REFUSAL refusal)
{
    switch (refusal) {
    case MAIN_DB_EMPTY_FILE:
        // Refused all the same: an emptied file may be a station's lost settings, and starting over it
        // would hide the loss. The operator decides.
        return QObject::tr("The database cannot be used. The file was left as it is:") + QLatin1Char('\n') +
               error + QLatin1Char('\n') +
               QObject::tr("To start with empty settings, move the file away and start the program again.");
    case MAIN_DB_NOT_CREATED:
        return QObject::tr("The database cannot be created; nothing was left behind:") + QLatin1Char('\n') +
               error;
    default:
        return QObject::tr("The database cannot be used. The file was left as it is:") + QLatin1Char('\n') +
               error;
    }
}

std::unique_ptr<CVarrow> OpenMainWindow()
{
    // A station that starts over an unusable file would look empty and fail only at the first save; one that
    // starts with defaults over stored rows it could not read would write the defaults over them.
    std::string error = MainDbError();
    MAIN_DB_REFUSAL refusal = MainDbRefusal();
    std::string unread;
    if (error.empty() && !g_pSysInfoManage->LoadAllInfo(&unread)) {
        error = GetAbsolutePath(QStringLiteral("Varrow.db")).toStdString() + ": " +
                (unread.empty() ? std::string("the stored settings cannot be read") : unread);
        refusal = MAIN_DB_UNUSABLE;
    }
    if (!error.empty()) {
        CWarnDlg box(nullptr);
        box.ExecInfo(QStringLiteral("Varrow"), DatabaseErrorText(QString::fromStdString(error), refusal));
        return nullptr;
    }
    // The start is logged before anything of the run: a box of the start may stay open for hours, and what
    // the plans log meanwhile must not read as if it came before the program was opened.
    WriteLog(LOG_TYPE_OPERATION, LOG_SUB_START_SOFTWARE, QObject::tr("Open Software"));
    // Said where the operator of an unattended station looks: the start went on with the defaults.
    if (const QString refused = ClientConfigManager::Instance()->RefusalText(); !refused.isEmpty())
        WriteLog(LOG_TYPE_EXCEPTION, LOG_SUB_START_SOFTWARE, refused);
    g_pSysInfoManage->LoadAllTaskList();
    const int storageCode = CreateStorage(DiskFullCallBack);

    auto window = std::make_unique<CVarrow>();
    window->show();
    if (storageCode != 0)
        ShowInfoMsgBox(QObject::tr("Information"), StorageErrorText(storageCode), window.get());
    return window;
}

namespace {

// A termination signal ends the program as a confirmed close does, without its question. The close waits for
// the event loop itself: a box's own loop still on the stack would return into the pages the close deletes.
// So every box is closed first (a question so answered is refused), and the close is tried again until none
// is left; before the main window exists the boxes are closed and the start ends as they make it end.
class CEndOnRequest
{
public:
    CEndOnRequest()
    {
        m_retry.setSingleShot(true);
        m_retry.setInterval(50);
        QObject::connect(&m_retry, &QTimer::timeout, [this] { Try(); });
    }

    void Request()
    {
        m_requested = true;
        Try();
    }

    // Called just before the main event loop runs: every call of Try from now on comes from it or from a box
    // within it.
    void MainLoopStarts(CVarrow* window)
    {
        m_window = window;
        m_mainLoop = true;
        if (m_requested)
            m_retry.start();
    }

private:
    void Try()
    {
        if (!m_requested)
            return;
        CloseBoxes();
        const bool boxesGone =
            QApplication::activeModalWidget() == nullptr && QApplication::activePopupWidget() == nullptr;
        if (m_mainLoop && boxesGone && QThread::currentThread()->loopLevel() <= 1) {
            m_requested = false;
            if (m_window != nullptr) {
                m_window->CloseSoftware();
                m_window->hide();
            }
            return;
        }
        m_retry.start();
    }

    static void CloseBoxes()
    {
        for (QWidget* box : {QApplication::activePopupWidget(), QApplication::activeModalWidget()}) {
            if (box == nullptr)
                continue;
            if (auto* dialog = qobject_cast<QDialog*>(box))
                dialog->reject();
            else
                box->close();
        }
    }

    QTimer m_retry;
    QPointer<CVarrow> m_window;
    bool m_requested = false;
    bool m_mainLoop = false;
};

} // namespace

int RunVarrow()
{
    int result = 1;
    {
        CEndOnRequest end;
        CTerminationSignals termination;
        QObject::connect(&termination, &CTerminationSignals::Requested, [&end](int) { end.Request(); });
        if (std::unique_ptr<CVarrow> window = OpenMainWindow()) {
            end.MainLoopStarts(window.get());
            result = QApplication::exec();
        }
    }
    g_pSysInfoManage->Shutdown();
    return result;
}

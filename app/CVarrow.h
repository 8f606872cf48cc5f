#pragma once

// The main window: a frameless 1024 x 768 window with its own title bar, the tab row, the throughput
// read-out and the three pages. It opens the settings and About dialogs, feeds the watchdog, and on a
// confirmed close takes the pages and the engine down in order before the program ends.

#include "app/VarrowClass.h"
#include "pages/log/CSearchLog.h"
#include "pages/record/CViewRecord.h"
#include "pages/state/CViewState.h"
#include "platform/MFNetTraffic.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class CWatchDogModel;
class CWindowTitle;
class QStackedWidget;
class QTimer;

class CVarrow : public QMainWindow
{
    Q_OBJECT

public:
    explicit CVarrow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~CVarrow() override;

    // For tests: the form and the pages (null once the confirmed close deleted them).
    const VarrowClass& Form() const { return ui; }
    QStackedWidget* StackedWidget() const { return m_pStackedWidget; }
    CViewState* ViewState() const { return m_pViewState; }
    CViewRecord* ViewRecord() const { return m_pViewRecord; }
    CSearchLog* SearchLog() const { return m_pSearchLog; }
    CWindowTitle* WindowTitle() const { return m_pTitle; }

    static QString SelectedTabStyle();
    static QString UnselectedTabStyle();

    // The close that the operator confirmed, without the question: the pages and every engine thread, the
    // storage object and the watchdog, "Close Software", then the quit of the event loop. Once only; call it
    // from the event loop itself, not from within a box's own loop.
    void CloseSoftware();

public Q_SLOTS:
    void OnBtnClickedViewState();
    void OnBtnClickedViewRec();
    void OnBtnClicekdViewLog();
    void OnBtnClickedConfig();
    void OnBtnClickedAbout();
    void UpdateNetFlux();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void InitPages();
    void ShowPage(int page);

    VarrowClass ui;
    QPointer<CViewState> m_pViewState;
    QPointer<CSearchLog> m_pSearchLog;
    QPointer<CViewRecord> m_pViewRecord;
    std::unique_ptr<CWatchDogModel> m_pWatchDog;
    QStackedWidget* m_pStackedWidget = nullptr;
    MFNetTraffic m_netTraffic;
    QTimer* m_pTimer = nullptr;
    CWindowTitle* m_pTitle = nullptr;
    bool m_bClosed = false;
};

#pragma once

// The program as an operator meets it, for scenario tests: the real main window (opened the way main opens
// it) over a temporary program directory with a fresh database and model, simulated recorders on loopback,
// two drive roots with quotas named in Drives.conf, the scaled engine clock and a fake mail server. The
// helpers find widgets by object name or visible text, click, type and read them, so a scenario drives the
// program only through its windows; every modal box is answered by the harness's modal driver.

#include "tests/support/FakeSmtpServer.h"
#include "tests/support/QuotaRoots.h"
#include "tests/support/ScaledClock.h"
#include "tests/support/SimRecorders.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/gui/ModalDriver.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class CSysInfoManage;
class CVarrow;

class CScenarioHarness
{
public:
    static constexpr int kDrives = 2;

    // `now`: where the engine clock starts; `scale`: how much faster than real time it runs.
    explicit CScenarioHarness(const QDateTime& now, double scale = 1000.0);
    ~CScenarioHarness();
    CScenarioHarness(const CScenarioHarness&) = delete;
    CScenarioHarness& operator=(const CScenarioHarness&) = delete;

    bool IsValid() const;
    QString ProgramDir() const { return m_db.Dir(); }
    QString DbPath() const { return m_db.DbPath(); }

    CSimRecorders& Recorders() { return m_recorders; }
    CScaledClock& Clock() { return m_clock.Clock(); }
    CFakeSmtpServer& Smtp() { return m_smtp; }
    CModalDriver& Driver() { return *m_driver; }

    // Drive i (0 or 1) is the letter 'D' + i; its directory, and a quota on it (bytes the program may write
    // beyond the storage layer's own reserve).
    static QChar DriveLetter(int drive) { return QChar(char('D' + drive)); }
    QString DrivePath(int drive) const { return m_drives[drive].path(); }
    void SetDriveQuota(int drive, qint64 bytes);

    // Opens the main window as main does (model, task lists, storage, window, "Open Software") and waits
    // until it is shown.
    CVarrow* Open();
    CVarrow* Window() const { return m_window.get(); }
    // Asks the window to close through its title bar's close button, answering the confirmation box; true
    // when the window went down (the event loop's quit is consumed).
    bool Close(bool confirm);
    // Closes (confirmed) when open, then builds a fresh model over the same database, as a new process would,
    // and opens the window again.
    CVarrow* Restart();

    // Widgets by object name, or buttons by text (without '&'), below `root` (visible ones first).
    template <class T = QWidget> static T* Find(QWidget* root, const QString& objectName)
    {
        return qobject_cast<T*>(FindWidget(root, objectName));
    }
    static QWidget* FindWidget(QWidget* root, const QString& objectName);
    static QAbstractButton* FindButton(QWidget* root, const QString& nameOrText);
    // Clicks as the mouse does (press and release in the middle); false when there is no such enabled button.
    static bool Click(QWidget* root, const QString& nameOrText);
    // Replaces the text of a line edit (or an editable combo box) by typing it.
    static bool Type(QWidget* root, const QString& objectName, const QString& text);
    // The log's texts in the order written.
    static QStringList LogTexts();
    // The names of this process's threads right now, sorted, without the idle workers of thread pools.
    static QStringList ThreadNames();

private:
    CTempDatabase m_db;
    CSysInfoManage* m_previousModel;
    std::vector<std::unique_ptr<CSysInfoManage>> m_retiredModels;
    std::unique_ptr<CSysInfoManage> m_model;
    CSimRecorders m_recorders;
    CScopedEngineClock m_clock;
    QTemporaryDir m_drives[kDrives];
    CQuotaRoots m_quota;
    CFakeSmtpServer m_smtp;
    std::unique_ptr<CModalDriver> m_driver;
    std::unique_ptr<CVarrow> m_window;
};

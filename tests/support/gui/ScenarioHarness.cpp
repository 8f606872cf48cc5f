#include "tests/support/gui/ScenarioHarness.h"

#include "app/CVarrow.h"
#include "app/CWindowTitle.h"
#include "app/CreateStorage.h"
#include "app/VarrowStart.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "widgets/dialogs/CPushButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

// What the storage layer keeps free on a disk for itself; a quota counts it out.
constexpr qint64 kStorageReserve = 256LL * 1024 * 1024;

QString ButtonText(const QAbstractButton* button)
{
    return button->text().remove(QLatin1Char('&'));
}

} // namespace

CScenarioHarness::CScenarioHarness(const QDateTime& now, double scale)
    : m_previousModel(g_pSysInfoManage), m_model(std::make_unique<CSysInfoManage>()), m_recorders(1000, 2000),
      m_clock(now, scale), m_driver(std::make_unique<CModalDriver>())
{
    g_pSysInfoManage = m_model.get();
    QFile map(GetAbsolutePath(QStringLiteral("Drives.conf")));
    if (map.open(QIODevice::WriteOnly)) {
        for (int drive = 0; drive < kDrives; ++drive)
            map.write(QString(DriveLetter(drive)).toLatin1() + '=' +
                      QFile::encodeName(m_drives[drive].path()) + '\n');
    }
    SetDefaultFreeSpaceProvider(m_quota.Provider());
}

CScenarioHarness::~CScenarioHarness()
{
    if (m_window != nullptr)
        Close(true);
    m_window.reset();
    m_driver.reset();
    ReleaseStorage();
    SetDefaultFreeSpaceProvider({});
    g_pSysInfoManage = m_previousModel;
}

bool CScenarioHarness::IsValid() const
{
    return m_db.IsValid() && m_drives[0].isValid() && m_drives[1].isValid() && m_smtp.IsListening() &&
           QFile::exists(GetAbsolutePath(QStringLiteral("Drives.conf")));
}

void CScenarioHarness::SetDriveQuota(int drive, qint64 bytes)
{
    m_quota.SetQuota(m_drives[drive].path(), kStorageReserve + bytes);
}

CVarrow* CScenarioHarness::Open()
{
    m_window = OpenMainWindow();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return nullptr;
    return m_window.get();
}

bool CScenarioHarness::Close(bool confirm)
{
    if (m_window == nullptr)
        return false;
    if (confirm)
        m_driver->Accept();
    else
        m_driver->Reject();
    // The confirmed close ends the event loop with a queued quit: a loop of our own takes it, as main's
    // would.
    bool quit = false;
    const QMetaObject::Connection connection =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&quit] { quit = true; });
    QTimer::singleShot(0, m_window.get(), [this] { m_window->WindowTitle()->CloseButton()->click(); });
    if (confirm) {
        // A close that hangs ends the loop after a while, and the caller sees that the window did not go.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
        guard.start(60000);
        QApplication::exec();
    } else {
        if (!QTest::qWaitFor([this] { return m_driver->Pending() == 0; }, 10000))
            return false;
    }
    QObject::disconnect(connection);
    if (!confirm)
        return false;
    const bool down = quit && m_window->ViewState() == nullptr;
    if (down)
        m_window.reset();
    return down;
}

CVarrow* CScenarioHarness::Restart()
{
    if (m_window != nullptr && !Close(true))
        return nullptr;
    // A new process: a model of its own over the same file, loaded afresh. The old model stays alive with the
    // harness (the program never destroys its model).
    m_retiredModels.push_back(std::move(m_model));
    m_model = std::make_unique<CSysInfoManage>();
    g_pSysInfoManage = m_model.get();
    m_db.Reopen();
    return Open();
}

QWidget* CScenarioHarness::FindWidget(QWidget* root, const QString& objectName)
{
    QWidget* hidden = nullptr;
    for (QWidget* widget : root->findChildren<QWidget*>(objectName)) {
        if (widget->isVisible())
            return widget;
        if (hidden == nullptr)
            hidden = widget;
    }
    return hidden;
}

QAbstractButton* CScenarioHarness::FindButton(QWidget* root, const QString& nameOrText)
{
    QAbstractButton* hidden = nullptr;
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->objectName() != nameOrText && ButtonText(button) != nameOrText)
            continue;
        if (button->isVisible())
            return button;
        if (hidden == nullptr)
            hidden = button;
    }
    return hidden;
}

bool CScenarioHarness::Click(QWidget* root, const QString& nameOrText)
{
    QAbstractButton* button = FindButton(root, nameOrText);
    if (button == nullptr || !button->isEnabled())
        return false;
    // A check box or radio button takes clicks on its indicator and text only, which begin at its left.
    const bool indicator = qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button);
    const QPoint point =
        indicator ? QPoint(std::min(8, button->width() / 2), button->height() / 2) : button->rect().center();
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton, {}, point);
    else
        button->click();
    return true;
}

bool CScenarioHarness::Type(QWidget* root, const QString& objectName, const QString& text)
{
    QWidget* widget = Find(root, objectName);
    QLineEdit* edit = qobject_cast<QLineEdit*>(widget);
    if (edit == nullptr) {
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            edit = combo->lineEdit();
    }
    if (edit == nullptr || !edit->isEnabled())
        return false;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    return edit->text() == text;
}

QStringList CScenarioHarness::LogTexts()
{
    QStringList texts;
    CSQLite3Recordset rs;
    if (GetMainDB().Query("SELECT LogContents FROM Log_Table ORDER BY rowid", rs)) {
        for (; !rs.IsEof(); rs.Next())
            texts << QString::fromStdString(rs.GetString(0));
    }
    return texts;
}

QStringList CScenarioHarness::ThreadNames()
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        // The toolkit's thread pools keep idle workers for half a minute; they run nothing of ours.
        if (name != QLatin1String("Thread (pooled)"))
            names << name;
    }
    names.sort();
    return names;
}

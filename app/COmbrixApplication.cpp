#include "app/COmbrixApplication.h"

#include "app/ClientConfigManager.h"
#include "app/ClientLanguageManager.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/style/COmbrixStyle.h"
#include "model/Utility.h"
#include "sdk/DeviceSdk.h"

#include <QDebug>
#include <QFile>
#include <QScreen>

#include <malloc.h>

COmbrixApplication::COmbrixApplication(int& argc, char** argv, const QString& key)
    : QApplication(argc, argv), m_instance(key)
{
    // The engine starts its threads anew every night; glibc gave each new thread a memory pool of its own and
    // kept the pools, so the resident size grew day after day while what the program held stayed flat.
    mallopt(M_ARENA_MAX, 2);
    // Closing a dialog never ends the program; only the main window's confirmed close does.
    setQuitOnLastWindowClosed(false);
    InitFont();
    InitStyle();
    InitEnvironment();

    switch (m_instance.TryAcquire()) {
    case CSingleInstance::Acquired:
        m_bRunning = false;
        break;
    case CSingleInstance::HeldByOther:
        m_bRunning = true;
        break;
    case CSingleInstance::Failed:
        // The program runs without the guard rather than not at all; the device layer is still set up, so it
        // is never used uninitialised.
        qDebug() << "Unable to create single instance.";
        m_bRunning = false;
        break;
    }
    NET_DVR_Init();
}

COmbrixApplication::~COmbrixApplication()
{
    ReleaseConfig();
    NET_DVR_Cleanup();
    m_instance.Release();
}

void COmbrixApplication::InitFont()
{
    QFont font(QStringLiteral("Arial"), 9);
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    setFont(font);
}

void COmbrixApplication::InitStyle()
{
    setStyle(new COmbrixStyle);
    QFile sheet(QStringLiteral(":/qss/Quessel.qss"));
    QString text;
    if (sheet.open(QIODevice::ReadOnly))
        text = QString::fromLatin1(sheet.readAll());
    setStyleSheet(text);
}

void COmbrixApplication::InitEnvironment()
{
    addLibraryPath(GetAppDirPath() + QStringLiteral("plugins"));
    ClientConfigManager::Instance()->Load(GetAbsolutePath(QStringLiteral("Setup.xml")));
    InstallTranslators();
    QFont tipFont;
    tipFont.setPointSize(10);
    CToolTip::SetFont(tipFont);
}

bool COmbrixApplication::InstallTranslators()
{
    ClientLanguageProperty* language = ClientLanguageManager::Instance()->Current();
    if (language == nullptr)
        return true;
    // Calendars, date formats and the toolkit's own boxes take their month and day names from the default
    // locale: it must be the shown language's, not the desktop's.
    QLocale::setDefault(language->GetLocale());
    if (language->GetTranslator() != nullptr)
        installTranslator(language->GetTranslator());
    if (language->GetQtTranslator() != nullptr)
        installTranslator(language->GetQtTranslator());
    return true;
}

void COmbrixApplication::ReleaseConfig()
{
    ClientConfigManager::Instance()->Clear();
}

QString COmbrixApplication::RunningText()
{
    return tr("Software is already running.");
}

QString COmbrixApplication::ResolutionText()
{
    return tr("The least resolution is 1024*768.");
}

void COmbrixApplication::ShowRefusal(const QString& text)
{
    CWarnDlg box(nullptr);
    box.ExecInfo(QStringLiteral("Varrow"), text);
}

bool COmbrixApplication::IsRunning()
{
    if (!m_bRunning)
        return false;
    ShowRefusal(RunningText());
    return true;
}

bool COmbrixApplication::IsResolutionTooSmall(const QSize& screen)
{
    return screen.width() < 1024 || screen.height() < 768;
}

bool COmbrixApplication::CheckResolution()
{
    const QScreen* screen = primaryScreen();
    if (screen == nullptr || !IsResolutionTooSmall(screen->geometry().size()))
        return false;
    ShowRefusal(ResolutionText());
    return true;
}

#include "platform/FileBrowser.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObject = QStringLiteral("/org/freedesktop/FileManager1");
constexpr int kCallTimeoutMs = 10000;

} // namespace

CFileBrowser::CFileBrowser(Fallback fallback, QObject* parent)
    : QObject(parent), m_fallback(std::move(fallback))
{
}

CFileBrowser::~CFileBrowser() = default;

QString CFileBrowser::FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

bool CFileBrowser::ShowFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString folder = FolderOf(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return m_fallback ? m_fallback(folder) : false;

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kObject, kService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not hold up the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, folder](QDBusPendingCallWatcher* w) {
        if (w->isError() && m_fallback)
            m_fallback(folder);
        w->deleteLater();
    });
    return true;
}

QString ExplorerSelectParameters(const QString& path)
{
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("/select,") + native;
}

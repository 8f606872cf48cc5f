#include "model/Utility.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex& AppDirMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& AppDirStorage()
{
    static std::string dir;
    return dir;
}

std::string ExecutableDir()
{
    // The link's target may be any length; grow the buffer until it fits.
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return std::string();
        if (size_t(n) < buffer.size()) {
            buffer.resize(size_t(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const size_t slash = buffer.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : buffer.substr(0, slash + 1);
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

const std::string& GetCurExeDir()
{
    std::lock_guard<std::mutex> lock(AppDirMutex());
    std::string& dir = AppDirStorage();
    if (dir.empty())
        dir = ExecutableDir();
    return dir;
}

void SetAppDirOverride(const QString& dir)
{
    std::string path = QDir::cleanPath(dir).toLocal8Bit().toStdString();
    if (path.empty() || path.back() != '/')
        path += '/';
    std::lock_guard<std::mutex> lock(AppDirMutex());
    AppDirStorage() = path;
}

QString GetAppDirPath()
{
    return QString::fromLocal8Bit(GetCurExeDir());
}

QString GetAppPath()
{
    return GetAppDirPath();
}

QString GetAbsolutePath(const QString& path)
{
    if (QFileInfo(path).isRelative())
        return GetAppDirPath() + path;
    return path;
}

void MakeDirs(const char* path)
{
    if (path == nullptr)
        return;
    const std::string full(path);
    for (size_t i = 0; i < full.size(); ++i) {
        if (!IsSeparator(full[i]) || i == 0)
            continue;
        const std::string part = full.substr(0, i);
        // An existing folder simply fails; the caller finds out when it writes its file.
        ::mkdir(part.c_str(), 0755);
    }
}

bool DeleteDirectory(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    struct stat info;
    if (::lstat(path, &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path) == 0;

    DIR* dir = ::opendir(path);
    if (dir == nullptr)
        return false;
    bool ok = true;
    while (struct dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const std::string child = std::string(path) + "/" + entry->d_name;
        if (!DeleteDirectory(child.c_str())) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    return ok && ::rmdir(path) == 0;
}

bool RowLessThan(const QModelIndex& a, const QModelIndex& b)
{
    return a.row() < b.row();
}

QString QuoteText(const QString& text)
{
    QString quoted = QStringLiteral("&quot;%1&quot;").arg(text);
    quoted.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    return quoted;
}

QString FormatByteSize(qint64 size)
{
    const QLocale locale;
    if (size < 1024)
        return locale.toString(size);
    if (size < (qint64(1) << 20))
        return QStringLiteral("%1 KB").arg(locale.toString(size / 1024));
    if (size < (qint64(1) << 30))
        return QStringLiteral("%1 MB").arg(locale.toString(double(size) / (1 << 20), 'f', 1));
    if (size < (qint64(1) << 40))
        return QStringLiteral("%1 GB").arg(locale.toString(double(size) / (1 << 30), 'f', 2));
    return QStringLiteral("%1 TB").arg(locale.toString(double(size) / double(qint64(1) << 40), 'f', 3));
}

QString EventTypeName(int type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
        return QStringLiteral("MouseButtonPress");
    case QEvent::MouseButtonRelease:
        return QStringLiteral("MouseButtonRelease");
    case QEvent::MouseButtonDblClick:
        return QStringLiteral("MouseButtonDblClick");
    case QEvent::MouseMove:
        return QStringLiteral("MouseMove");
    case QEvent::KeyPress:
        return QStringLiteral("KeyPress");
    case QEvent::KeyRelease:
        return QStringLiteral("KeyRelease");
    case QEvent::FocusIn:
        return QStringLiteral("FocusIn");
    case QEvent::FocusOut:
        return QStringLiteral("FocusOut");
    case QEvent::Enter:
        return QStringLiteral("Enter");
    case QEvent::Leave:
        return QStringLiteral("Leave");
    case QEvent::Paint:
        return QStringLiteral("Paint");
    case QEvent::Show:
        return QStringLiteral("Show");
    case QEvent::Hide:
        return QStringLiteral("Hide");
    case QEvent::HoverEnter:
        return QStringLiteral("HoverEnter");
    case QEvent::HoverLeave:
        return QStringLiteral("HoverLeave");
    case QEvent::HoverMove:
        return QStringLiteral("HoverMove");
    case QEvent::Wheel:
        return QStringLiteral("Wheel");
    default:
        return QString::number(type);
    }
}

QStringList GetLocalFilesFromMime(const QMimeData* mime)
{
    QStringList files;
    if (mime == nullptr || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        const QString file = url.toLocalFile();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

bool RectXLessThan(const QRect& a, const QRect& b)
{
    return a.x() < b.x();
}

bool RectYLessThan(const QRect& a, const QRect& b)
{
    return a.y() < b.y();
}

void ScaleToFit(int w, int h, int maxW, int maxH, int* outW, int* outH)
{
    if (outW == nullptr || outH == nullptr)
        return;
    if (w <= 0 || h <= 0 || maxW <= 0 || maxH <= 0) {
        *outW = 0;
        *outH = 0;
        return;
    }
    // Compare w/h with maxW/maxH by cross multiplication to stay in integers.
    if (qint64(w) * maxH > qint64(h) * maxW) {
        *outW = maxW;
        *outH = int(qint64(h) * maxW / w);
    } else {
        *outH = maxH;
        *outW = int(qint64(w) * maxH / h);
    }
}

void CPauseControl::RequestPause()
{
    m_pauseRequested = true;
    while (!m_paused && m_running)
        QThread::msleep(1);
}

void CPauseControl::Resume()
{
    m_pauseRequested = false;
    while (m_paused && m_running)
        QThread::msleep(1);
}

void CPauseControl::CheckPause()
{
    while (m_pauseRequested && m_running) {
        m_paused = true;
        QThread::msleep(1);
    }
    m_paused = false;
}

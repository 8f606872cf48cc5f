#include "platform/AutoStart.h"

#include "model/Utility.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<CAutoStart*> g_current{nullptr};

const char* const kEntryName = "Varrow.desktop";

// Writes the whole file under a temporary name and renames it, so a reader never sees half a file; the file
// is created readable by its owner only (mkstemp's mode), as a password may be in it.
bool WriteFilePrivately(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QByteArray pattern = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    qsizetype written = 0;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += n;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(pattern.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        ::unlink(pattern.constData());
    return ok;
}

QString EscapeValue(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else
            out += c;
    }
    return out;
}

QString UnescapeValue(const QString& value)
{
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else
            out += next;
    }
    return out;
}

// The values of a "key=value" file, unescaped; an absent file gives none.
QMap<QString, QString> ReadValues(const QString& path)
{
    QMap<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('[')))
            continue;
        const QString key = line.left(eq).trimmed();
        if (!values.contains(key))
            values.insert(key, UnescapeValue(line.mid(eq + 1)));
    }
    return values;
}

// The program path of an Exec value written by ExecValue (after the string value's own unescaping).
QString ProgramOfExec(const QString& exec)
{
    QString program;
    if (exec.startsWith(QLatin1Char('"'))) {
        for (int i = 1; i < exec.size(); ++i) {
            if (exec[i] == QLatin1Char('"'))
                break;
            if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size())
                ++i;
            program += exec[i];
        }
    } else {
        program = exec.section(QLatin1Char(' '), 0, 0);
    }
    return program.replace(QLatin1String("%%"), QLatin1String("%"));
}

} // namespace

CAutoStart::~CAutoStart() = default;

CAutoStart& CAutoStart::Current()
{
    if (CAutoStart* layer = g_current.load())
        return *layer;
    static CXdgAutoStart real;
    return real;
}

void CAutoStart::SetCurrent(CAutoStart* layer)
{
    g_current = layer;
}

CXdgAutoStart::CXdgAutoStart()
{
    QString configHome = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (configHome.isEmpty() || !QDir::isAbsolutePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    m_autostartDir = configHome + QStringLiteral("/autostart");
    m_logonFile = GetAbsolutePath(QStringLiteral("AutoLogon.conf"));
}

CXdgAutoStart::CXdgAutoStart(const QString& autostartDir, const QString& logonFile)
    : m_autostartDir(autostartDir), m_logonFile(logonFile)
{
}

QString CXdgAutoStart::EntryPath() const
{
    return m_autostartDir + QLatin1Char('/') + QLatin1String(kEntryName);
}

QString CXdgAutoStart::ExecValue(const QString& programPath)
{
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool CXdgAutoStart::SetRunEntry(bool on, const QString& programPath)
{
    const QString path = EntryPath();
    if (!on)
        return !QFile::exists(path) || QFile::remove(path);
    if (programPath.isEmpty() || programPath.contains(QLatin1Char('\n')) ||
        programPath.contains(QLatin1Char('\r')))
        return false;
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Varrow\n");
    text += QStringLiteral("Exec=") + EscapeValue(ExecValue(programPath)) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    // A desktop entry holds nothing secret: readable by all, as the session's launcher expects.
    return WriteFilePrivately(path, text.toUtf8()) &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

QString CXdgAutoStart::RunEntry() const
{
    const QMap<QString, QString> values = ReadValues(EntryPath());
    return values.contains(QStringLiteral("Exec")) ? ProgramOfExec(values.value(QStringLiteral("Exec")))
                                                   : QString();
}

bool CXdgAutoStart::SetAutoLogon(const AUTO_LOGON& logon, bool writeAccount)
{
    AUTO_LOGON kept = AutoLogon();
    if (writeAccount) {
        kept.UserName = logon.UserName;
        kept.Password = logon.Password;
    }
    QString text = QStringLiteral("# Automatic log-on values of Varrow; the display manager's own setting "
                                  "decides whether they are used.\n");
    text += QStringLiteral("AutoAdminLogon=") + (logon.Enabled ? QLatin1Char('1') : QLatin1Char('0')) +
            QLatin1Char('\n');
    text += QStringLiteral("DefaultUserName=") + EscapeValue(kept.UserName) + QLatin1Char('\n');
    text += QStringLiteral("DefaultPassword=") + EscapeValue(kept.Password) + QLatin1Char('\n');
    return WriteFilePrivately(m_logonFile, text.toUtf8());
}

AUTO_LOGON CXdgAutoStart::AutoLogon() const
{
    const QMap<QString, QString> values = ReadValues(m_logonFile);
    AUTO_LOGON logon;
    logon.Enabled = values.value(QStringLiteral("AutoAdminLogon")) == QLatin1String("1");
    logon.UserName = values.value(QStringLiteral("DefaultUserName"));
    logon.Password = values.value(QStringLiteral("DefaultPassword"));
    return logon;
}

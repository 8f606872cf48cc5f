#include "tests/support/TestSupport.h"

#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/LogText.h"
#include "model/TextConvert.h"
#include "model/SQLite3DB.h"
#include "model/Utility.h"
#include "platform/DriveMap.h"

#include <QDirIterator>
#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

CTempAppDir::CTempAppDir() : m_dir(QDir::tempPath() + QStringLiteral("/varrow-test-XXXXXX"))
{
    if (m_dir.isValid())
        SetAppDirOverride(m_dir.path());
}

namespace TestSupport {

void PrepareProcess(bool programScreen)
{
    if (programScreen)
        ::setenv("QT_QPA_PLATFORM", "offscreen:configfile=" VARROW_TEST_DATA_DIR "/screens/1280x1024.json",
                 1);
    else
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

CTempAppDir& ProcessAppDir()
{
    static CTempAppDir dir;
    // The user's own settings folder (the autostart entry lives there) is never written by a test.
    static const bool configMoved =
        ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir.FilePath(QStringLiteral("config"))).constData(),
                 1) == 0;
    Q_UNUSED(configMoved);
    return dir;
}

int Bound(int ms)
{
    static const int factor = std::max(1, qEnvironmentVariableIntValue("VARROW_TEST_SLOWDOWN"));
    return ms * factor;
}

} // namespace TestSupport

int CountRows(const std::string& sql)
{
    CSQLite3Recordset rs;
    GetMainDB().Query(sql, rs);
    return rs.IsEof() ? -1 : rs.GetInt(0);
}

void Refuse(const char* action, const char* table, const char* when)
{
    GetMainDB().Exec(std::string("CREATE TRIGGER refuse BEFORE ") + action + " ON " + table + " " + when +
                     " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
}

void AllowAll()
{
    GetMainDB().Exec("DROP TRIGGER IF EXISTS refuse;");
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FilesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        // The station's mark of a disk is no record.
        if (it.fileName() != QLatin1String(".station-mark"))
            files << file;
    }
    files.sort();
    return files;
}

bool MapDrives(const QMap<char, QString>& drives)
{
    // The file is the whole map: the machine's own volumes must not join it in a test.
    CDriveMap::SetVolumeSource([] { return QStringList(); });
    QFile conf(GetAbsolutePath(QStringLiteral("Drives.conf")));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    for (auto it = drives.cbegin(); it != drives.cend(); ++it)
        conf.write(it.key() + ("=" + QFile::encodeName(it.value())) + "\n");
    return conf.flush();
}

int CountDiskFull(int full, int, int, int)
{
    if (full == 1)
        ++DiskFullCalls();
    return 1;
}

std::atomic<int>& DiskFullCalls()
{
    static std::atomic<int> calls{0};
    return calls;
}

int TestSupport::LogRowsOf(const QString& text, int subtype)
{
    LOG_INFO expected;
    CopyString200(expected.LogContents, QStringToStdString(EscapeControls(text)));
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, std::numeric_limits<int32_t>::max());
    return int(std::count_if(rows.begin(), rows.end(), [&](const LOG_INFO& row) {
        return std::strncmp(row.LogContents, expected.LogContents, sizeof row.LogContents) == 0 &&
               (subtype == -1 || row.LogSubType == subtype);
    }));
}

QStringList TestSupport::LogTexts()
{
    std::vector<LOG_INFO> rows;
    SearchLog(&rows, 0, 0, std::numeric_limits<int32_t>::max());
    QStringList texts;
    for (const LOG_INFO& row : rows)
        texts << QString::fromLocal8Bit(row.LogContents);
    return texts;
}

#include "config/devices/CDeviceWriteThread.h"

#include "config/devices/DeviceFields.h"
#include "model/DbAccess.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"

#include <QDebug>

#include <algorithm>

CDeviceWriteThread::CDeviceWriteThread()
{
    qRegisterMetaType<DEVICE_IMPORT_COUNTS>("DEVICE_IMPORT_COUNTS");
}

CDeviceWriteThread::~CDeviceWriteThread()
{
    wait();
}

void CDeviceWriteThread::SetPath(const QString& path)
{
    m_dbPath = path;
}

bool CDeviceWriteThread::ReadRows(const QString& path, const std::function<bool(const IMPORT_ROW&)>& take,
                                  int* total)
{
    try {
        CSQLite3DB file;
        file.Open(path.toUtf8().toStdString(), CSQLite3DB::ReadOnlyOpenFlags);
        CSQLite3Recordset rs;
        if (!file.Query("SELECT type FROM sqlite_master WHERE name = 'TInfo_Device' COLLATE NOCASE", rs) ||
            rs.IsEof() || rs.GetString(0) != "table")
            return false;
        rs.Close();
        if (!file.Query("SELECT COUNT(*) FROM TInfo_Device", rs))
            return false;
        *total = rs.GetInt(0);
        rs.Close();
        if (!file.Query("SELECT * FROM TInfo_Device", rs))
            return false;
        const int address = rs.GetFieldIndex("Address");
        const int name = rs.GetFieldIndex("Name");
        const int user = rs.GetFieldIndex("UserName");
        const int password = rs.GetFieldIndex("UserPwd");
        const int port = rs.GetFieldIndex("Port");
        if (address < 0 || name < 0 || user < 0 || password < 0 || port < 0)
            return false;
        for (; !rs.IsEof(); rs.Next()) {
            IMPORT_ROW row;
            row.Address = LocalToQString(rs.GetString(address).c_str());
            row.Name = LocalToQString(rs.GetString(name).c_str());
            row.User = LocalToQString(rs.GetString(user).c_str());
            row.Password = LocalToQString(rs.GetString(password).c_str());
            row.Port = LocalToQString(rs.GetString(port).c_str());
            if (!take(row))
                break;
        }
        return true;
    } catch (const std::exception& e) {
        qDebug() << "device import: cannot read" << path << e.what();
    }
    return false;
}

void CDeviceWriteThread::run()
{
    DEVICE_IMPORT_COUNTS counts;
    int total = 0;
    const auto take = [&counts, this](const IMPORT_ROW& row) {
        // Between rows only: a login under way ends by its own time-out.
        if (isInterruptionRequested()) {
            counts.Stopped = true;
            return false;
        }
        if (g_pSysInfoManage->GetFreeDeviceIndex() < 0)
            return false;
        ++counts.Rows;
        DEVICE_FIELDS fields;
        // Blanks around a text count as the dialog counts them; the password is taken as stored.
        fields.Name = row.Name.trimmed();
        fields.Address = row.Address.trimmed();
        fields.User = row.User.trimmed();
        fields.Password = row.Password;
        fields.Port = DeviceFields::ParsePort(row.Port);
        fields.ConnectMode = 0;
        if (!DeviceFields::Check(fields).IsOk()) {
            ++counts.Skipped;
            return true;
        }
        const int flow = -1;
        const int result = g_pSysInfoManage->AddDevice(fields.Address.toLatin1().constData(), fields.Port,
                                                       QStringToLocal(fields.User).constData(),
                                                       QStringToLocal(fields.Password).constData(), &flow,
                                                       QStringToLocal(fields.Name).constData(), "", 0);
        if (result == ADD_DEVICE_OK)
            ++counts.Added;
        else
            ++counts.Refused;
        return true;
    };
    const bool ok = ReadRows(m_dbPath, take, &total);
    counts.Left = ok ? std::max(0, total - counts.Rows) : 0;
    Q_EMIT SendImportCounts(counts);
    Q_EMIT SendWriteOver(ok);
}

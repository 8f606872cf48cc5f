#pragma once

// Record names, file names and times as they stand on the disk, and the temporary files of open records.

#include "storage/StowelineRecords.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>

namespace StowelineDetail {

inline constexpr int kMaxEncodedName = 200;
// A stored file's path must fit one answer of the search, with its terminating zero.
inline constexpr qsizetype kMaxPathBytes = sizeof(STOWELINE_PATH::Path) - 1;
// A record name must fit the search condition's field.
inline constexpr size_t kMaxNameBytes = sizeof(RECORD_SEARCH_COND::RecordName);
inline const QByteArray kRecordsFolder = QByteArrayLiteral("Records");
inline const QByteArray kExtension = QByteArrayLiteral(".rec");
inline const QByteArray kTempSuffix = QByteArrayLiteral(".part");

void RegisterTemp(const QString& path);
void UnregisterTemp(const QString& path);
bool IsTempOpen(const QString& path);
bool IsTempName(const QByteArray& name);
// Removes the temporary files in one day folder that no live record owns.
void RemoveLeftovers(int dayDir, const QString& dayPath);
QByteArray NewTempName(const QByteArray& fileName);

bool IsValidTime(const STOWELINE_TIME& t);
// YYYYMMDDhhmmss: fixed width, so text order is time order.
QString CompactText(const STOWELINE_TIME& t);
// The identity of an open record: the name's bytes and the key's fields (not its reserved bytes). Cheap
// enough for every write, and it tells the same records apart as the folder and file name do.
std::string RecordId(const char* name, const CHANNEL_RECORD_KEY& key);
QString FileNameOf(const CHANNEL_RECORD_KEY& key);
bool IsDigits(QStringView text);
bool IsDayName(const QByteArray& name);
// A stored file's name split into its parts; false for anything else (temporary files included).
bool ParseFileName(const QString& name, QString* start, QString* stop, quint32* type);
// YYYY-MM-DD hh:mm:ss from the compact form, as the record page shows times.
QString ReadableTime(const QString& compact);
// A stored record in the operator's words: recorder, channel and time range, from its folder and file name
// (the folder is the record name "<address>_<port>_<channel>", encoded).
QString DescribeRecord(const QByteArray& folder, const QByteArray& file);

} // namespace StowelineDetail

#pragma once

// A stored record opened for reading by the path that the storage's search gave for it: for the record
// page's export and its player hand-off, which use the path minutes after the search.
//
// Whoever may write to a disk's folder may have put something else at that path meanwhile: a link to another
// of the operator's files (which a copy would then carry off), a named pipe or a device (whose open or read
// waits for ever). So the path is walked as the storage walks it: the drive's folder, then Records, the
// record name's folder, the day's folder and the file, each opened relative to the one before without
// following a link or entering another user's folder (nor a Records folder other users may write to), and
// only a regular file is taken. The caller reads the descriptor, never the name again.

#include <QString>

class CStoredRecordFile
{
public:
    CStoredRecordFile() = default;
    ~CStoredRecordFile();
    CStoredRecordFile(CStoredRecordFile&& other) noexcept;
    CStoredRecordFile& operator=(CStoredRecordFile&& other) noexcept;
    CStoredRecordFile(const CStoredRecordFile&) = delete;
    CStoredRecordFile& operator=(const CStoredRecordFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // A blocking descriptor for reading, owned by this object.
    int Fd() const { return m_fd; }
    // The file's size when it was opened.
    qint64 Size() const { return m_size; }

private:
    friend CStoredRecordFile OpenStoredRecord(const QString& path, QString* error);
    CStoredRecordFile(int fd, qint64 size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    qint64 m_size = 0;
};

// Opens the stored record at `path`, a path of the storage's search: <drive folder>/Records/<name folder>/
// <day folder>/<file>, absolute and without "." or ".." parts. Not open, with *error (when given) naming the
// path and why, when the path has not that form, a part of it below the drive's folder is a link, another
// user's folder or is not there, other users may write to its Records folder, or the file is not a regular
// file (a pipe, a device, a folder). Never waits for a writer or a device.
CStoredRecordFile OpenStoredRecord(const QString& path, QString* error = nullptr);

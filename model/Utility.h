#pragma once

// Helpers shared by the whole program: where it lives, directory trees, sorting and small text helpers.

#include <QModelIndex>
#include <QRect>
#include <QString>

#include <atomic>
#include <mutex>
#include <string>

class QMimeData;

// The program's directory with a trailing "/". Every file of the program is found from it.
QString GetAppDirPath();
QString GetAppPath();
// A relative path completed against the program's directory; an absolute path unchanged.
QString GetAbsolutePath(const QString& path);
// The program's directory with its trailing separator, computed once per process.
const std::string& GetCurExeDir();
// Points the program's directory elsewhere (tests, portable installs). Call before the program reads a file.
void SetAppDirOverride(const QString& dir);

// Creates every folder along the path; what follows the last separator is taken for a file name.
void MakeDirs(const char* path);
// Deletes the path and everything below it; links are removed, never followed. False at the first failure.
bool DeleteDirectory(const char* path);

bool RowLessThan(const QModelIndex& a, const QModelIndex& b);
QString QuoteText(const QString& text);
QString FormatByteSize(qint64 size);
QString EventTypeName(int type);
QStringList GetLocalFilesFromMime(const QMimeData* mime);
bool RectXLessThan(const QRect& a, const QRect& b);
bool RectYLessThan(const QRect& a, const QRect& b);
// Scales w x h into maxW x maxH keeping the aspect ratio, with integer arithmetic.
void ScaleToFit(int w, int h, int maxW, int maxH, int* outW, int* outH);

// A pause handshake between a requesting thread and a worker that checks in regularly.
class CPauseControl
{
public:
    CPauseControl() = default;

    void RequestPause();
    void Resume();
    // Called by the worker: blocks while a pause is requested.
    void CheckPause();
    void SetRunning(bool running) { m_running = running; }
    bool IsPaused() const { return m_paused; }

private:
    std::atomic<bool> m_pauseRequested{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_running{true};
};

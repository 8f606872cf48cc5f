#pragma once

// Takes one JPEG picture per requested channel, so the channel choosers can show thumbnails. Requests come
// from the dialog's thread; the worker logs in to each recorder, captures into "ChannelPicture/" under the
// program's directory (a picture already there is kept) and stores the picture's path in the channel's camera
// record of the model. The choosers compute the same file names with PicturePath.

#include "model/EngineClock.h"
#include "model/Records.h"
#include "sdk/DeviceSdk.h"

#include <QList>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <set>
#include <string>

// One request: the recorder's name and a copy of the channel's record.
struct LOAD_PIC_TASK
{
    char DeviceName[33] = {};
    CAMERA_INFO Camera;
};

class CLoadPicThread : public QThread
{
    Q_OBJECT

public:
    // The picture size code for a resolution code that has none.
    static constexpr uint16_t NO_PIC_SIZE = 0xFFFF;

    explicit CLoadPicThread(QObject* parent = nullptr);
    // Stops first, then waits for the request in hand only; requests still queued are dropped.
    ~CLoadPicThread() override;
    CLoadPicThread(const CLoadPicThread&) = delete;
    CLoadPicThread& operator=(const CLoadPicThread&) = delete;

    // Queues a request and starts the worker when it is not running. Always true.
    bool AddLoadTask(const char* deviceName, CAMERA_INFO camera);
    // The run ends after the request in hand; queued requests stay for the next start.
    void Stop();

    // The picture file of a channel: "<address>_<port>_<channel - 1>.jpg" in "ChannelPicture/" of the
    // program's directory. The port keeps apart two recorders that share an address. Empty when the address
    // cannot be part of a file name or the path is too long for a camera record.
    static std::string PicturePath(const std::string& address, uint16_t port, int cameraIndex);
    // Captures the channel's picture unless it exists already, and stores its path in the model whatever the
    // outcome. A negative login captures nothing. Returns the path, or an empty text when PicturePath has
    // none (nothing is captured or stored then).
    static std::string CaptureChannelPicture(CAMERA_INFO camera, std::string address, uint16_t port,
                                             int login);
    // Captures with the given parameters; when the recorder refuses, once more at the picture size that
    // matches the channel's main stream resolution.
    static bool CaptureJpegPicture(int login, int channel, NET_DVR_JPEG_PARAM picture, std::string path);
    static uint16_t ResolutionToPicSize(int resolution);
    static std::string IntToString(int value);
    // Copies at most 259 bytes and a terminating zero.
    static void CopyToPathBuffer(char (&buffer)[260], const std::string& path);

protected:
    void run() override;

private:
    // One request: log in (once per recorder and run when it fails), capture, store the path, log out.
    static void LoadPicture(LOAD_PIC_TASK task, std::set<int>* failedDevices);

    QMutex m_listMutex;
    QMutex m_startMutex;
    QList<LOAD_PIC_TASK> m_taskList;
    std::atomic<bool> m_bRunning{false};
    // Set with every stop, so the worker's pause ends at once; cleared before each start.
    CStopEvent m_bStopRequested;
    // True from a start until the worker has decided, under the list mutex, to end; guarded by it.
    bool m_bActive = false;
};

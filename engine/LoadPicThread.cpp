#include "engine/LoadPicThread.h"

#include "model/EngineClock.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A channel's picture is as private as its recordings: the picture folder is the operator's alone (0700,
// closed to others when an earlier run made it open), and each picture is 0600.
void MakePrivateFolder(const std::string& folder)
{
    MakeDirs(folder.c_str()); // its parents
    ::mkdir(folder.c_str(), 0700);
    struct stat st;
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) != 0)
        ::chmod(folder.c_str(), st.st_mode & 0700);
}

// A fixed character field as text, even when its terminating zero is missing.
template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, ::strnlen(field, N));
}

} // namespace

CLoadPicThread::CLoadPicThread(QObject* parent) : QThread(parent) {}

CLoadPicThread::~CLoadPicThread()
{
    QMutexLocker start(&m_startMutex);
    // Stop before waiting: the dialog's close waits for the request in hand only, never for the whole list.
    Stop();
    wait();
    QMutexLocker list(&m_listMutex);
    m_taskList.clear();
}

bool CLoadPicThread::AddLoadTask(const char* deviceName, CAMERA_INFO camera)
{
    LOAD_PIC_TASK task;
    if (deviceName != nullptr)
        std::strncpy(task.DeviceName, deviceName, sizeof task.DeviceName - 1);
    task.Camera = camera;

    QMutexLocker start(&m_startMutex);
    {
        QMutexLocker list(&m_listMutex);
        m_taskList.append(task);
        // The worker decides to end only under the list mutex, so while it is active it sees this request;
        // a stop asked before this request is outdated by it.
        if (m_bActive) {
            m_bStopRequested.Clear();
            m_bRunning = true;
            return true;
        }
        m_bActive = true;
    }
    // A previous run has already left its loop with nothing in hand, so this wait is only its last steps.
    wait();
    m_bStopRequested.Clear();
    m_bRunning = true;
    QThread::start();
    return true;
}

void CLoadPicThread::Stop()
{
    m_bRunning = false;
    m_bStopRequested.Set();
}

void CLoadPicThread::run()
{
    // Recorders that refused the login in this run: each is tried once, its later channels only get their
    // path.
    std::set<int> failedDevices;
    for (;;) {
        LOAD_PIC_TASK task;
        bool haveTask = false;
        {
            QMutexLocker list(&m_listMutex);
            if (!m_bRunning) {
                m_bActive = false;
                return;
            }
            if (!m_taskList.isEmpty()) {
                task = m_taskList.takeFirst();
                haveTask = true;
            }
        }
        if (haveTask) {
            LoadPicture(task, &failedDevices);
            continue;
        }
        EngineSleep(1000, &m_bStopRequested);
        QMutexLocker list(&m_listMutex);
        if (m_taskList.isEmpty() || !m_bRunning) {
            m_bRunning = false;
            m_bActive = false;
            return;
        }
    }
}

void CLoadPicThread::LoadPicture(LOAD_PIC_TASK task, std::set<int>* failedDevices)
{
    CSysInfoManage* model = g_pSysInfoManage;
    task.DeviceName[sizeof task.DeviceName - 1] = '\0';
    if (task.DeviceName[0] == '\0' || model == nullptr)
        return;
    const int index = model->GetDeviceIndexByName(task.DeviceName);
    DEVICE_INFO found;
    if (!model->CopyDeviceInfo(index, &found))
        return;
    const std::string address = FieldText(found.DeviceIP);
    const std::string user = FieldText(found.Username);
    const std::string password = FieldText(found.Password);
    const uint16_t port = found.Port;
    // The name decides the device; the slot in the request's copy may be outdated.
    task.Camera.DeviceID = int16_t(index);

    int login = -1;
    if (failedDevices->count(index) == 0) {
        login = NET_DVR_Login_V30(address.c_str(), port, user.c_str(), password.c_str(), nullptr);
        if (login < 0)
            failedDevices->insert(index);
    }
    CaptureChannelPicture(task.Camera, address, port, login);
    if (login >= 0)
        NET_DVR_Logout_V30(login);
}

std::string CLoadPicThread::PicturePath(const std::string& address, uint16_t port, int cameraIndex)
{
    // The address becomes part of a file name: it must not lead out of the picture folder.
    if (address.empty() || address.find('/') != std::string::npos)
        return {};
    const std::string path = GetCurExeDir() + "ChannelPicture/" + address + "_" + IntToString(port) + "_" +
                             IntToString(cameraIndex - 1) + ".jpg";
    // A cut path would name another file.
    if (path.size() >= sizeof CAMERA_INFO::PicPath)
        return {};
    return path;
}

std::string CLoadPicThread::CaptureChannelPicture(CAMERA_INFO camera, std::string address, uint16_t port,
                                                  int login)
{
    const std::string path = PicturePath(address, port, camera.CameraIndex);
    if (path.empty())
        return {};
    MakePrivateFolder(path.substr(0, path.rfind('/')));
    if (::access(path.c_str(), F_OK) != 0 && login >= 0 &&
        CaptureJpegPicture(login, camera.CameraIndex, NET_DVR_JPEG_PARAM{0, 0}, path))
        ::chmod(path.c_str(), 0600);
    // Stored whatever the outcome: the choosers show the placeholder while the file is missing.
    if (CSysInfoManage* model = g_pSysInfoManage)
        model->SetChannelPicPath(camera.DeviceID, camera.CameraIndex, path.c_str());
    return path;
}

bool CLoadPicThread::CaptureJpegPicture(int login, int channel, NET_DVR_JPEG_PARAM picture, std::string path)
{
    char buffer[260] = {};
    if (path.empty() || path.size() >= sizeof buffer)
        return false;
    CopyToPathBuffer(buffer, path);
    if (NET_DVR_CaptureJPEGPicture(login, channel, &picture, buffer))
        return true;

    // Some recorders take no picture at the default size: ask at the size of the main stream instead.
    NET_DVR_COMPRESSION_CONFIG config;
    uint32_t returned = 0;
    if (!NET_DVR_GetDVRConfig(login, NET_DVR_GET_COMPRESSION_CONFIG, channel, &config, sizeof config,
                              &returned))
        return false;
    const uint16_t size = ResolutionToPicSize(config.Resolution);
    if (size == NO_PIC_SIZE)
        return false;
    picture.PicSize = size;
    return NET_DVR_CaptureJPEGPicture(login, channel, &picture, buffer);
}

uint16_t CLoadPicThread::ResolutionToPicSize(int resolution)
{
    switch (resolution) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    case 16:
        return 6;
    case 17:
        return 3;
    case 18:
        return 4;
    case 19:
        return 5;
    case 20:
        return 7;
    case 21:
        return 8;
    case 27:
        return 9;
    case 28:
        return 10;
    case 29:
        return 11;
    case 30:
        return 12;
    case 31:
        return 13;
    default:
        return NO_PIC_SIZE;
    }
}

std::string CLoadPicThread::IntToString(int value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

void CLoadPicThread::CopyToPathBuffer(char (&buffer)[260], const std::string& path)
{
    const size_t length = std::min(path.size(), sizeof buffer - 1);
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
}

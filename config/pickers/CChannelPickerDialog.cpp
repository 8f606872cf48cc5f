#include "config/pickers/CChannelPickerDialog.h"

#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "model/Utility.h"
#include "widgets/thumbnails/CPicLabel.h"
#include "widgets/thumbnails/CPicLabelList.h"
#include "widgets/thumbnails/CPictureGroup.h"
#include "widgets/views/ItemDataRole.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QTimer>

#include <cstring>

namespace {

const int kPictureTick = 500;

// The model's current record of the named device; null when the model no longer holds it.
const DEVICE_INFO* CurrentDevice(const char* name)
{
    CSysInfoManage* model = g_pSysInfoManage;
    if (model == nullptr || name == nullptr)
        return nullptr;
    return model->GetDeviceInfo(model->GetDeviceIndexByName(name));
}

bool HasChannel(const DEVICE_INFO& device, int channel)
{
    for (int k = 0; k < device.CameraNum && k < MAX_CAMERA_NUM; ++k)
        if (device.Camera[k].CameraIndex == channel)
            return true;
    return false;
}

} // namespace

CChannelPickerDialog::CChannelPickerDialog(QWidget* parent) : CBaseDialog(parent, true, true, true) {}

CChannelPickerDialog::~CChannelPickerDialog()
{
    // The loader is a child: its destructor waits for the capture in hand only.
    StopLoader();
}

bool CChannelPickerDialog::IsPictureTimerActive() const
{
    return m_pPicTimer != nullptr && m_pPicTimer->isActive();
}

QString CChannelPickerDialog::PictureFolder()
{
    return QString::fromStdString(GetCurExeDir()) + QStringLiteral("ChannelPicture/");
}

QString CChannelPickerDialog::PlaceholderPath()
{
    return GetAbsolutePath(QStringLiteral("ChannelPicture/example_pic.png"));
}

void CChannelPickerDialog::DeleteSnapshots()
{
    const QString placeholder = QFileInfo(PlaceholderPath()).fileName();
    const QDir folder(PictureFolder());
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName() == placeholder)
            continue;
        if (entry.isDir() && !entry.isSymLink())
            DeleteDirectory(entry.filePath().toLocal8Bit().constData());
        else
            QFile::remove(entry.filePath());
    }
}

void CChannelPickerDialog::CreatePictures(QGridLayout* layout, QComboBox* deviceCombo)
{
    m_pDeviceCombo = deviceCombo;
    if (g_pSysInfoManage != nullptr)
        g_pSysInfoManage->GetDeviceList(&m_vecDevice);
    m_pPictureGroup = new CPictureGroup(this);
    m_pPicTimer = new QTimer(this);
    connect(m_pPicTimer, &QTimer::timeout, this, &CChannelPickerDialog::LoadPicture);
    m_pPictureGroup->SetSizes(28, 96, 75, 25);
    layout->addWidget(m_pPictureGroup, 1, 0, 1, 2);
}

QStringList CChannelPickerDialog::PicturePaths(const DEVICE_INFO& device)
{
    const std::string address(device.DeviceIP, ::strnlen(device.DeviceIP, sizeof device.DeviceIP));
    QStringList paths;
    for (int k = 0; k < device.CameraNum && k < MAX_CAMERA_NUM; ++k)
        paths.append(QString::fromLocal8Bit(
            CLoadPicThread::PicturePath(address, device.Port, device.Camera[k].CameraIndex)));
    return paths;
}

void CChannelPickerDialog::ReloadPictures()
{
    DeleteSnapshots();
    m_mapLoadTask.clear();
    m_listDeviceGroup.clear();
    m_pPictureGroup->ClearGroups();
    for (const DEVICE_INFO& device : m_vecDevice)
        AddDeviceGroup(device);
    DeviceChanged(m_pDeviceCombo != nullptr ? m_pDeviceCombo->currentIndex() : -1);
}

void CChannelPickerDialog::AddDeviceGroup(const DEVICE_INFO& device)
{
    const QStringList paths = PicturePaths(device);
    // The snapshots of a recorder's channels can look alike: each thumbnail names its channel.
    const int slot = g_pSysInfoManage->GetDeviceIndexByName(device.DeviceName);
    for (int k = 0; k < paths.size(); ++k)
        m_pPictureGroup->SetPictureTip(paths.at(k),
                                       g_pSysInfoManage->GetCameraName(slot, device.Camera[k].CameraIndex));
    const uint id = m_pPictureGroup->AddGroup(LocalToQString(device.DeviceName), paths);
    if (id == 0)
        return;
    DEVICE_PIC_GROUP group;
    std::memcpy(group.DeviceName, device.DeviceName, sizeof group.DeviceName);
    group.PicGroupId = int(id);
    m_listDeviceGroup.append(group);

    QList<LOAD_PIC_TASK> tasks;
    for (int k = 0; k < device.CameraNum && k < MAX_CAMERA_NUM; ++k) {
        LOAD_PIC_TASK task;
        std::memcpy(task.DeviceName, device.DeviceName, sizeof task.DeviceName);
        task.Camera = device.Camera[k];
        tasks.append(task);
        if (m_pLoadPicThread == nullptr)
            m_pLoadPicThread = new CLoadPicThread(this);
        m_pLoadPicThread->AddLoadTask(device.DeviceName, device.Camera[k]);
        m_pPicTimer->start(kPictureTick);
    }
    // A device without cameras keeps an empty group and is not awaited.
    if (!tasks.isEmpty())
        m_mapLoadTask.insert(id, tasks);
}

void CChannelPickerDialog::FillDeviceCombo()
{
    if (m_pDeviceCombo == nullptr)
        return;
    m_pDeviceCombo->addItem(tr("All"), -1);
    for (const DEVICE_INFO& device : m_vecDevice) {
        int id = 0;
        for (const DEVICE_PIC_GROUP& group : std::as_const(m_listDeviceGroup))
            if (std::strncmp(group.DeviceName, device.DeviceName, sizeof group.DeviceName) == 0) {
                id = group.PicGroupId;
                break;
            }
        m_pDeviceCombo->addItem(LocalToQString(device.DeviceName), id);
    }
}

void CChannelPickerDialog::DeviceChanged(int index)
{
    if (m_pPictureGroup == nullptr)
        return;
    int group = 0;
    if (m_pDeviceCombo != nullptr && index >= 0)
        group = m_pDeviceCombo->itemData(index, ROLE_USER_DATA).toInt();
    m_pPictureGroup->SetExpandGroup(group < 0 ? 0u : uint(group));
}

const char* CChannelPickerDialog::GroupDeviceName(uint groupId) const
{
    for (const DEVICE_PIC_GROUP& group : m_listDeviceGroup)
        if (uint(group.PicGroupId) == groupId)
            return group.DeviceName;
    return nullptr;
}

const DEVICE_INFO* CChannelPickerDialog::DeviceCopy(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    for (const DEVICE_INFO& device : m_vecDevice)
        if (std::strncmp(device.DeviceName, name, sizeof device.DeviceName) == 0)
            return &device;
    return nullptr;
}

void CChannelPickerDialog::LoadPicture()
{
    if (m_pPictureGroup == nullptr)
        return;
    const bool loading = m_pLoadPicThread != nullptr && m_pLoadPicThread->isRunning();
    const QString placeholder = PlaceholderPath();
    bool waiting = false;
    for (auto it = m_mapLoadTask.begin(); it != m_mapLoadTask.end();) {
        const uint id = it.key();
        const char* name = GroupDeviceName(id);
        const DEVICE_INFO* current = CurrentDevice(name);

        CPicLabelList* list = nullptr;
        if (m_pPictureGroup->GetGroupList(id, &list)) {
            QList<CPicLabel*> labels;
            list->GetPicLabels(&labels);
            QStringList paths;
            list->GetIdList(&paths);
            for (CPicLabel* label : std::as_const(labels)) {
                // A grid shows one page of its pictures: the label's number names its path.
                const QString path = paths.value(int(label->GetId()) - 1);
                if (!path.isEmpty() && QFileInfo::exists(path)) {
                    label->SetLoadingStep(0);
                    if (label->GetPicPath() != path)
                        label->SetPicInfo(label->GetId(), path);
                } else if (!loading || current == nullptr) {
                    label->SetLoadingStep(0);
                    if (label->GetPicPath() != placeholder)
                        label->SetPicInfo(label->GetId(), placeholder);
                } else {
                    label->SetLoadingStep(++m_nLoadingStep);
                }
            }
        }

        // A recorder deleted meanwhile will bring no picture: nothing more to wait for.
        if (current == nullptr) {
            it = m_mapLoadTask.erase(it);
            continue;
        }
        const QStringList expected = PicturePaths(*current);
        bool complete = true;
        for (const QString& path : expected)
            if (!path.isEmpty() && !QFileInfo::exists(path)) {
                complete = false;
                break;
            }
        if (!complete) {
            waiting = true;
            ++it;
            continue;
        }
        // Re-setting a group clears its selection: only a recorder whose address or channels changed since
        // the dialog was built needs it.
        const DEVICE_INFO* copy = DeviceCopy(name);
        if (copy == nullptr || PicturePaths(*copy) != expected)
            m_pPictureGroup->ModifyGroup(id, LocalToQString(name), expected);
        it = m_mapLoadTask.erase(it);
    }
    if (!waiting) {
        m_pPicTimer->stop();
        m_nLoadingStep = 0;
    }
}

QList<PICKED_CHANNEL> CChannelPickerDialog::SelectedChannels() const
{
    QList<PICKED_CHANNEL> picked;
    QMap<uint, QList<uint>> selected;
    if (m_pPictureGroup == nullptr || !m_pPictureGroup->GetSelectedItems(&selected) ||
        g_pSysInfoManage == nullptr)
        return picked;
    for (auto it = selected.cbegin(); it != selected.cend(); ++it) {
        const char* name = GroupDeviceName(it.key());
        const DEVICE_INFO* copy = DeviceCopy(name);
        const int slot = name != nullptr ? g_pSysInfoManage->GetDeviceIndexByName(name) : -1;
        const DEVICE_INFO* current = g_pSysInfoManage->GetDeviceInfo(slot);
        if (copy == nullptr || current == nullptr)
            continue;
        for (const uint position : it.value()) {
            // The thumbnails stand for the camera records as the dialog read them.
            if (position < 1 || int(position) > copy->CameraNum || position > uint(MAX_CAMERA_NUM))
                continue;
            const int16_t channel = copy->Camera[position - 1].CameraIndex;
            if (!HasChannel(*current, channel))
                continue;
            PICKED_CHANNEL chosen;
            std::memcpy(chosen.DeviceName, copy->DeviceName, sizeof chosen.DeviceName);
            chosen.DeviceSlot = slot;
            chosen.CameraIndex = channel;
            picked.append(chosen);
        }
    }
    return picked;
}

void CChannelPickerDialog::StopLoader()
{
    if (m_pLoadPicThread != nullptr)
        m_pLoadPicThread->Stop();
}

void CChannelPickerDialog::OnCancelFindpic()
{
    StopLoader();
}

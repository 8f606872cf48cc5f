#pragma once

// What the channel chooser and the manual backup dialog share: one collapsible picture group per recorder
// with one thumbnail per channel, filled with snapshots that the snapshot loader takes in the background. The
// loader and the dialog meet only through the picture files: a 500 ms timer shows each picture as soon as its
// file exists, computing the file names itself rather than reading the paths that the loader thread writes
// into the model.

#include "engine/LoadPicThread.h"
#include "model/Records.h"
#include "widgets/dialogs/CBaseDialog.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <vector>

class CPictureGroup;
class QComboBox;
class QGridLayout;
class QTimer;

// One recorder's picture group.
struct DEVICE_PIC_GROUP
{
    char DeviceName[33] = {};
    int PicGroupId = 0;
};

// One selected thumbnail, resolved against the model when it was read.
struct PICKED_CHANNEL
{
    char DeviceName[33] = {};
    int DeviceSlot = -1;      // the recorder's slot in the model now
    int16_t CameraIndex = -1; // the recorder's channel number
};

class CChannelPickerDialog : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CChannelPickerDialog(QWidget* parent);
    ~CChannelPickerDialog() override;

    CPictureGroup* PictureGroup() const { return m_pPictureGroup; }
    CLoadPicThread* LoadPicThread() const { return m_pLoadPicThread; }
    bool IsPictureTimerActive() const;

    // "ChannelPicture/" in the program's directory, and the picture shown for a snapshot that did not come.
    static QString PictureFolder();
    static QString PlaceholderPath();
    // Deletes the snapshots in the picture folder, so that each is taken anew; the placeholder stays.
    static void DeleteSnapshots();

public Q_SLOTS:
    void DeviceChanged(int index);
    void LoadPicture();
    void OnCancelFindpic();

protected:
    // Takes the model's devices, creates the picture group at (row 1, column 0, two columns wide) of `layout`
    // and the picture timer; `deviceCombo` is the dialog's device choice, filled by FillDeviceCombo.
    void CreatePictures(QGridLayout* layout, QComboBox* deviceCombo);
    // Snapshots deleted, every group built anew and queued for pictures, the chosen group expanded.
    void ReloadPictures();
    // "All", then one item per device with its group id.
    void FillDeviceCombo();
    // The selected thumbnails by group (device order) and position. A recorder that the model no longer
    // holds, or that no longer has the channel, is left out.
    QList<PICKED_CHANNEL> SelectedChannels() const;
    void StopLoader();

    QList<DEVICE_PIC_GROUP> m_listDeviceGroup;
    std::vector<DEVICE_INFO> m_vecDevice;
    CPictureGroup* m_pPictureGroup = nullptr;
    CLoadPicThread* m_pLoadPicThread = nullptr;
    QTimer* m_pPicTimer = nullptr;
    QMap<uint, QList<LOAD_PIC_TASK>> m_mapLoadTask;
    int m_nLoadingStep = 0;

private:
    void AddDeviceGroup(const DEVICE_INFO& device);
    // The device group's name, null for an unknown id.
    const char* GroupDeviceName(uint groupId) const;
    const DEVICE_INFO* DeviceCopy(const char* name) const;
    static QStringList PicturePaths(const DEVICE_INFO& device);

    QComboBox* m_pDeviceCombo = nullptr;
};

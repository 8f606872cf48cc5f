#include "config/devices/CDlgCfgDevice.h"

#include "config/devices/CDlgAddDevice.h"
#include "model/SysInfoManage.h"
#include "model/TextConvert.h"
#include "widgets/dialogs/CFileDialog.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

constexpr int kColumnCount = 5;

CPushButton* TopButton(QWidget* parent, const char* name, const char* icon)
{
    auto* button = new CPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(QLatin1String(icon)));
    button->setMinimumHeight(26);
    return button;
}

} // namespace

void CDlgCfgDeviceClass::setupUi(QDialog* page)
{
    page->setObjectName(QStringLiteral("CDlgCfgDevice"));
    page->resize(847, 540);
    verticalLayout = new QVBoxLayout(page);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    verticalLayout->setSpacing(0);

    m_pTopBar = new QFrame(page);
    m_pTopBar->setObjectName(QStringLiteral("m_pTopBar"));
    horizontalLayout = new QHBoxLayout(m_pTopBar);
    horizontalLayout->setContentsMargins(10, 6, 10, 6);
    horizontalLayout->setSpacing(6);
    m_pLabelTitle = new QLabel(m_pTopBar);
    m_pLabelTitle->setObjectName(QStringLiteral("m_pLabelTitle"));
    horizontalLayout->addWidget(m_pLabelTitle);
    horizontalLayout->addStretch(1);

    m_pBtnReadDataBase = TopButton(m_pTopBar, "m_pBtnReadDataBase", ":/images/ButtonIcon/Database.png");
    horizontalLayout->addWidget(m_pBtnReadDataBase);
    m_pLine = new QFrame(m_pTopBar);
    m_pLine->setObjectName(QStringLiteral("m_pLine"));
    m_pLine->setFrameShape(QFrame::VLine);
    m_pLine->setFrameShadow(QFrame::Sunken);
    horizontalLayout->addWidget(m_pLine);
    m_pBtnAddDevice = TopButton(m_pTopBar, "m_pBtnAddDevice", ":/images/ButtonIcon/add.png");
    m_pBtnModifyDevice = TopButton(m_pTopBar, "m_pBtnModifyDevice", ":/images/ButtonIcon/Edit.png");
    m_pBtnDeleteDevice = TopButton(m_pTopBar, "m_pBtnDeleteDevice", ":/images/ButtonIcon/Delete.png");
    for (CPushButton* button : {m_pBtnAddDevice, m_pBtnModifyDevice, m_pBtnDeleteDevice}) {
        // 65 pixels hold the icon and a short word only without the buttons' usual side padding.
        button->setFixedWidth(65);
        button->setStyleSheet(QStringLiteral("padding: 0px;"));
        button->setIconSize(QSize(14, 14));
        horizontalLayout->addWidget(button);
    }
    verticalLayout->addWidget(m_pTopBar);

    m_pTableViewDevice = new CTableView(page);
    m_pTableViewDevice->setObjectName(QStringLiteral("m_pTableViewDevice"));
    verticalLayout->addWidget(m_pTableViewDevice, 1);
    retranslateUi();
}

void CDlgCfgDeviceClass::retranslateUi()
{
    m_pLabelTitle->setText(CDlgCfgDevice::tr("Device list"));
    m_pBtnReadDataBase->setText(CDlgCfgDevice::tr("Read From DataBase"));
    m_pBtnAddDevice->setText(CDlgCfgDevice::tr("Add"));
    m_pBtnModifyDevice->setText(CDlgCfgDevice::tr("Modify"));
    m_pBtnDeleteDevice->setText(CDlgCfgDevice::tr("Delete"));
}

CDlgCfgDevice::CDlgCfgDevice(QWidget* parent) : QDialog(parent)
{
    qRegisterMetaType<DEVICE_IMPORT_COUNTS>("DEVICE_IMPORT_COUNTS");
    m_ui.setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);

    connect(m_ui.m_pBtnReadDataBase, &QPushButton::clicked, this, &CDlgCfgDevice::OnBtnClickedReadDataBase);
    connect(m_ui.m_pBtnAddDevice, &QPushButton::clicked, this, &CDlgCfgDevice::OnBtnClickedAddDevice);
    connect(m_ui.m_pBtnModifyDevice, &QPushButton::clicked, this, &CDlgCfgDevice::OnBtnClickedModifyDevice);
    connect(m_ui.m_pBtnDeleteDevice, &QPushButton::clicked, this, &CDlgCfgDevice::OnBtnClickedDeleteDevice);
    connect(m_ui.m_pTableViewDevice, &QAbstractItemView::doubleClicked, this,
            &CDlgCfgDevice::OnDoubleClicked);
    connect(m_ui.m_pTableViewDevice->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CDlgCfgDevice::OnSelectionChanged);
    m_ui.m_pBtnModifyDevice->setEnabled(false);
    m_ui.m_pBtnDeleteDevice->setEnabled(false);
    FillDeviceTable();
}

CDlgCfgDevice::~CDlgCfgDevice() = default;

void CDlgCfgDevice::Save()
{
    OnBtnClickedOK();
}

void CDlgCfgDevice::OnBtnClickedOK() {}

void CDlgCfgDevice::OnBtnClickedCancel()
{
    close();
}

void CDlgCfgDevice::reject() {}

void CDlgCfgDevice::SetEditedDevice(DEVICE_INFO device)
{
    m_curDevice = device;
}

void CDlgCfgDevice::FillDeviceTable()
{
    CTableView* table = m_ui.m_pTableViewDevice;
    // Header texts column by column: the columns exist after the first fill and are only renamed by the next.
    table->SetColumnCount(kColumnCount);
    const QStringList headers = {tr("ID"), tr("Device name"), tr("IP Address"), tr("Port"),
                                 tr("Flowctrl(KB/S)")};
    for (int column = 0; column < kColumnCount; ++column)
        table->SetHeaderText(column, headers.at(column));
    table->setColumnWidth(0, 120);
    table->setColumnWidth(1, 120);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    std::vector<DEVICE_INFO> devices;
    g_pSysInfoManage->GetDeviceList(&devices);
    for (const DEVICE_INFO& device : devices) {
        m_deviceList.push_back(device);
        AppendDeviceRow(device);
    }
}

void CDlgCfgDevice::AppendDeviceRow(const DEVICE_INFO& device)
{
    CTableView* table = m_ui.m_pTableViewDevice;
    const int row = table->AppendRow();
    if (row < 0)
        return;
    table->SetItemText(row, 0, QString::number(row + 1));
    table->SetItemText(row, 1, LocalToQString(device.DeviceName));
    table->SetItemText(row, 2, LocalToQString(device.ConnectMode == 0 ? device.DeviceIP : device.Domain));
    table->SetItemText(row, 3, QString::number(device.Port));
    table->SetItemText(row, 4,
                       device.FlowCtrlValue == -1 ? QString() : QString::number(device.FlowCtrlValue));
}

void CDlgCfgDevice::Refill()
{
    m_deviceList.clear();
    m_ui.m_pTableViewDevice->Clear();
    FillDeviceTable();
}

void CDlgCfgDevice::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    Q_UNUSED(selected)
    Q_UNUSED(deselected)
    const qsizetype rows = m_ui.m_pTableViewDevice->selectionModel()->selectedRows(0).size();
    m_ui.m_pBtnDeleteDevice->setEnabled(rows >= 1);
    m_ui.m_pBtnModifyDevice->setEnabled(rows == 1);
}

void CDlgCfgDevice::OnBtnClickedAddDevice()
{
    if (m_ui.m_pTableViewDevice->GetTopRowCount() >= MAX_DEVICE_NUM) {
        ShowInfoMsgBox(tr("Information"), tr("Exceed the maximum device number."), this);
        return;
    }
    m_curDevice = DEVICE_INFO(); // port 0: the dialog opens to add
    CDlgAddDevice dialog(QModelIndex(), &m_curDevice, this);
    connect(&dialog, &CDlgAddDevice::SignalDeviceChanged, this, &CDlgCfgDevice::SignalDeviceChanged);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_deviceList.push_back(m_curDevice);
    AppendDeviceRow(m_curDevice);
}

void CDlgCfgDevice::OnDoubleClicked(const QModelIndex& index)
{
    Q_UNUSED(index)
    OnBtnClickedModifyDevice();
}

void CDlgCfgDevice::OnBtnClickedModifyDevice()
{
    const QModelIndex index = m_ui.m_pTableViewDevice->selectionModel()->currentIndex();
    if (!index.isValid())
        return;
    const int row = index.row();
    m_curDevice = row >= 0 && row < int(m_deviceList.size()) ? m_deviceList[size_t(row)] : DEVICE_INFO();
    CDlgAddDevice dialog(index, &m_curDevice, this);
    connect(&dialog, &CDlgAddDevice::SignalDeviceChanged, this, &CDlgCfgDevice::SignalDeviceChanged);
    connect(&dialog, &CDlgAddDevice::SetModifyDeviceToView, this, &CDlgCfgDevice::SetModifyDeviceToView);
    connect(&dialog, &CDlgAddDevice::StopThread, this, &CDlgCfgDevice::StopThread);
    connect(&dialog, &CDlgAddDevice::ManualDeviceChanged, this, &CDlgCfgDevice::ManualDeviceChanged);
    connect(&dialog, &CDlgAddDevice::PauseManualBackup, this, &CDlgCfgDevice::PauseManualBackup);
    connect(&dialog, &CDlgAddDevice::UpdateGroup, this, &CDlgCfgDevice::UpdateGroup);
    // A refused change leaves the model as it was, and so the list.
    if (dialog.exec() == QDialog::Accepted)
        Refill();
}

void CDlgCfgDevice::OnBtnClickedDeleteDevice()
{
    if (ShowConfirmMsgBox(tr("Confirm"), tr("Sure to delete Device？"), this) != 1)
        return;
    QModelIndexList selected = m_ui.m_pTableViewDevice->selectionModel()->selectedRows(0);
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    // Each refill reorders the rows (a device added since the last one stands last but may lie in a lower
    // slot), so the devices are named before the first is deleted.
    QList<QByteArray> names;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        const int row = it->row();
        if (row >= 0 && row < int(m_deviceList.size()))
            names.append(QByteArray(m_deviceList[size_t(row)].DeviceName));
    }
    for (const QByteArray& name : names)
        if (!DeleteOne(name))
            break;
}

bool CDlgCfgDevice::DeleteOne(const QByteArray& name)
{
    const auto it = std::find_if(m_deviceList.cbegin(), m_deviceList.cend(),
                                 [&name](const DEVICE_INFO& d) { return name == d.DeviceName; });
    if (it == m_deviceList.cend())
        return true; // gone already
    m_curDevice = *it;

    const int useState = g_pSysInfoManage->GetDeviceUseState(name.constData());
    if (useState > 0 &&
        ShowConfirmMsgBox(tr("Confirm"), tr("The Device is used in Schedule, Are you sure"), this) != 1)
        return false;
    const int index = g_pSysInfoManage->GetDeviceIndexByName(name.constData());
    // The manual run stops before anything changes; its record and list change only once the model took
    // the delete, so a refused delete leaves the manual backup exactly as it was.
    if (useState == 2)
        Q_EMIT PauseManualBackup();
    std::vector<int> groups;
    g_pSysInfoManage->GetGroupsOfDevice(index, &groups);
    Q_EMIT StopThread(groups);

    const bool deleted = g_pSysInfoManage->DeleteDevice(name.constData(), true) == 1;
    if (deleted && useState == 2)
        g_pSysInfoManage->DeleteManualDevice(index);
    if (useState == 2)
        Q_EMIT ManualDeviceChanged();
    if (!deleted) {
        // The model kept the device: the stopped plans get back what they had.
        if (!groups.empty())
            Q_EMIT UpdateGroup(ChangedGroups(groups));
        ShowInfoMsgBox(tr("Error"), tr("Delete device failed."), this);
        Refill();
        return false;
    }
    Q_EMIT SetDeleteDeviceToView(index);
    Q_EMIT SignalDeviceChanged();
    Refill();
    return true;
}

void CDlgCfgDevice::OnBtnClickedReadDataBase()
{
    const QString path =
        CFileDialog::GetOpenFileName(this, tr("Open Spreadsheet"), QStringLiteral("."),
                                     tr("DataBase files (*.db)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    auto thread = std::make_unique<CDeviceWriteThread>();
    thread->SetPath(path);
    // Each row may cost a login: the operator may stop a long import; it ends after the row under way.
    ChaseDialog chase(this, QStringLiteral(":/images/Loading.gif"), tr("Search..."), true);
    connect(this, &CDlgCfgDevice::StopReadChase, &chase, &ChaseDialog::OnImmediatelyStopChase);
    connect(&chase, &ChaseDialog::SignalCancel, thread.get(), [&thread] { thread->requestInterruption(); });
    connect(thread.get(), &CDeviceWriteThread::SendImportCounts, this, &CDlgCfgDevice::OnImportCounts);
    connect(thread.get(), &CDeviceWriteThread::SendWriteOver, this, &CDlgCfgDevice::OnWriteOver);
    m_importCounts = DEVICE_IMPORT_COUNTS();
    m_importOver = false;
    thread->start(QThread::InheritPriority);
    chase.exec();
    if (!m_importOver && !thread->isFinished()) {
        // Stopped while a row is under way: its login ends by its own time-out, which may take seconds. The
        // window stays alive meanwhile and says what it waits for; the thread's result closes this box.
        ChaseDialog stopping(this, QStringLiteral(":/images/Loading.gif"), tr("Stopping..."), false);
        connect(this, &CDlgCfgDevice::StopReadChase, &stopping, &ChaseDialog::OnImmediatelyStopChase);
        connect(thread.get(), &QThread::finished, &stopping, &ChaseDialog::OnImmediatelyStopChase);
        if (!thread->isFinished())
            stopping.exec();
    }
    thread->wait(); // it has finished, or is past its last statement
    // A result still queued: the operator learns what was added before the table refills.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    Refill();
    Q_EMIT SignalDeviceChanged();
}

void CDlgCfgDevice::OnImportCounts(DEVICE_IMPORT_COUNTS counts)
{
    m_importCounts = counts;
}

void CDlgCfgDevice::OnWriteOver(bool ok)
{
    m_importOver = true;
    Q_EMIT StopReadChase();
    if (ok) {
        const QString counts = tr("%n device(s) added.", nullptr, m_importCounts.Added);
        QString text = tr("Read Database succeed.") + QLatin1Char('\n') + counts;
        if (m_importCounts.Skipped > 0)
            text += QLatin1Char('\n') +
                    tr("%n row(s) with wrong fields skipped.", nullptr, m_importCounts.Skipped);
        if (m_importCounts.Refused > 0)
            text += QLatin1Char('\n') + tr("%n device(s) not added: already added or log in failed.", nullptr,
                                           m_importCounts.Refused);
        // A stopped run always says so, also when the stop came during its last row.
        if (m_importCounts.Stopped)
            text += QLatin1Char('\n') + tr("Import stopped: %n row(s) left.", nullptr, m_importCounts.Left);
        else if (m_importCounts.Left > 0)
            text += QLatin1Char('\n') +
                    tr("No free device place left: %n row(s) not imported.", nullptr, m_importCounts.Left);
        ShowInfoMsgBox(tr("Information"), text, this);
    } else {
        // A file that was not read at all says why; one that was read and is no device database says that.
        const QString why = m_importCounts.Refusal.isEmpty() ? tr("The file is not a device database.")
                                                             : m_importCounts.Refusal;
        ShowInfoMsgBox(tr("Error"), tr("Read Database failed.") + QLatin1Char('\n') + why, this);
    }
}

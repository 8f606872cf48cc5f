#include "tests/support/gui/SimulatedStation.h"

#include "app/CVarrow.h"
#include "app/CWindowTitle.h"
#include "storage/CreateStorage.h"
#include "app/VarrowStart.h"
#include "model/DbAccess.h"
#include "model/LogStore.h"
#include "model/SQLite3DB.h"
#include "model/SysInfoManage.h"
#include "model/Utility.h"
#include "pages/state/CViewState.h"
#include "storage/CStowelineClass.h"
#include "tests/support/ProcessFigures.h"
#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/views/CTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr qint64 kKiB = 1024;
// The roamer's play-back rate in bytes per engine second: a night's list of 1.25 MiB takes it about two
// hours, so it is still fetching when it goes at 02:00, and a list and a half fit in the four-hour window.
constexpr qint64 kRoamerBytesPerEngineSecond = 200;
const char* const kNames[] = {"Healthy", "Refuser", "Dropper", "Roamer"};
const QString kStamp = QStringLiteral("yyyyMMddhhmmss_");

// The recordings of a day on each channel: 08:00 and 09:00, a quarter and three eighths of a MiB.
QList<SimRecording> DayRecordings(const QDate& day)
{
    QList<SimRecording> recordings;
    for (int n = 0; n < CSimulatedStation::kFilesPerDay; ++n) {
        const QDateTime start(day, QTime(8 + n, 0), Qt::UTC);
        recordings.append({start, start.addSecs(3600), uint8_t(n), (256 + 128 * n) * kKiB});
    }
    return recordings;
}

} // namespace

CSimulatedStation::CSimulatedStation(double scale)
    : m_scale(scale), m_firstDay(2025, 6, 2), m_previousModel(g_pSysInfoManage),
      m_clock(QDateTime(m_firstDay, QTime(0, 0)), scale), m_driver(std::make_unique<CModalDriver>())
{
}

void EndMainWindowRun(std::unique_ptr<CVarrow>& window, std::unique_ptr<CModalDriver>& driver,
                      CSysInfoManage* previousModel, int guardMs)
{
    if (window != nullptr && !CloseMainWindowConfirmed(window, *driver, guardMs))
        window.reset();
    driver.reset();
    ReleaseStorage();
    SetDefaultFreeSpaceProvider({});
    g_pSysInfoManage = previousModel;
}

CSimulatedStation::~CSimulatedStation()
{
    if (m_window != nullptr)
        m_driver->Clear();
    EndMainWindowRun(m_window, m_driver, m_previousModel);
}

QDateTime CSimulatedStation::At(int day, int hour) const
{
    return QDateTime(m_firstDay.addDays(day), QTime(0, 0)).addSecs(qint64(hour) * 3600);
}

void CSimulatedStation::Fail(const QString& what)
{
    m_failures << QStringLiteral("%1: %2").arg(m_clock.Clock().Now().toString(Qt::ISODate), what);
}

bool CSimulatedStation::Open()
{
    if (!m_db.IsValid() || !m_drive.isValid() || !m_smtp.IsListening()) {
        Fail(QStringLiteral("no program directory, drive or mail server"));
        return false;
    }
    m_model = std::make_unique<CSysInfoManage>();
    g_pSysInfoManage = m_model.get();
    if (!MapDrives({{'D', m_drive.path()}})) {
        Fail(QStringLiteral("drive map not written"));
        return false;
    }
    // A fixed room, so the run never depends on the machine's free space.
    m_quota.SetQuota(m_drive.path(), qint64(STOWELINE_INIT_PARAM().ReserveMB + 1024) << 20);
    SetDefaultFreeSpaceProvider(m_quota.Provider());

    // Recordings from the Sunday before the first day to the last day that any run reaches.
    for (int recorder = 0; recorder < RECORDERS; ++recorder) {
        SimRecorderConfig config =
            CSimRecorders::MakeConfig(kChannels, {}, m_firstDay, quint64(11 + recorder));
        config.Name = QString::fromLatin1(kNames[recorder]);
        for (int day = -1; day < 31; ++day)
            for (int channel = 1; channel <= kChannels; ++channel)
                for (const SimRecording& recording : DayRecordings(m_firstDay.addDays(day)))
                    config.Channel(channel).Recordings.append(recording);
        if (recorder == ROAMER)
            config.Rate = qint64(kRoamerBytesPerEngineSecond * m_scale);
        m_sims[recorder] = m_recorders.Add(config);
        if (m_sims[recorder] == nullptr) {
            Fail(QStringLiteral("recorder %1 did not start").arg(kNames[recorder]));
            return false;
        }
        int flowCtrl = -1;
        if (m_model->AddDevice(m_sims[recorder]->AddressBytes().constData(), m_sims[recorder]->Port(),
                               "admin", "12345", &flowCtrl, kNames[recorder], "", 0) != ADD_DEVICE_OK) {
            Fail(QStringLiteral("recorder %1 not added").arg(kNames[recorder]));
            return false;
        }
        m_devices[recorder] = m_model->GetDeviceIndexByName(kNames[recorder]);

        GROUP_INFO plan;
        plan.bUsed = 1;
        CopyString33(plan.GroupName, std::string("Night ") + kNames[recorder]);
        for (int channel = 0; channel < kChannels; ++channel)
            plan.Channel[channel] = {int16_t(m_devices[recorder]), int16_t(channel + 1)};
        SCHEDULE_WEEKDAY& week = plan.Schedule[0];
        week.IsEanbel = 1;
        week.TaskStartTime = {1, 0, 0};
        week.Duration = 4;
        week.FileDate = 1;
        if (!m_model->SetGroupInfo(&plan, recorder)) {
            Fail(QStringLiteral("plan %1 not stored").arg(recorder));
            return false;
        }
    }
    m_sims[REFUSER]->SetLoginRefusals(-1);

    SYSTEM_CONFIG system;
    m_model->GetSystemConfig(&system);
    CopyString26(system.Disk, "D");
    system.DiskMode = 0;
    system.IsEnableEmail = 1;
    system.BackupMode = 0;
    MAIL_CONFIG mail;
    CopyString128(mail.SMTPAddr, "127.0.0.1");
    CopyString128(mail.MailFrom, "station@site.test");
    CopyString128(mail.MailTo, "operator@site.test");
    CopyString128(mail.MailName, "station");
    mail.SMTPPort = m_smtp.Port();
    if (!m_model->SetSystemConfig(&system) || !m_model->SetMailConfig(&mail)) {
        Fail(QStringLiteral("settings not stored"));
        return false;
    }

    AnswerBoxes();
    m_window = OpenMainWindow();
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        Fail(QStringLiteral("the main window did not show"));
        return false;
    }
    return true;
}

void CSimulatedStation::AnswerBoxes()
{
    // The busy box of a list search passes by itself; any other box is a fault of the night, and accepted.
    m_driver->Answer([this](QWidget* box) {
        AnswerBoxes();
        if (qobject_cast<ChaseDialog*>(box) != nullptr)
            return;
        Fail(QStringLiteral("a box came up: ") + CModalDriver::Describe(box).Text());
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->accept();
    });
}

bool CloseMainWindowConfirmed(std::unique_ptr<CVarrow>& window, CModalDriver& driver, int guardMs)
{
    driver.Accept();
    bool quit = false;
    const QMetaObject::Connection connection =
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&quit] { quit = true; });
    CVarrow* shown = window.get();
    QTimer::singleShot(0, shown, [shown] { shown->WindowTitle()->CloseButton()->click(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
    guard.start(guardMs);
    QApplication::exec();
    QObject::disconnect(connection);
    if (!quit || window->ViewState() != nullptr)
        return false;
    window.reset();
    return true;
}

bool CSimulatedStation::Close()
{
    m_driver->Clear();
    return CloseMainWindowConfirmed(m_window, *m_driver);
}

void CSimulatedStation::RunUntil(const QDateTime& until)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const double before = ProcessFigures::ThreadCpuSeconds();
        CheckDoneHaveCopies();
        m_checkCpu += ProcessFigures::ThreadCpuSeconds() - before;
        if (m_clock.Clock().Now() >= until)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
}

bool CSimulatedStation::WaitFor(const std::function<bool()>& done, int realMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > realMs)
            return false;
        RunUntil(m_clock.Clock().Now().addMSecs(qint64(20 * m_scale)));
    }
    return true;
}

QString CSimulatedStation::ChannelFolder(int recorder, int channel) const
{
    const QByteArray name = m_sims[recorder]->AddressBytes() + '_' +
                            QByteArray::number(m_sims[recorder]->Port()) + '_' + QByteArray::number(channel);
    return CStowelineClass::RecordRootOf(m_drive.path()) + QLatin1Char('/') +
           CStowelineClass::EncodeRecordName(name.constData());
}

QString CSimulatedStation::StoredCopy(int recorder, int channel, const QDateTime& start,
                                      const QDateTime& stop) const
{
    const QString prefix = start.toString(kStamp) + stop.toString(kStamp);
    for (const QString& path : FilesUnder(ChannelFolder(recorder, channel))) {
        const QString name = QFileInfo(path).fileName();
        if (name.startsWith(prefix) && name.endsWith(QLatin1String(".rec")))
            return path;
    }
    return {};
}

qint64 CSimulatedStation::ExpectedLength(int recorder, int channel, const QDateTime& start,
                                         const QDateTime& stop)
{
    const QString key = QStringLiteral("%1/%2/%3").arg(recorder).arg(channel).arg(start.toString(kStamp));
    auto found = m_lengths.constFind(key);
    if (found == m_lengths.constEnd())
        found = m_lengths.insert(key,
                                 m_sims[recorder]->Expected(channel, SimTime(start), SimTime(stop)).Length());
    return found.value();
}

void CSimulatedStation::CheckDoneHaveCopies()
{
    CSQLite3Recordset rs;
    if (!GetMainDB().Query(
            "SELECT GroupID, CameraIndex, FileStartTime, FileStopTime, IsPast FROM FileInfo_Table "
            "WHERE DownloadState = 2",
            rs))
        return;
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    for (; !rs.IsEof(); rs.Next()) {
        const int plan = rs.GetInt(0);
        const int channel = rs.GetInt(1) + 1;
        // The recorders' times are UTC fields; the database keeps the fields as they are.
        const auto utc = [&format](const std::string& text) {
            const QDateTime fields = QDateTime::fromString(QString::fromStdString(text), format);
            return QDateTime(fields.date(), fields.time(), Qt::UTC);
        };
        const QDateTime start = utc(rs.GetString(2));
        const QDateTime stop = utc(rs.GetString(3));
        if (plan < 0 || plan >= RECORDERS || !start.isValid()) {
            Fail(QStringLiteral("a done file of no plan of ours: %1").arg(plan));
            continue;
        }
        const QString copy = StoredCopy(plan, channel, start, stop);
        if (copy.isEmpty() || QFileInfo(copy).size() != ExpectedLength(plan, channel, start, stop))
            Fail(QStringLiteral("%1 channel %2 %3 is marked done without its whole copy (%4)")
                     .arg(kNames[plan])
                     .arg(channel)
                     .arg(start.toString(format), copy.isEmpty() ? QStringLiteral("none") : copy));
    }
}

std::array<int, CSimulatedStation::RECORDERS> CSimulatedStation::CheckStoredFiles()
{
    std::array<int, RECORDERS> whole = {};
    QStringList known;
    for (int recorder = 0; recorder < RECORDERS; ++recorder) {
        for (int channel = 1; channel <= kChannels; ++channel) {
            known << ChannelFolder(recorder, channel);
            for (const QString& path : FilesUnder(known.last())) {
                const QString name = QFileInfo(path).fileName();
                QByteArray expected;
                for (const SimRecording& recording :
                     m_sims[recorder]->Config().Channels.value(channel).Recordings) {
                    if (name.startsWith(recording.Start.toString(kStamp) + recording.Stop.toString(kStamp)) &&
                        name.endsWith(QLatin1String(".rec"))) {
                        const CSimPlaybackContent content = m_sims[recorder]->Expected(
                            channel, SimTime(recording.Start), SimTime(recording.Stop));
                        expected = content.Bytes(0, content.Length());
                    }
                }
                if (expected.isEmpty() || ReadAll(path) != expected)
                    Fail(QStringLiteral("stored file is not a whole copy: ") + path);
                else
                    ++whole[recorder];
            }
        }
    }
    // Nothing else on the disk than the channels' folders (no temporary file left behind).
    const QString root = CStowelineClass::RecordRootOf(m_drive.path());
    for (const QString& path : FilesUnder(root)) {
        if (std::none_of(known.cbegin(), known.cend(), [&path](const QString& folder) {
                return path.startsWith(folder + QLatin1Char('/'));
            }))
            Fail(QStringLiteral("a file of no channel on the disk: ") + path);
    }
    return whole;
}

STATION_DAY CSimulatedStation::RunDay(int day, int endHour)
{
    STATION_DAY figures;
    figures.Day = day;
    QElapsedTimer real;
    real.start();
    const double cpuBefore = ProcessFigures::ThreadCpuSeconds();
    const double checkBefore = m_checkCpu;
    // The roamer goes in the middle of the night on even days; the day after, the window takes its
    // unfinished list as the overdue list and finishes both.
    const bool roamerGoes = day % 2 == 0;
    CRecorderSim& roamer = *m_sims[ROAMER];

    // The dropper's play-backs drop halfway through their first quarter MiB, once a day on each channel.
    SimChannelFaults drop;
    drop.DropAfterBytes = 128 * kKiB;
    drop.DropTimes = 1;
    for (int channel = 1; channel <= kChannels; ++channel)
        m_sims[DROPPER]->SetChannelFaults(channel, drop);

    RunUntil(At(day, 2));
    if (roamerGoes) {
        roamer.SetLoginRefusals(-1);
        roamer.Reboot();
    }
    RunUntil(At(day, 5));
    // The window's close leaves no current list; what the roamer did not finish is the overdue list.
    if (!WaitFor([] { return CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE IsPast = 0") == 0; },
                 60000))
        Fail(QStringLiteral("the night's current lists were not closed"));
    const QString filesDay = m_firstDay.addDays(day - 1).toString(QStringLiteral("yyyy-MM-dd"));
    const auto overdue = [&](int plan, const char* state) {
        return CountRows(
            QStringLiteral("SELECT COUNT(*) FROM FileInfo_Table WHERE IsPast = 1 AND GroupID = %1 "
                           "AND FileStartTime LIKE '%2%' %3")
                .arg(plan)
                .arg(filesDay, QLatin1String(state))
                .toStdString());
    };
    figures.OverdueFiles = CountRows("SELECT COUNT(*) FROM FileInfo_Table WHERE IsPast = 1");
    const int listFiles = kChannels * kFilesPerDay;
    if (roamerGoes) {
        if (overdue(ROAMER, "") != listFiles || overdue(ROAMER, "AND DownloadState <> 2") == 0)
            Fail(QStringLiteral("the roamer's unfinished list was not carried to the overdue list (%1 files, "
                                "%2 unfinished)")
                     .arg(overdue(ROAMER, ""))
                     .arg(overdue(ROAMER, "AND DownloadState <> 2")));
        if (figures.OverdueFiles != listFiles)
            Fail(QStringLiteral("%1 overdue files, only the roamer's %2 expected")
                     .arg(figures.OverdueFiles)
                     .arg(listFiles));
    } else if (figures.OverdueFiles != 0) {
        Fail(QStringLiteral("%1 files on the overdue lists after a night that finished everything")
                 .arg(figures.OverdueFiles));
    }

    if (endHour >= 12) {
        RunUntil(At(day, 12));
        if (roamerGoes)
            roamer.SetLoginRefusals(0);
    }
    RunUntil(At(day, endHour));

    const double checkCpu = m_checkCpu - checkBefore;
    const double before = ProcessFigures::ThreadCpuSeconds();
    figures.Stored = CheckStoredFiles();
    // Each night stores the whole list of the healthy recorder and of the dropper; the refuser's none; the
    // roamer's lists of the nights it stayed, and, the night after one it left, the list it left too.
    for (const int recorder : {HEALTHY, DROPPER})
        if (figures.Stored[recorder] != listFiles * (day + 1))
            Fail(QStringLiteral("%1: %2 whole copies, %3 expected")
                     .arg(kNames[recorder])
                     .arg(figures.Stored[recorder])
                     .arg(listFiles * (day + 1)));
    if (figures.Stored[REFUSER] != 0)
        Fail(QStringLiteral("copies of the refuser"));
    // Gone tonight: every list before last night's is whole, last night's is not.
    const bool roamerRight = roamerGoes ? figures.Stored[ROAMER] >= listFiles * day &&
                                              figures.Stored[ROAMER] < listFiles * (day + 1)
                                        : figures.Stored[ROAMER] == listFiles * (day + 1);
    if (!roamerRight)
        Fail(QStringLiteral("roamer: %1 whole copies after day %2").arg(figures.Stored[ROAMER]).arg(day));
    const CTableView* events =
        m_window->ViewState()->findChild<CTableView*>(QStringLiteral("tableView_Event"));
    figures.EventRows = events != nullptr ? events->GetTopRowCount() : -1;
    if (figures.EventRows < 0 || figures.EventRows > CViewState::kEventRowsKept)
        Fail(QStringLiteral("the event table holds %1 rows").arg(figures.EventRows));
    figures.LogRows = CountRows("SELECT COUNT(*) FROM Log_Table");
    if (figures.LogRows > LOG_MAX_ROWS)
        Fail(QStringLiteral("the log holds %1 rows").arg(figures.LogRows));
    const double endCheckCpu = ProcessFigures::ThreadCpuSeconds() - before;
    // The simulators' call logs are the harness's, not the station's memory.
    for (CRecorderSim* sim : m_sims)
        sim->ClearCallLog();
    figures.ResidentKiB = ProcessFigures::ResidentKiB();
    figures.HeapKiB = ProcessFigures::HeapInUseKiB();
    figures.RealSeconds = double(real.elapsed()) / 1000.0;
    figures.GuiCpuSeconds = ProcessFigures::ThreadCpuSeconds() - cpuBefore - checkCpu - endCheckCpu;
    return figures;
}

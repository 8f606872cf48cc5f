// Setup.xml and the language it chooses: a wrong reading would start the program in the wrong language, or in
// a language whose files are missing (every text then shows as a bare key).

#include "app/CDlgAbout.h"
#include "app/COmbrixApplication.h"
#include "app/CVarrow.h"
#include "config/CDlgSet.h"
#include "config/devices/CDlgAddDevice.h"
#include "config/pickers/CCopyBackUpTime.h"
#include "config/system/CDlgCfgSystem.h"
#include "config/pickers/CDlgChooseChannel.h"
#include "config/pickers/CDlgManualBackup.h"
#include "config/plans/CDlgCfgPlan.h"
#include "config/plans/CDlgModGroupName.h"
#include "pages/log/CLogBackup.h"
#include "pages/log/CSearchLog.h"
#include "pages/record/CExportRecord.h"
#include "pages/record/CViewRecord.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/gui/ModalDriver.h"
#include "app/ClientConfigManager.h"
#include "app/ClientLanguageManager.h"
#include "model/DeviceErrors.h"
#include "model/Mail.h"
#include "model/Utility.h"
#include "platform/RecordPlayer.h"
#include "sdk/DeviceSdk.h"
#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarTimePopup.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/dialogs/CFileDialog.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "widgets/thumbnails/CPicLabel.h"

#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QTranslator>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kNoFile = -1;
constexpr int kNoValue = -2;

// Setup.xml with the Translator `translator` (an element without Value for kNoValue) and the VersionType
// `version`; no file at all for kNoFile.
void WriteSetup(int translator, int version)
{
    const QString path = GetAbsolutePath(QStringLiteral("Setup.xml"));
    QFile::remove(path);
    if (translator == kNoFile)
        return;
    const QString item = QStringLiteral("<%1><Value>%2</Value></%1>");
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configs>") +
        (translator == kNoValue ? QStringLiteral("<Translator/>") : item.arg("Translator").arg(translator)) +
        item.arg("VersionType").arg(version) + item.arg("LogLevel").arg(1) + QStringLiteral("</Configs>\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(xml.toUtf8());
}

// The compiled translations beside the program, or none of the Chinese ones.
void PutTranslations(bool chinese)
{
    const QDir target(GetAbsolutePath(QStringLiteral("translations")));
    QVERIFY(QDir().mkpath(target.path()));
    for (const char* name : {"varrow_en.qm", "varrow_zh.qm", "qt_zh_CN.qm"}) {
        const QString to = target.filePath(QLatin1String(name));
        QFile::remove(to);
        if (!chinese && QByteArray(name).contains("zh"))
            continue;
        QVERIFY(QFile::copy(QStringLiteral(VARROW_TRANSLATIONS_DIR "/") + QLatin1String(name), to));
    }
}

// Sees every text lookup that no catalogue answered: installed below the program's and the toolkit's
// catalogues, so only the unanswered ones reach it.
class CUnresolvedTexts : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        static const QRegularExpression letter(QStringLiteral("[A-Za-z]"));
        if (source != nullptr && QString::fromUtf8(source).contains(letter)) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_missed.insert(QString::fromUtf8(context) + QLatin1Char('|') + QString::fromUtf8(source));
        }
        return {};
    }
    bool isEmpty() const override { return false; }
    QStringList Missed() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return QStringList(m_missed.begin(), m_missed.end());
    }

private:
    mutable std::mutex m_mutex;
    mutable QSet<QString> m_missed;
};

CUnresolvedTexts* g_unresolved = nullptr;

// The texts a window shows: labels, buttons, group titles, combo items, headers, tabs, tool tips, titles.
QStringList ShownTexts(QWidget* window)
{
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(window) && widget != window)
            continue;
        texts << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            texts << group->title();
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            texts << edit->placeholderText();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* tabs = qobject_cast<QTabBar*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto* view = qobject_cast<QAbstractItemView*>(widget);
            view != nullptr && view->model() != nullptr) {
            const QAbstractItemModel* model = view->model();
            const QModelIndex root = view->rootIndex();
            for (int column = 0; column < model->columnCount(root); ++column) {
                texts << model->headerData(column, Qt::Horizontal).toString();
                for (int row = 0; row < std::min(model->rowCount(root), 20); ++row)
                    texts << model->index(row, column, root).data().toString();
            }
        }
    }
    for (QString& text : texts)
        text.remove(QLatin1Char('&'));
    texts.removeAll(QString());
    return texts;
}

// The unanswered lookups whose text a shown text holds (placeholders such as %1 match anything).
QStringList UntranslatedShown(const QStringList& shown)
{
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%(\\d+|n)"));
    for (const QString& missed : g_unresolved->Missed()) {
        const QString source = missed.section(QLatin1Char('|'), 1).remove(QLatin1Char('&'));
        QStringList parts = source.split(placeholder, Qt::SkipEmptyParts);
        parts.removeIf([](const QString& part) {
            return !part.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}")));
        });
        if (parts.isEmpty())
            continue;
        for (const QString& text : shown) {
            if (std::all_of(parts.begin(), parts.end(),
                            [&](const QString& part) { return text.contains(part); })) {
                found << missed + QStringLiteral("  (shown as \"") + text + QStringLiteral("\")");
                break;
            }
        }
    }
    return found;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenLanguage_data();
    void chosenLanguage();
    void installedAtStart();
    void calendarNamesFollowTheLanguage();
    void everyWindowTranslated();
    void failuresSaidInChinese();
};

void TestLanguage::chosenLanguage_data()
{
    QTest::addColumn<int>("translator");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("chineseFiles");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("language");
    const int en = QLocale::English;
    const int zh = QLocale::Chinese;
    QTest::newRow("no Setup.xml") << kNoFile << 1 << true << 2 << en;
    QTest::newRow("English") << 0 << 1 << true << 0 << en;
    QTest::newRow("Chinese") << 1 << 1 << true << 1 << zh;
    QTest::newRow("Chinese, version 0") << 1 << 0 << true << 3 << zh;
    QTest::newRow("Chinese without its files") << 1 << 1 << false << 0 << en;
    QTest::newRow("unknown id 7") << 7 << 1 << true << 0 << en;
    // The Translator has no value of its own; it must not take VersionType's 1 and turn the program Chinese.
    QTest::newRow("Translator without Value") << kNoValue << 1 << true << 0 << en;
}

void TestLanguage::chosenLanguage()
{
    QFETCH(int, translator);
    QFETCH(int, version);
    QFETCH(bool, chineseFiles);
    QFETCH(int, id);
    QFETCH(int, language);
    WriteSetup(translator, version);
    PutTranslations(chineseFiles);
    ClientConfigManager::Instance()->Clear();
    QCOMPARE(ClientConfigManager::Instance()->Load(GetAbsolutePath(QStringLiteral("Setup.xml"))),
             translator != kNoFile);

    ClientLanguageManager languages;
    QCOMPARE(languages.FindById(1) != nullptr, chineseFiles);
    ClientLanguageProperty* current = languages.Current();
    QVERIFY(current != nullptr);
    QCOMPARE(current->GetId(), id);
    QCOMPARE(int(current->GetLocale().language()), language);
    if (language == QLocale::Chinese)
        QVERIFY(!current->GetTranslator()->isEmpty() && !current->GetQtTranslator()->isEmpty());
}

void TestLanguage::installedAtStart()
{
    // The application object of this process started with Chinese chosen: the program's own texts and the
    // toolkit's are translated. One text from each kind of place the update script must gather: the shell,
    // a form, the settings pages, the widget kit, a text marked apart from its tr() call, a plural.
    const struct
    {
        const char* context;
        const char* source;
        int n;
        QString expected;
    } texts[] = {{"COmbrixApplication", "Software is already running.", -1, QStringLiteral("软件已在运行。")},
                 {"CSearchLogClass", "Start time:", -1, QStringLiteral("开始时间：")},
                 {"DlgCfgSystem", "Disk Allocate", -1, QStringLiteral("磁盘分配")},
                 {"CPageInfo", "Next", -1, QStringLiteral("下一页")},
                 {"CDlgCfgPlan", "At Schedule ", -1, QStringLiteral("计划 ")},
                 {"CDlgCfgDevice", "%n device(s) added.", 3, QStringLiteral("已添加 3 台设备。")},
                 {"QPlatformTheme", "Cancel", -1, QStringLiteral("取消")}};
    for (const auto& text : texts)
        QCOMPARE(QCoreApplication::translate(text.context, text.source, nullptr, text.n), text.expected);
}

void TestLanguage::calendarNamesFollowTheLanguage()
{
    // The start chose Chinese: the calendar's month and day names are Chinese whatever the desktop's locale
    // (this process runs under an English one).
    CCalendarWidget calendar;
    calendar.SetSelectedDate(QDate(2026, 12, 10));
    calendar.show();
    QCOMPARE(calendar.findChild<QLabel*>(QStringLiteral("qt_calendar_m_monthlabel"))->text(),
             QStringLiteral("\u5341\u4e8c\u6708"));
    QCOMPARE(calendar.Model()->data(calendar.Model()->index(0, 0), Qt::DisplayRole).toString(),
             QStringLiteral("\u65e5"));
}

void TestLanguage::everyWindowTranslated()
{
    // Every window as the operator opens it, with a recorder and a plan so that lists and pages have rows.
    // A text the Chinese program shows in English is a missing or misfiled catalogue entry.
    const bool chinese = QLocale().language() == QLocale::Chinese;
    const QString pictures = qEnvironmentVariable("VARROW_WALK_PICTURES");
    CEngineFixture fixture(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    const int gate = fixture.AddDevice(CSimRecorders::MakeConfig(4, {}, {}), "Gate");
    QVERIFY(gate >= 0);
    QVERIFY(fixture.AddPlan(0, {{int16_t(gate), 1}, {int16_t(gate), 2}}, SCHEDULE_WEEKDAY()));
    QStringList untranslated;
    const auto look = [&](QWidget* window, const QString& name) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(50);
        const QImage picture = window->grab().toImage();
        if (!pictures.isEmpty())
            picture.save(QStringLiteral("%1/%2-%3.png").arg(pictures, name, chinese ? "zh" : "en"));
        if (chinese)
            for (const QString& text : UntranslatedShown(ShownTexts(window)))
                untranslated << name + QStringLiteral(": ") + text;
    };

    {
        CVarrow main;
        look(&main, QStringLiteral("state"));
        main.Form().pBtnViewRecFile->click();
        look(&main, QStringLiteral("record"));
        auto* types = main.ViewRecord()->findChild<QComboBox*>(QStringLiteral("pCombFileType"));
        types->showPopup();
        look(types->view()->window(), QStringLiteral("record-types"));
        types->hidePopup();
        main.Form().pBtnViewLog->click();
        look(&main, QStringLiteral("log"));
        auto* from = main.SearchLog()->findChild<CDateTimeEdit*>();
        QTest::keyClick(from, Qt::Key_F4);
        look(from->Popup(), QStringLiteral("calendar"));
        from->Popup()->close();
    }
    {
        CDlgSet settings(nullptr);
        look(&settings, QStringLiteral("settings-general"));
        settings.Form().pBtnDevice->click();
        look(&settings, QStringLiteral("settings-device"));
        settings.Form().pBtnSchedule->click();
        look(&settings, QStringLiteral("settings-schedule"));
        for (auto* types : settings.PlanPage()->findChildren<QComboBox*>()) {
            if (types->count() == 5 && types->isEnabled()) {
                types->setCurrentIndex(2);
                types->showPopup();
                look(types->view()->window(), QStringLiteral("schedule-file-types"));
                types->hidePopup();
                look(&settings, QStringLiteral("settings-schedule-motion"));
                break;
            }
        }
        CDlgAddDevice add(QModelIndex(), nullptr, nullptr);
        look(&add, QStringLiteral("add-device"));
        // The line shown while a login runs.
        add.findChild<QLabel*>(QStringLiteral("m_pLabelBusy"))->show();
        look(&add, QStringLiteral("add-device-busy"));
        CDlgModGroupName name(settings.PlanPage(), true);
        look(&name, QStringLiteral("plan-name"));
        CCopyBackUpTime copy(settings.PlanPage(), 0);
        look(&copy, QStringLiteral("copy-schedule"));
        CDlgChooseChannel chooser(settings.PlanPage());
        chooser.show();
        QTRY_VERIFY_WITH_TIMEOUT(!chooser.IsPictureTimerActive(), 20000); // the snapshots are in
        look(&chooser, QStringLiteral("chooser"));
        const QList<CPicLabel*> tiles = chooser.findChildren<CPicLabel*>();
        QVERIFY(!tiles.isEmpty());
        QCOMPARE(tiles.first()->toolTip(), fixture.Model().GetCameraName(gate, 1));
    }
    {
        CDlgManualBackup manual(nullptr);
        look(&manual, QStringLiteral("manual-backup"));
    }
    CExportRecord exportRecord(nullptr);
    look(&exportRecord, QStringLiteral("record-export"));
    CLogBackup logBackup(nullptr);
    look(&logBackup, QStringLiteral("log-export"));
    CDlgAbout about(nullptr);
    look(&about, QStringLiteral("about"));
    ChaseDialog chase(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("..."), true);
    look(&chase, QStringLiteral("busy"));
    // The pickers are modal: looked at from inside their own loop.
    CModalDriver driver;
    for (const char* name : {"file-picker", "folder-picker"})
        driver.Answer([&, name](QWidget* window) {
            QTest::qWait(100);
            look(window, QLatin1String(name));
            qobject_cast<QDialog*>(window)->reject();
        });
    CFileDialog::GetSaveFileName(nullptr, QStringLiteral("..."), QString(), QStringLiteral("XML(*.xml)"));
    CFileDialog::GetExistingDirectory(nullptr, QStringLiteral("..."));
    QCOMPARE(driver.Pending(), 0);
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

// Every cause the program gives for a failure reaches the Chinese operator in Chinese: the device layer's
// codes and the login's reasons, every cause of a failed test mail (the mail library's own words may follow
// in brackets), the desktop opener's failure, an empty record search and the box that waits for a stopped
// import.
void TestLanguage::failuresSaidInChinese()
{
    static const QRegularExpression english(QStringLiteral("[A-Za-z]{2}"));
    QStringList said;
    for (uint32_t code = 0; code <= 30; ++code)
        said << DeviceErrorCodeText(code) << LoginFailureReason(code);
    said << CDlgAddDevice::LoginFailedText(NET_DVR_NETWORK_RECV_TIMEOUT);
    for (int cause = int(MAIL_CAUSE::None); cause <= int(MAIL_CAUSE::Other); ++cause) {
        MAIL_FAILURE failure;
        failure.Cause = MAIL_CAUSE(cause);
        said << CDlgCfgSystem::MailFailureText(failure);
    }
    said << QCoreApplication::translate("CDlgCfgDevice", "Stopping...");

    // Every way the desktop's opener fails; names (of the record, the opener and the player to put beside
    // the program) stay as they are.
    for (const int status : {1, 2, 3, 4, 9, -1, -2}) {
        QString text = CViewRecord::PlayerFailureText(PLAYER_FAILURE{
            QStringLiteral("/r/a.rec"), QStringLiteral("xdg-open"), std::max(status, -1), status != -2});
        for (const char* name : {"/r/a.rec", "xdg-open", "README", "Vidrun", "Varrow"})
            text.remove(QLatin1String(name));
        said << text;
    }
    CEngineFixture fixture(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    CViewRecord page(nullptr);
    page.OnBtnClickedSerchRecord(); // nothing ticked: nothing found
    said << page.findChild<QLabel*>(QStringLiteral("pLabelNoRecord"))->text();

    const QStringList inEnglish = said.filter(english);
    QVERIFY2(inEnglish.isEmpty(), qPrintable(inEnglish.join(QLatin1Char('\n'))));
    const QStringList untranslated = UntranslatedShown(said);
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    TestSupport::ProcessAppDir();
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LC_ALL", "en_US.UTF-8");
    // The main window needs the program's smallest screen; VARROW_WALK_SCREEN may give another.
    const QString screens = qEnvironmentVariable(
        "VARROW_WALK_SCREEN", QStringLiteral(VARROW_TEST_DATA_DIR "/screens/1280x1024.json"));
    qputenv("QT_QPA_PLATFORM", (QStringLiteral("offscreen:configfile=") + screens).toLocal8Bit());
    // Chinese unless VARROW_WALK_LANGUAGE says 0 (for pictures of the English windows).
    WriteSetup(qEnvironmentVariableIntValue("VARROW_WALK_LANGUAGE") == 0 &&
                       qEnvironmentVariableIsSet("VARROW_WALK_LANGUAGE")
                   ? 0
                   : 1,
               1);
    PutTranslations(true);
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    // The catalogues go back in above the recorder of unanswered lookups.
    CUnresolvedTexts unresolved;
    g_unresolved = &unresolved;
    const ClientLanguageProperty* language = ClientLanguageManager::Instance()->Current();
    for (QTranslator* catalogue : {language->GetTranslator(), language->GetQtTranslator()})
        QCoreApplication::removeTranslator(catalogue);
    QCoreApplication::installTranslator(&unresolved);
    QCoreApplication::installTranslator(language->GetQtTranslator());
    QCoreApplication::installTranslator(language->GetTranslator());
    TestLanguage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_language.moc"

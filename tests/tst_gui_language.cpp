// Setup.xml and the language it chooses: a wrong reading would start the program in the wrong language, or in
// a language whose files are missing (every text then shows as a bare key).

#include "app/COmbrixApplication.h"
#include "app/ClientConfigManager.h"
#include "app/ClientLanguageManager.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>

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

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenLanguage_data();
    void chosenLanguage();
    void installedAtStart();
    void calendarNamesFollowTheLanguage();
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

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    TestSupport::ProcessAppDir();
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LC_ALL", "en_US.UTF-8");
    WriteSetup(1, 1);
    PutTranslations(true);
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestLanguage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_language.moc"

// Setup.xml and the language it chooses: a wrong reading would start the program in the wrong language, or in
// a language whose files are missing (every text then shows as a bare key).

#include "app/COmbrixApplication.h"
#include "app/ClientConfigManager.h"
#include "app/ClientLanguageManager.h"
#include "model/Utility.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace {

const QString kMissing = QStringLiteral("<missing>");

void WriteSetup(const QString& xml)
{
    const QString path = GetAbsolutePath(QStringLiteral("Setup.xml"));
    QFile::remove(path);
    if (xml == kMissing)
        return;
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

QString Setup(const QString& inner)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configs>") + inner +
           QStringLiteral("</Configs>\n");
}

QString Item(const QString& name, const QString& value)
{
    return QStringLiteral("<%1><Value>%2</Value></%1>").arg(name, value);
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenLanguage_data();
    void chosenLanguage();
    void fileItems();
    void installedAtStart_data();
    void installedAtStart();
};

void TestLanguage::chosenLanguage_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("chineseFiles");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("language");
    const int en = QLocale::English;
    const int zh = QLocale::Chinese;
    const QString t = QStringLiteral("Translator");
    const QString v = QStringLiteral("VersionType");
    QTest::newRow("no Setup.xml") << kMissing << true << 2 << en;
    QTest::newRow("English") << Setup(Item(t, "0") + Item(v, "1")) << true << 0 << en;
    QTest::newRow("English, version 0") << Setup(Item(t, "0") + Item(v, "0")) << true << 2 << en;
    QTest::newRow("Chinese") << Setup(Item(t, "1") + Item(v, "1")) << true << 1 << zh;
    QTest::newRow("Chinese, version 0") << Setup(Item(t, "1") + Item(v, "0")) << true << 3 << zh;
    QTest::newRow("Chinese without its files") << Setup(Item(t, "1") + Item(v, "1")) << false << 0 << en;
    QTest::newRow("unknown id 7") << Setup(Item(t, "7") + Item(v, "1")) << true << 0 << en;
    QTest::newRow("not a number") << Setup(Item(t, "abc") + Item(v, "1")) << true << 0 << en;
    QTest::newRow("two Translators, the first counts")
        << Setup(Item(t, "1") + Item(t, "0") + Item(v, "1")) << true << 1 << zh;
    // The Translator has no value of its own; it must not take VersionType's 1 and turn the program Chinese.
    QTest::newRow("Translator without Value")
        << Setup(QStringLiteral("<Translator/>") + Item(v, "1") + Item(QStringLiteral("LogLevel"), "1"))
        << true << 0 << en;
}

void TestLanguage::chosenLanguage()
{
    QFETCH(QString, xml);
    QFETCH(bool, chineseFiles);
    QFETCH(int, id);
    QFETCH(int, language);
    WriteSetup(xml);
    PutTranslations(chineseFiles);
    ClientConfigManager::Instance()->Clear();
    QCOMPARE(ClientConfigManager::Instance()->Load(GetAbsolutePath(QStringLiteral("Setup.xml"))),
             xml != kMissing);

    ClientLanguageManager languages;
    QCOMPARE(languages.FindById(1) != nullptr, chineseFiles);
    QVERIFY(languages.FindById(0) != nullptr && languages.FindById(2) != nullptr);
    ClientLanguageProperty* current = languages.Current();
    QVERIFY(current != nullptr);
    QCOMPARE(current->GetId(), id);
    QCOMPARE(int(current->GetLocale().language()), language);
    if (language == QLocale::Chinese)
        QVERIFY(!current->GetTranslator()->isEmpty() && !current->GetQtTranslator()->isEmpty());
}

void TestLanguage::fileItems()
{
    WriteSetup(Setup(QStringLiteral("<Translator/>") + Item(QStringLiteral("VersionType"), "1") +
                     QStringLiteral("<Extra><Value>5</Value></Extra>")));
    ClientConfigManager* config = ClientConfigManager::Instance();
    config->Clear();
    QVERIFY(config->Load(GetAbsolutePath(QStringLiteral("Setup.xml"))));
    QStringList names;
    for (int i = 0; i < config->Count(); ++i)
        names << config->At(i)->GetName() + QLatin1Char('=') + config->At(i)->GetValue();
    // The root never becomes an item; an unknown element's Value child becomes an item of its own.
    QCOMPARE(names, QStringList({QStringLiteral("Translator="), QStringLiteral("VersionType=1"),
                                 QStringLiteral("Extra="), QStringLiteral("Value=")}));
    QVERIFY(config->Find(ClientConfigManager::KeyLogLevel) == nullptr);
}

void TestLanguage::installedAtStart_data()
{
    // One text from each kind of place the update script must gather: the shell, a form, the settings pages,
    // the log and record pages, the widget kit, a text marked apart from its tr() call, and a plural.
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("shell") << "COmbrixApplication"
                           << "Software is already running." << -1 << QStringLiteral("软件已在运行。");
    QTest::newRow("form") << "CSearchLogClass"
                          << "Start time:" << -1 << QStringLiteral("开始时间：");
    QTest::newRow("system page") << "DlgCfgSystem"
                                 << "Disk Allocate" << -1 << QStringLiteral("磁盘分配");
    QTest::newRow("log type") << "CLogTypeModel"
                              << "Exception Log" << -1 << QStringLiteral("异常日志");
    QTest::newRow("record page") << "CViewRecord"
                                 << "Manual Record" << -1 << QStringLiteral("手动录像");
    QTest::newRow("widget kit") << "CPageInfo"
                                << "Next" << -1 << QStringLiteral("下一页");
    QTest::newRow("marked apart") << "CDlgCfgPlan"
                                  << "At Schedule " << -1 << QStringLiteral("计划 ");
    QTest::newRow("plural") << "CDlgCfgDevice"
                            << "%n device(s) added." << 3 << QStringLiteral("已添加 3 台设备。");
}

void TestLanguage::installedAtStart()
{
    // The application object of this process started with Chinese chosen: the program's own texts and the
    // toolkit's are both translated.
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(QCoreApplication::translate(context.toLatin1().constData(), source.toLatin1().constData(),
                                         nullptr, n),
             expected);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    TestSupport::ProcessAppDir();
    WriteSetup(Setup(Item(QStringLiteral("Translator"), "1") + Item(QStringLiteral("VersionType"), "1")));
    PutTranslations(true);
    COmbrixApplication app(argc, argv, QStringLiteral("Varrow"));
    TestLanguage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_language.moc"

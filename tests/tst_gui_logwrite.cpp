// The log export file: what a reader of the XML gets back must be exactly what the table showed, and an
// export that did not reach the disk whole must never count as done nor destroy the file it was meant to
// replace.

#include "pages/log/CLogWriteThread.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <csignal>
#include <sys/resource.h>

namespace {

QList<QStringList> SampleRows(int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(i),
                     QStringLiteral("2026-12-06 08:00:%1").arg(i % 60, 2, 10, QLatin1Char('0')),
                     QStringLiteral("Config Disk"), QStringLiteral("entry %1").arg(i)});
    rows[0][3] = QStringLiteral("Tom & Jerry <script> \"q\" 'a'");
    rows[1][3] = QStringLiteral("备份日志：磁盘已满");
    return rows;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads the file back as a reader would: per Log element, its children as "name=text". The header and root
// are checked byte for byte on the raw file instead.
struct READ_BACK
{
    QList<QStringList> logs;
    bool attributes = false;
    QString error;
};

READ_BACK ReadBack(const QString& path)
{
    READ_BACK back;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, false, QStringLiteral("cannot open")};
    QXmlStreamReader xml(&file);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        back.attributes = back.attributes || !xml.attributes().isEmpty();
        if (depth == 2)
            back.logs.append(QStringList());
        if (depth == 3) // readElementText consumes the end element
            back.logs.last().append(xml.name().toString() + QLatin1Char('=') + xml.readElementText());
        else
            ++depth;
    }
    if (xml.hasError())
        back.error = xml.errorString();
    return back;
}

} // namespace

class TestLogWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackWhatTheTableShowed();
    void openFailures();
    void fullDeviceIsNotSuccess();
    void failedWriteKeepsTheEarlierFile();
    void threadReportsAndReplacesTheFile();

private:
    QTemporaryDir m_dir;
};

void TestLogWrite::readsBackWhatTheTableShowed()
{
    // 501 rows: one more than a search batch, with markup characters and Chinese that must survive escaping.
    const QString path = m_dir.filePath(QStringLiteral("logs.xml"));
    const QList<QStringList> rows = SampleRows(501);
    QCOMPARE(CLogWriteThread::WriteXml(path, rows), int(CLogWriteThread::WRITE_DONE));

    const READ_BACK back = ReadBack(path);
    QCOMPARE(back.error, QString());
    QVERIFY(!back.attributes);
    QCOMPARE(back.logs.size(), 501);
    const QStringList names{"ID=", "OperationTime=", "Type=", "Contents="};
    for (int i = 0; i < back.logs.size(); ++i) {
        QStringList expected;
        for (int column = 0; column < 4; ++column)
            expected << names.at(column) + rows.at(i).at(column);
        QCOMPARE(back.logs.at(i), expected);
    }

    // Indented by four spaces per level, one element a line; the markup characters are escaped in the file.
    const QByteArray raw = ReadAll(path);
    QVERIFY(
        raw.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LogTypes>\n    <Logs>\n        <Log>\n"
                       "            <ID>1</ID>\n"));
    QVERIFY(raw.contains("Tom &amp; Jerry &lt;script"));
}

void TestLogWrite::openFailures()
{
    // A missing folder is not created, and a folder is not taken for the file.
    for (const QString& path : {m_dir.filePath(QStringLiteral("no/such/folder/logs.xml")), m_dir.path()})
        QCOMPARE(CLogWriteThread::WriteXml(path, SampleRows(3)), int(CLogWriteThread::WRITE_OPEN_FAILED));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("no"))));
}

void TestLogWrite::fullDeviceIsNotSuccess()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    // Every write to it fails with "no space": the document never reaches it whole.
    QCOMPARE(CLogWriteThread::WriteXml(QStringLiteral("/dev/full"), SampleRows(3)),
             int(CLogWriteThread::WRITE_FAILED));
    // Not replaced by a regular file holding the document.
    QVERIFY(QFileInfo::exists(QStringLiteral("/dev/full")) &&
            !QFileInfo(QStringLiteral("/dev/full")).isFile());
}

void TestLogWrite::failedWriteKeepsTheEarlierFile()
{
    // A file size limit makes the write fail half-way, as a full disk does, even for root.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.xml"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier export") > 0);
    old.close();
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = CLogWriteThread::WriteXml(path, SampleRows(200));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(result, int(CLogWriteThread::WRITE_FAILED));
    QCOMPARE(ReadAll(path), QByteArray("earlier export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.xml"});
}

void TestLogWrite::threadReportsAndReplacesTheFile()
{
    const QString path = m_dir.filePath(QStringLiteral("twice.xml"));
    for (int count : {7, 2}) {
        CLogWriteThread writer;
        QSignalSpy over(&writer, &CLogWriteThread::SendWriteOver);
        writer.SetWriteParam(path, SampleRows(count));
        writer.start();
        QVERIFY(over.wait(5000));
        QCOMPARE(over.first().first().toInt(), int(CLogWriteThread::WRITE_DONE));
        QCOMPARE(ReadBack(path).logs.size(), count);
    }
}

VARROW_TEST_MAIN(TestLogWrite, QApplication)
#include "tst_gui_logwrite.moc"

// Drive letters: a wrong map writes recordings to the wrong disk or shows the operator space that is not
// there.

#include "model/Utility.h"
#include "platform/DriveMap.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

class TestDriveMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QFile::remove(GetAbsolutePath("Drives.conf")); }
    void parseMapText();
    void mapFileSetsTheLetters();
    void mountedVolumesByDefault();

private:
    static void WriteConf(const QByteArray& text);
};

void TestDriveMap::WriteConf(const QByteArray& text)
{
    QFile conf(GetAbsolutePath("Drives.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(text);
}

void TestDriveMap::parseMapText()
{
    QStringList warnings;
    const QMap<char, QString> map = CDriveMap::ParseMapText("# backup disks\n"
                                                            "D=/srv/backup1\n"
                                                            "  e = /srv/with space/ \n"
                                                            "\n"
                                                            "F=relative/path\n"
                                                            "GH=/srv/x\n"
                                                            "no equals sign\n"
                                                            "D=/srv/other\n"
                                                            "1=/srv/digit\n"
                                                            "Z=/srv/a=b\r\n",
                                                            &warnings);
    QCOMPARE(map.size(), 3);
    QCOMPARE(map.value('D'), QStringLiteral("/srv/backup1")); // the first of a twice-given letter
    QCOMPARE(map.value('E'), QStringLiteral("/srv/with space"));
    QCOMPARE(map.value('Z'), QStringLiteral("/srv/a=b"));
    QCOMPARE(warnings.size(), 5);
    QVERIFY(warnings[0].startsWith("line 5:"));
}

void TestDriveMap::mapFileSetsTheLetters()
{
    QTemporaryDir disk;
    QVERIFY(disk.isValid());
    WriteConf("D=" + QFile::encodeName(disk.path()) + "\nE=/nonexistent/varrow-disk\n");
    QCOMPARE(CDriveMap::GetDrivePath('D'), disk.path());
    QCOMPARE(CDriveMap::GetDrivePath('d'), disk.path());
    QVERIFY(CDriveMap::GetDrivePath('C').isEmpty()); // the file is the whole map

    const QList<DRIVE_INFO> drives = CDriveMap::GetDrives();
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives[0].Letter, 'D');
    const QStorageInfo volume(disk.path());
    QCOMPARE(drives[0].TotalBytes, volume.bytesTotal());
    QVERIFY(drives[0].TotalBytes > 0 && drives[0].FreeBytes > 0 &&
            drives[0].FreeBytes <= drives[0].TotalBytes);
    QCOMPARE(drives[1].Letter, 'E');
    QCOMPARE(drives[1].TotalBytes, 0); // a missing directory shows no space rather than another disk's
}

void TestDriveMap::mountedVolumesByDefault()
{
    const QMap<char, QString> map = CDriveMap::ReadMap();
    QVERIFY(!map.isEmpty());
    QCOMPARE(map.value('C'), QStorageInfo(GetAppDirPath()).rootPath());
    // One letter per volume: no two letters on the same mount point, letters in mount-point order from D:.
    QStringList paths = map.values();
    paths.removeDuplicates();
    QCOMPARE(paths.size(), map.size());
    QString previous;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key() == 'C')
            continue;
        QVERIFY(it.value() > previous);
        previous = it.value();
    }
}

VARROW_TEST_MAIN(TestDriveMap, QCoreApplication)
#include "tst_drivemap.moc"

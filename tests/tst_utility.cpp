// Paths and directory trees: a wrong path here deletes or misplaces the operator's files.

#include "model/Utility.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <thread>
#include <unistd.h>
#include <vector>

class TestUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programDirectory();
    void makeDirs();
    void deleteDirectoryTree();
    void deleteDirectoryNeverFollowsLinks();
};

namespace {

void WriteFile(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
}

} // namespace

void TestUtility::programDirectory()
{
    // Every test process runs in its own program directory: the user's Varrow.db is never touched. The path
    // is computed once and the same from every thread.
    const QString dir = TestSupport::ProcessAppDir().Path() + QLatin1Char('/');
    std::vector<std::string> seen(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] { seen[i] = GetCurExeDir(); });
    for (auto& t : threads)
        t.join();
    for (const std::string& path : seen)
        QCOMPARE(QString::fromStdString(path), dir);
    QCOMPARE(GetAppDirPath(), dir);
    QCOMPARE(GetAbsolutePath(QStringLiteral("Setup.xml")), dir + QStringLiteral("Setup.xml"));
    QCOMPARE(GetAbsolutePath(QStringLiteral("/etc/hosts")), QStringLiteral("/etc/hosts"));
}

void TestUtility::makeDirs()
{
    QTemporaryDir tmp;
    MakeDirs(QFile::encodeName(tmp.path() + "/a/b/c/picture.jpg").constData());
    QVERIFY(QFileInfo(tmp.path() + "/a/b/c").isDir());
    QVERIFY(!QFileInfo::exists(tmp.path() + "/a/b/c/picture.jpg"));
    // Existing folders are no error, and a path longer than any fixed buffer is created whole.
    QString deep = tmp.path() + "/a";
    for (int i = 0; i < 40; ++i)
        deep += QStringLiteral("/folder%1").arg(i);
    MakeDirs(QFile::encodeName(deep + "/").constData());
    QVERIFY(QFileInfo(deep).isDir());
}

void TestUtility::deleteDirectoryTree()
{
    // Entry paths far past 259 bytes: a cut path would name another folder, so the whole tree must go by its
    // own names, and a sibling whose name is the cut prefix must survive.
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/tree";
    QString deep = root;
    for (int i = 0; i < 30; ++i)
        deep += QStringLiteral("/level-%1-abcdefghij").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(QDir().mkpath(deep) && QDir().mkpath(root + "/empty") && QDir().mkpath(root + "-sibling"));
    QVERIFY(QFile::encodeName(deep).size() > 400);
    WriteFile(deep + "/file.bin");
    WriteFile(root + "/.hidden");
    QVERIFY(DeleteDirectory(QFile::encodeName(root).constData()));
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo(root + "-sibling").isDir());
    QVERIFY(!DeleteDirectory(QFile::encodeName(tmp.path() + "/missing").constData()));
    QVERIFY(!DeleteDirectory(""));
}

void TestUtility::deleteDirectoryNeverFollowsLinks()
{
    // A link inside the deleted tree must be removed as a link; what it points at belongs to somebody else.
    QTemporaryDir tmp;
    const QString keep = tmp.path() + "/keep";
    QVERIFY(QDir().mkpath(keep + "/inner"));
    WriteFile(keep + "/precious.mp4");
    WriteFile(keep + "/inner/also.mp4");
    const QString tree = tmp.path() + "/ChannelPicture";
    QVERIFY(QDir().mkpath(tree));
    QVERIFY(QFile::link(keep, tree + "/link-to-dir"));
    QVERIFY(QFile::link(keep + "/precious.mp4", tree + "/link-to-file"));
    QVERIFY(QFile::link(tmp.path() + "/nowhere", tree + "/dangling"));

    QVERIFY(DeleteDirectory(QFile::encodeName(tree).constData()));
    QVERIFY(!QFileInfo::exists(tree));
    QVERIFY(QFileInfo::exists(keep + "/precious.mp4") && QFileInfo::exists(keep + "/inner/also.mp4"));

    // A link given as the path itself is removed, its target stays.
    QVERIFY(QFile::link(keep, tmp.path() + "/top-link"));
    QVERIFY(DeleteDirectory(QFile::encodeName(tmp.path() + "/top-link").constData()));
    QVERIFY(QFileInfo::exists(keep + "/precious.mp4"));
}

VARROW_TEST_MAIN(TestUtility, QCoreApplication)
#include "tst_utility.moc"

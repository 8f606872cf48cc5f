// The file pickers and the path box of the log backup and record export dialogs: a wrong extension writes the
// log backup under a name nobody finds, and a folder without its trailing slash puts exported files beside
// it.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CFileDialog.h"
#include "widgets/dialogs/CPathComboBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

// Answers the next picker by choosing `path` in its embedded file dialog.
void Choose(CModalDriver& driver, const QString& path, std::function<void(QFileDialog*)> check = {})
{
    driver.Answer([path, check](QWidget* window) {
        auto* picker = window->findChild<QFileDialog*>();
        if (picker == nullptr) {
            window->close();
            return;
        }
        if (check)
            check(picker);
        picker->selectFile(path);
        static_cast<QDialog*>(picker)->accept(); // as its Open or Save button does
    });
}

void Press(QWidget* widget, int x)
{
    const QPointF local(x, widget->height() / 2);
    QMouseEvent event(QEvent::MouseButtonPress, local, widget->mapToGlobal(local), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestFilePickers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void extension_data();
    void extension();
    void startDirectory();
    void openPickerReturnsTheFile();
    void directoryPickerShowsDirectoriesOnly();
    void saveModeAddsTheExtension();
    void folderModeAddsTheSlash();
    void onlyTheArrowOpens();

private:
    QTemporaryDir m_dir;
};

void TestFilePickers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).mkdir(QStringLiteral("records"));
    QFile file(m_dir.filePath(QStringLiteral("Varrow.db")));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestFilePickers::extension_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("completed");
    QTest::newRow("log") << "XML(*.xml)"
                         << "log"
                         << "log.xml";
    QTest::newRow("log.xml") << "XML(*.xml)"
                             << "log.xml"
                             << "log.xml";
    QTest::newRow("case-sensitive") << "XML(*.xml)"
                                    << "log.XML"
                                    << "log.XML.xml";
    QTest::newRow("first of several") << "Logs (*.xml *.txt)"
                                      << "a"
                                      << "a.xml";
    QTest::newRow("no star: no extension") << "XML files"
                                           << "a"
                                           << "a";
    QTest::newRow("any file") << "All(*)"
                              << "a"
                              << "a";
}

void TestFilePickers::extension()
{
    QFETCH(QString, filter);
    QFETCH(QString, name);
    QFETCH(QString, completed);
    QCOMPARE(CPathComboBox::CompleteFileName(name, filter), completed);
}

void TestFilePickers::startDirectory()
{
    const QString root = QDir(m_dir.path()).canonicalPath();
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("records/"))), root + "/records");
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("Varrow.db"))), root);
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("new.xml"))), root);
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("gone/new.xml"))),
             QDir::currentPath());
    QCOMPARE(CFileDialog::StartDirectory(QString()), QDir::currentPath());
}

void TestFilePickers::openPickerReturnsTheFile()
{
    QWidget parent;
    CModalDriver driver;
    const QString file = m_dir.filePath(QStringLiteral("Varrow.db"));
    QString startedIn;
    Choose(driver, file, [&](QFileDialog* picker) { startedIn = picker->directory().absolutePath(); });
    QCOMPARE(
        CFileDialog::GetOpenFileName(&parent, QStringLiteral("Import"), file, QStringLiteral("DB(*.db)")),
        file);
    QCOMPARE(startedIn, QDir(m_dir.path()).absolutePath());
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Import"));
    // Closing the picker's box is no choice.
    driver.Click(QStringLiteral("m_pCloseBtn"));
    QVERIFY(CFileDialog::GetOpenFileName(&parent, QStringLiteral("Import"), file).isEmpty());
    QVERIFY(driver.Failures().isEmpty());
}

void TestFilePickers::directoryPickerShowsDirectoriesOnly()
{
    QWidget parent;
    CModalDriver driver;
    bool dirsOnly = false;
    const QString folder = m_dir.filePath(QStringLiteral("records"));
    Choose(driver, folder, [&](QFileDialog* picker) {
        dirsOnly =
            picker->fileMode() == QFileDialog::Directory && picker->testOption(QFileDialog::ShowDirsOnly);
    });
    QCOMPARE(CFileDialog::GetExistingDirectory(&parent, QString(), m_dir.path(), QFileDialog::ShowDirsOnly),
             folder);
    QVERIFY(dirsOnly);
}

void TestFilePickers::saveModeAddsTheExtension()
{
    // The completion cases themselves are in extension(); here only that the box applies it.
    const QString shown = m_dir.filePath(QStringLiteral("log.xml"));
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeSaveFile);
    box.SetCaption(QStringLiteral("Select Log Backup File"));
    box.SetFilter(QStringLiteral("XML(*.xml)"));
    CModalDriver driver;
    Choose(driver, m_dir.filePath(QStringLiteral("log")));
    box.showPopup();
    QCOMPARE(box.count(), 1);
    QCOMPARE(box.currentText(), shown);
    QCOMPARE(box.toolTip(), shown);
    // A cancelled picker leaves the box as it was.
    driver.Reject();
    box.showPopup();
    QCOMPARE(box.currentText(), shown);
    QCOMPARE(driver.Pending(), 0);
}

void TestFilePickers::folderModeAddsTheSlash()
{
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeDirectory);
    CModalDriver driver;
    Choose(driver, m_dir.filePath(QStringLiteral("records")));
    box.showPopup();
    QCOMPARE(box.currentText(), m_dir.filePath(QStringLiteral("records/")));
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Select Directory"));
}

void TestFilePickers::onlyTheArrowOpens()
{
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeDirectory);
    box.addItem(m_dir.filePath(QStringLiteral("records/")));
    box.resize(200, 24);
    box.show();
    CModalDriver driver;
    QString startedIn;
    driver.Answer([&](QWidget* window) {
        startedIn = window->findChild<QFileDialog*>()->directory().absolutePath();
        window->close();
    });
    Press(&box, 20); // on the text
    QTest::qWait(30);
    QCOMPARE(driver.Pending(), 1);
    Press(&box, box.width() - 5); // on the arrow
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(startedIn, m_dir.filePath(QStringLiteral("records")));
    QCOMPARE(box.currentText(), m_dir.filePath(QStringLiteral("records/")));
}

VARROW_TEST_MAIN(TestFilePickers, QApplication)
#include "tst_gui_filepickers.moc"

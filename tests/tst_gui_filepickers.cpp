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

} // namespace

class TestFilePickers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void extension();
    void startDirectory();
    void openPickerReturnsTheFile();
    void saveModeAddsTheExtension();
    void folderModeAddsTheSlash();

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

void TestFilePickers::extension()
{
    const QList<std::tuple<const char*, const char*, const char*>> cases{{"XML(*.xml)", "log", "log.xml"},
                                                                         {"XML(*.xml)", "log.xml", "log.xml"},
                                                                         {"Logs (*.xml *.txt)", "a", "a.xml"},
                                                                         {"All(*)", "a", "a"}};
    for (const auto& [filter, name, completed] : cases)
        QCOMPARE(CPathComboBox::CompleteFileName(QString::fromLatin1(name), QString::fromLatin1(filter)),
                 QString::fromLatin1(completed));
}

void TestFilePickers::startDirectory()
{
    const QString root = QDir(m_dir.path()).canonicalPath();
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("records/"))), root + "/records");
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("Varrow.db"))), root);
    QCOMPARE(CFileDialog::StartDirectory(m_dir.filePath(QStringLiteral("gone/new.xml"))),
             QDir::currentPath());
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
    // Closing the picker's box is no choice.
    driver.Click(QStringLiteral("m_pCloseBtn"));
    QVERIFY(CFileDialog::GetOpenFileName(&parent, QStringLiteral("Import"), file).isEmpty());
    QVERIFY(driver.Failures().isEmpty());
}

void TestFilePickers::saveModeAddsTheExtension()
{
    const QString shown = m_dir.filePath(QStringLiteral("log.xml"));
    CPathComboBox box;
    box.SetMode(CPathComboBox::ModeSaveFile);
    box.SetFilter(QStringLiteral("XML(*.xml)"));
    CModalDriver driver;
    Choose(driver, m_dir.filePath(QStringLiteral("log")));
    box.showPopup();
    QCOMPARE(box.currentText(), shown);
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
}

VARROW_TEST_MAIN(TestFilePickers, QApplication)
#include "tst_gui_filepickers.moc"

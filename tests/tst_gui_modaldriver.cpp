// The modal-box driver that every window test relies on: a driver that misses a window blocks the suite, and
// one that answers the wrong window or reads the wrong text lets a test pass on a box it never checked.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

class TestModalDriver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersEachWindowInTurn();
};

void TestModalDriver::answersEachWindowInTurn()
{
    // A dialog with a title, two labels (one hidden) and a Yes button that ends it with code 7.
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Confirm"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Sure to close software"), &dialog));
    auto* hidden = new QLabel(QStringLiteral("hidden"), &dialog);
    hidden->hide();
    layout->addWidget(hidden);
    auto* yes = new QPushButton(QStringLiteral("&Yes"), &dialog);
    layout->addWidget(yes);
    connect(yes, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(7); });
    QDialog other;

    CModalDriver driver;
    driver.Accept();
    driver.Reject();
    driver.Click(QStringLiteral("Yes"));
    driver.Click(QStringLiteral("Maybe"));
    QCOMPARE(other.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    // The same dialog object run again is answered again.
    QCOMPARE(dialog.exec(), 7);
    // A button that is not there fails the answer, and the window still ends.
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(driver.Failures().size(), 1);
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(driver.Seen().size(), 4);
    QCOMPARE(driver.Seen().at(1).title, QStringLiteral("Confirm"));
    QCOMPARE(driver.Seen().at(1).Text(), QStringLiteral("Sure to close software"));
}

VARROW_TEST_MAIN(TestModalDriver, QApplication)
#include "tst_gui_modaldriver.moc"

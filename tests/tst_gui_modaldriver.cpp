// The modal-box driver that every window test relies on: a driver that misses a window blocks the suite, and
// one that answers the wrong window or reads the wrong text lets a test pass on a box it never checked.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// A dialog with a title, two labels (one hidden) and a Yes button that ends it with code 7.
class CProbeDialog : public QDialog
{
public:
    CProbeDialog()
    {
        setWindowTitle(QStringLiteral("Confirm"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Sure to close software"), this));
        auto* hidden = new QLabel(QStringLiteral("hidden"), this);
        hidden->hide();
        layout->addWidget(hidden);
        auto* yes = new QPushButton(QStringLiteral("&Yes"), this);
        layout->addWidget(yes);
        connect(yes, &QPushButton::clicked, this, [this] { done(7); });
    }
};
} // namespace

class TestModalDriver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersInOrderAndRecords();
    void sameDialogRunTwice();
    void missingButtonStillEndsTheWindow();
};

void TestModalDriver::answersInOrderAndRecords()
{
    CModalDriver driver;
    driver.Accept();
    driver.Reject();
    driver.Click(QStringLiteral("Yes"));
    CProbeDialog first, second, third;
    QCOMPARE(first.exec(), int(QDialog::Accepted));
    QCOMPARE(second.exec(), int(QDialog::Rejected));
    QCOMPARE(third.exec(), 7);
    QCOMPARE(driver.Pending(), 0);
    QCOMPARE(driver.Seen().size(), 3);
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Confirm"));
    QCOMPARE(driver.Seen().at(0).Text(), QStringLiteral("Sure to close software"));
}

void TestModalDriver::sameDialogRunTwice()
{
    CModalDriver driver;
    driver.Accept();
    driver.Click(QStringLiteral("Yes"));
    CProbeDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.exec(), 7);
    QCOMPARE(driver.Seen().size(), 2);
}

void TestModalDriver::missingButtonStillEndsTheWindow()
{
    CModalDriver driver;
    driver.Click(QStringLiteral("Maybe"));
    CProbeDialog dialog;
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(driver.Failures().size(), 1);
}

VARROW_TEST_MAIN(TestModalDriver, QApplication)
#include "tst_gui_modaldriver.moc"

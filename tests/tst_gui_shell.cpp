// The main window, its title bar and About: a tab that shows the wrong page or keeps the wrong picture, a
// full-screen toggle that cannot come back, a drag that starts in full screen, or a close that goes through
// without the operator's OK would all be seen at once by the operator.

#include "app/CDlgAbout.h"
#include "app/CVarrow.h"
#include "app/CWindowTitle.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPushButton.h"

#include <QFileInfo>
#include <QStackedWidget>

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void windowShape();
    void tabsSwitchPagesAndStyles_data();
    void tabsSwitchPagesAndStyles();
    void throughputReadOut();
    void fullScreenToggle();
    void dragging();
    void closeButtonAsksFirst();
    void about();

private:
    std::unique_ptr<CVarrow> m_window;
};

void TestShell::init()
{
    m_window = std::make_unique<CVarrow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestShell::cleanup()
{
    m_window.reset();
}

void TestShell::windowShape()
{
    QCOMPARE(m_window->size(), QSize(1024, 768));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(m_window->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(m_window->StackedWidget()->count(), 3);
    QCOMPARE(m_window->StackedWidget()->currentWidget(), static_cast<QWidget*>(m_window->ViewState()));
}

void TestShell::tabsSwitchPagesAndStyles_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("View Record File") << 1;
    QTest::newRow("View Log") << 2;
    QTest::newRow("View State") << 0;
}

void TestShell::tabsSwitchPagesAndStyles()
{
    QFETCH(int, tab);
    const VarrowClass& ui = m_window->Form();
    QPushButton* const tabs[] = {ui.pBtnViewState, ui.pBtnViewRecFile, ui.pBtnViewLog};
    QWidget* const pages[] = {m_window->ViewState(), m_window->ViewRecord(), m_window->SearchLog()};
    // Start from another page, so that a click that changes nothing cannot pass.
    tabs[(tab + 1) % 3]->click();
    tabs[tab]->click();
    QCOMPARE(m_window->StackedWidget()->currentWidget(), pages[tab]);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(tabs[i]->styleSheet(),
                 i == tab ? CVarrow::SelectedTabStyle() : CVarrow::UnselectedTabStyle());
    QCOMPARE(ui.pBtnConfig->styleSheet(), CVarrow::UnselectedTabStyle());
    QCOMPARE(ui.pBtnAbout->styleSheet(), CVarrow::UnselectedTabStyle());
}

void TestShell::throughputReadOut()
{
    // The first reading only sets the base.
    m_window->UpdateNetFlux();
    QCOMPARE(m_window->Form().pLabelData->text(), QStringLiteral("0.0 KB/S"));
    m_window->UpdateNetFlux();
    QVERIFY(m_window->Form().pLabelData->text().contains(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d KB/S$"))));
}

void TestShell::fullScreenToggle()
{
    CWindowTitle* title = m_window->WindowTitle();
    QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTRY_VERIFY(m_window->isFullScreen());
    QCOMPARE(title->MaxButton()->styleSheet(), CWindowTitle::MaxButtonStyle(true));
    QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTRY_VERIFY(!m_window->isFullScreen());
    QCOMPARE(title->MaxButton()->styleSheet(), CWindowTitle::MaxButtonStyle(false));
    title->MaxButton()->click();
    QTRY_VERIFY(m_window->isFullScreen());
    title->MaxButton()->click();
    QTRY_VERIFY(!m_window->isFullScreen());

    QVERIFY(!CWindowTitle::ScreenAllowsFull(QSize(1280, 720)));
    QVERIFY(CWindowTitle::ScreenAllowsFull(QSize(1024, 768)));
}

void TestShell::dragging()
{
    CWindowTitle* title = m_window->WindowTitle();
    m_window->move(100, 100);
    QTRY_COMPARE(m_window->pos(), QPoint(100, 100));
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 10));
    QVERIFY(title->IsDragging());
    QTest::mouseMove(title, QPoint(340, 60));
    QTRY_COMPARE(m_window->pos(), QPoint(140, 150));
    // Partly off the screen is allowed. (The bar has moved with the window: the point is local to it.)
    QTest::mouseMove(title, QPoint(-200, 60));
    QTRY_COMPARE(m_window->pos(), QPoint(140 - 500, 150 + 50));
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(-200, 60));
    QVERIFY(!title->IsDragging());

    // In full screen a press starts no drag.
    m_window->showFullScreen();
    QTRY_VERIFY(m_window->isFullScreen());
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 10));
    QVERIFY(!title->IsDragging());
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(300, 10));
}

void TestShell::closeButtonAsksFirst()
{
    CModalDriver driver;
    driver.Reject();
    m_window->WindowTitle()->CloseButton()->click();
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen().first().title, QStringLiteral("Confirm"));
    QVERIFY(m_window->isVisible() && m_window->ViewState() != nullptr);
}

void TestShell::about()
{
    CModalDriver driver;
    QWidget* parent = m_window.get();
    QString label;
    driver.Answer([&](QWidget* box) {
        parent = box->parentWidget();
        label = box->findChild<QLabel*>(QStringLiteral("pLabelAbout"))->text();
        QTest::keyClick(box, Qt::Key_Escape); // does nothing
        QVERIFY(box->isVisible());
        QTest::keyClick(box, Qt::Key_Return);
    });
    m_window->Form().pBtnAbout->click();
    QCOMPARE(driver.Pending(), 0);
    QVERIFY(parent == nullptr);
    QCOMPARE(driver.Seen().first().title, QStringLiteral("About"));
    QCOMPARE(label, QStringLiteral("Varrow software V2.00.00.04"));

    CDlgAbout box(nullptr);
    driver.Answer([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Enter); });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess();
    const QString screens =
        QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/screens/1280x1024.json");
    qputenv("QT_QPA_PLATFORM", (QStringLiteral("offscreen:configfile=") + screens).toLocal8Bit());
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    TestShell test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_shell.moc"

// The main window and its title bar: a tab that shows the wrong page or keeps the wrong picture, a
// full-screen toggle that cannot come back, or a drag that starts in full screen would all be seen at once by
// the operator.

#include "app/CVarrow.h"
#include "app/CDlgAbout.h"
#include "app/CWindowTitle.h"
#include "config/CDlgSet.h"
#include "config/pickers/CDlgManualBackup.h"
#include "pages/log/CLogBackup.h"
#include "pages/record/CExportRecord.h"
#include "widgets/dialogs/CProgress.h"
#include "widgets/dialogs/ChaseDialog.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/dialogs/CPushButton.h"

#include <QFileInfo>
#include <QLabel>
#include <QStackedWidget>

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tabsSwitchPagesAndStyles();
    void fullScreenToggleAndDragging();
    void windowSizes();
    void aboutOpensOverTheMovedWindow();

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

void TestShell::tabsSwitchPagesAndStyles()
{
    const VarrowClass& ui = m_window->Form();
    // The window opens on the state page: its tab alone is drawn selected, Config and About never are.
    QCOMPARE(m_window->StackedWidget()->currentWidget(), m_window->ViewState());
    const QPushButton* const all[] = {ui.pBtnViewState, ui.pBtnViewRecFile, ui.pBtnViewLog, ui.pBtnConfig,
                                      ui.pBtnAbout};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(all[i]->styleSheet(), i == 0 ? CVarrow::SelectedTabStyle() : CVarrow::UnselectedTabStyle());
    QPushButton* const tabs[] = {ui.pBtnViewState, ui.pBtnViewRecFile, ui.pBtnViewLog};
    QWidget* const pages[] = {m_window->ViewState(), m_window->ViewRecord(), m_window->SearchLog()};
    // From the state page to the others and back, so that a click that changes nothing cannot pass.
    for (int tab : {1, 2, 0}) {
        tabs[tab]->click();
        QCOMPARE(m_window->StackedWidget()->currentWidget(), pages[tab]);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(tabs[i]->styleSheet(),
                     i == tab ? CVarrow::SelectedTabStyle() : CVarrow::UnselectedTabStyle());
    }
}

void TestShell::fullScreenToggleAndDragging()
{
    CWindowTitle* title = m_window->WindowTitle();
    m_window->move(100, 100);
    QTRY_COMPARE(m_window->pos(), QPoint(100, 100));
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseMove(title, QPoint(340, 60));
    QTRY_COMPARE(m_window->pos(), QPoint(140, 150));
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(340, 60));
    QVERIFY(!title->IsDragging());

    // A double click on the bar goes full screen, the max button comes back; in full screen a press starts no
    // drag.
    QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(300, 10));
    QTRY_VERIFY(m_window->isFullScreen());
    QCOMPARE(title->MaxButton()->styleSheet(), CWindowTitle::MaxButtonStyle(true));
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 10));
    QVERIFY(!title->IsDragging());
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(300, 10));
    title->MaxButton()->click();
    QTRY_VERIFY(!m_window->isFullScreen());
    QCOMPARE(title->MaxButton()->styleSheet(), CWindowTitle::MaxButtonStyle(false));
    QVERIFY(!CWindowTitle::ScreenAllowsFull(QSize(1280, 720)));
    // Full screen needs at least 1024 x 768: one pixel less either way is refused.
    QVERIFY(CWindowTitle::ScreenAllowsFull(QSize(1024, 768)));
    QVERIFY(!CWindowTitle::ScreenAllowsFull(QSize(1023, 768)));
    QVERIFY(!CWindowTitle::ScreenAllowsFull(QSize(1024, 767)));
}

// The windows keep the sizes their layouts were made for, whatever the language's texts.
void TestShell::windowSizes()
{
    CDlgAbout about(nullptr);
    CDlgSet settings(nullptr);
    CDlgManualBackup manual(nullptr);
    CLogBackup logBackup(nullptr);
    CExportRecord exportRecord(nullptr);
    CProgress progress(nullptr);
    ChaseDialog chase(nullptr, QStringLiteral(":/images/Loading.gif"), QStringLiteral("..."), true);
    const std::pair<QWidget*, QSize> windows[] = {{m_window.get(), {1024, 768}}, {&about, {400, 200}},
                                                  {&settings, {850, 637}},       {&manual, {600, 700}},
                                                  {&logBackup, {300, 180}},      {&exportRecord, {300, 180}},
                                                  {&progress, {374, 184}},       {&chase, {280, 190}}};
    for (const auto& [window, size] : windows) {
        QCOMPARE(window->minimumSize(), size);
        QCOMPARE(window->maximumSize(), size);
    }
    // The settings open on General; each tab shows its page and alone is drawn selected.
    QPushButton* const tabs[] = {settings.Form().pBtnGeneral, settings.Form().pBtnDevice,
                                 settings.Form().pBtnSchedule};
    for (const int page : {0, 2, 1, 0}) {
        if (page != 0 || settings.Stack()->currentIndex() != 0)
            tabs[page]->click();
        QCOMPARE(settings.Stack()->currentIndex(), page);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(tabs[i]->styleSheet(),
                     i == page ? CDlgSet::SelectedTabStyle() : CDlgSet::UnselectedTabStyle());
    }
    about.show();
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("pLabelAbout"))->text(),
             QStringLiteral("Varrow software V2.00.00.04"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
}

// Moved away from the screen's centre, the window still has About open over it, as every other dialog.
void TestShell::aboutOpensOverTheMovedWindow()
{
    m_window->move(150, 120);
    QTRY_COMPARE(m_window->pos(), QPoint(150, 120));
    CModalDriver driver;
    QWidget* parent = nullptr;
    QRect about;
    driver.Answer([&](QWidget* box) {
        parent = box->parentWidget();
        about = box->frameGeometry();
        static_cast<QDialog*>(box)->reject();
    });
    m_window->Form().pBtnAbout->click();
    QCOMPARE(driver.Seen().value(0).title, QStringLiteral("About"));
    QCOMPARE(parent, m_window.get());
    const QPoint offset = about.center() - m_window->frameGeometry().center();
    QVERIFY2(
        offset.manhattanLength() <= 2,
        qPrintable(
            QStringLiteral("About's centre is off the window's by (%1,%2)").arg(offset.x()).arg(offset.y())));
}

int main(int argc, char** argv)
{
    TestSupport::PrepareProcess(true);
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    TestShell test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_shell.moc"

// The main window and its title bar: a tab that shows the wrong page or keeps the wrong picture, a
// full-screen toggle that cannot come back, or a drag that starts in full screen would all be seen at once by
// the operator.

#include "app/CVarrow.h"
#include "app/CWindowTitle.h"
#include "tests/support/TestSupport.h"
#include "widgets/dialogs/CPushButton.h"

#include <QFileInfo>
#include <QStackedWidget>

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void tabsSwitchPagesAndStyles();
    void fullScreenToggleAndDragging();

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

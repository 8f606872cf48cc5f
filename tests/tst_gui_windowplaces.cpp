// Where dialogs, boxes and bubbles open under a real X server with a window manager (Xvfb and openbox,
// started by the test on a free display), and where a real click lands. The headless platform places every
// window where it is asked and cannot show these faults: there a dialog centred on a parent recorded at the
// screen's origin, a bubble placed from such a record, or a bubble that swallows the click meant for the
// field under it all look right. Each window is opened many times, because the window manager's race that
// left a record at the origin came in one opening of a few.

#include "config/CDlgSet.h"
#include "config/devices/CDlgAddDevice.h"
#include "config/plans/CDlgCfgPlan.h"
#include "config/system/CDlgCfgSystem.h"
#include "model/SysInfoManage.h"
#include "tests/support/TempDatabase.h"
#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "tests/support/gui/XSession.h"
#include "widgets/dialogs/CPushButton.h"
#include "widgets/dialogs/CToolTip.h"
#include "widgets/dialogs/CWarnDlg.h"
#include "widgets/style/COmbrixStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {

constexpr int kRounds = 5;

QString Where(const QRect& r)
{
    return QStringLiteral("(%1,%2) %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A field's rectangle on the screen, through its window's place as the X server has it.
QRect FieldOnScreen(QWidget* field)
{
    return QRect(CXSession::ServerGeometry(field->window()).topLeft() +
                     field->mapTo(field->window(), QPoint()),
                 field->size());
}

// Empty when the window's frame is centred (to a pixel) on its parent's, both as the X server has them, and
// the toolkit maps the window's points where the X server has the window; else what is wrong.
QString CheckCentred(QWidget* window, QWidget* parent, const QString& what)
{
    if (!QTest::qWaitForWindowExposed(window))
        return what + QStringLiteral(": never shown");
    const QRect own = CXSession::ServerGeometry(window);
    const QRect over = CXSession::ServerGeometry(parent);
    QStringList wrong;
    const QPoint offset = (own.topLeft() + QPoint(own.width() / 2, own.height() / 2)) -
                          (over.topLeft() + QPoint(over.width() / 2, over.height() / 2));
    if (std::abs(offset.x()) > 1 || std::abs(offset.y()) > 1)
        wrong << QStringLiteral("at %1, not centred on its parent at %2").arg(Where(own), Where(over));
    const QPoint mapped = window->mapToGlobal(QPoint(0, 0));
    if (mapped != own.topLeft())
        wrong << QStringLiteral("its points are mapped from (%1,%2)").arg(mapped.x()).arg(mapped.y());
    return wrong.isEmpty() ? QString() : what + QStringLiteral(": ") + wrong.join(QStringLiteral("; "));
}

QWidget* VisibleTopLevel(const char* className, const QString& objectName = QString())
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->inherits(className) &&
            (objectName.isEmpty() || top->objectName() == objectName))
            return top;
    return nullptr;
}

// Empty when the program's bubble shows `text` just below the field's top-left corner on the screen.
QString CheckBubbleAt(QWidget* field, const QString& text, const QString& what)
{
    // Held weakly: the bubble may close and go while the wait below runs the event loop.
    const QPointer<QWidget> bubble = VisibleTopLevel("CToolLabel", QStringLiteral("ctooltip_label"));
    if (bubble == nullptr || CToolTip::Text() != text)
        return what + QStringLiteral(": no bubble \"%1\" (shown: \"%2\")").arg(text, CToolTip::Text());
    const auto exposed = [&bubble] {
        return bubble.isNull() || (bubble->windowHandle() != nullptr && bubble->windowHandle()->isExposed());
    };
    if (!QTest::qWaitFor(exposed, 5000) || bubble.isNull())
        return what + QStringLiteral(": the bubble never showed");
    const QRect tip = CXSession::ServerGeometry(bubble);
    const QRect at = FieldOnScreen(field);
    if (tip.topLeft() != at.topLeft() + QPoint(2, 21))
        return what + QStringLiteral(": bubble at %1, the field at %2").arg(Where(tip), Where(at));
    return QString();
}

template <typename T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

// A loopback port on which nothing listens: a login there is refused at once.
quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestWindowPlaces : public QObject
{
    Q_OBJECT

public:
    explicit TestWindowPlaces(const CXSession& x) : m_x(x) {}

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void settingsWindowsOpenOverTheirParents();
    void bubbleLetsAClickThroughToTheFieldBelow();

private:
    const CXSession& m_x;
    std::unique_ptr<CTempDatabase> m_db;
    // Stands for the main window: frameless, placed by the window manager.
    std::unique_ptr<QWidget> m_main;
};

void TestWindowPlaces::initTestCase()
{
    if (!m_x.Running())
        QSKIP(qPrintable(m_x.Reason()));
}

void TestWindowPlaces::init()
{
    CToolTip::HideText();
    m_db = std::make_unique<CTempDatabase>();
    QVERIFY(m_db->IsValid());
    m_main = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
    m_main->setFixedSize(1024, 768);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TestWindowPlaces::cleanup()
{
    CToolTip::HideText();
    m_main.reset();
    m_db.reset();
}

// The settings dialog over the main window; over it the plan-name dialog and its bubble, the channel chooser,
// the copy-schedule dialog, a message box, the add-device dialog and its "Log in failed" box; the mail port's
// tooltip. Every one, every round, stands where it belongs on the screen.
void TestWindowPlaces::settingsWindowsOpenOverTheirParents()
{
    const QString closedPort = QString::number(ClosedPort());
    QStringList wrong;
    auto note = [&wrong](const QString& problem) {
        if (!problem.isEmpty())
            wrong << problem;
    };
    for (int round = 0; round < kRounds; ++round) {
        CModalDriver driver;
        CDlgSet settings(m_main.get());
        settings.show();
        note(CheckCentred(&settings, m_main.get(), QStringLiteral("settings")));

        settings.Form().pBtnSchedule->click();
        auto* plans = settings.findChild<CDlgCfgPlan*>();
        QVERIFY(plans != nullptr);
        driver.Answer([&](QWidget* window) {
            note(CheckCentred(window, &settings, QStringLiteral("plan name")));
            auto* field = Child<QLineEdit>(window, "m_pLineEditPlanName");
            Child<QPushButton>(window, "m_pushButtonOK")->click();
            note(CheckBubbleAt(field, QStringLiteral("Schedule name cannot be empty"),
                               QStringLiteral("plan name")));
            field->setText(QStringLiteral("Gate %1").arg(round));
            Child<QPushButton>(window, "m_pushButtonOK")->click();
        });
        Child<QPushButton>(plans, "m_pBtnAdd")->click();
        QCOMPARE(driver.Pending(), 0);

        for (const char* button : {"m_pushButtonChooseChannel", "m_pBtnCopy"}) {
            driver.Answer([&](QWidget* window) {
                note(CheckCentred(window, &settings, QString::fromLatin1(window->metaObject()->className())));
                qobject_cast<QDialog*>(window)->reject();
            });
            Child<QPushButton>(plans, button)->click();
            QCOMPARE(driver.Pending(), 0);
        }

        driver.Answer([&](QWidget* window) {
            note(CheckCentred(window, &settings, QStringLiteral("message box")));
            qobject_cast<QDialog*>(window)->accept();
        });
        ShowInfoMsgBox(QStringLiteral("Information"), QStringLiteral("A message over the settings."),
                       &settings);

        // A recorder that refuses the connection: the box says so over the add-device dialog.
        settings.Form().pBtnDevice->click();
        QPointer<QDialog> adding;
        driver.Answer([&](QWidget* window) {
            adding = qobject_cast<QDialog*>(window);
            note(CheckCentred(window, &settings, QStringLiteral("add device")));
            const CDlgAddDeviceClass& form = qobject_cast<CDlgAddDevice*>(window)->Form();
            form.m_plineEditDeviceName->setText(QStringLiteral("Gate"));
            form.m_plineEditDeviceIP->setText(QStringLiteral("127.0.0.1"));
            form.m_plineEditDevicePort->setText(closedPort);
            form.m_plineEditDeviceUserName->setText(QStringLiteral("admin"));
            form.m_plineEditDevicePassWord->setText(QStringLiteral("12345"));
            // Pressed from the dialog's own loop, so that the box that follows gets the next answer.
            QTimer::singleShot(0, Child<QPushButton>(window, "pOkBtn"), &QPushButton::click);
        });
        driver.Answer([&](QWidget* window) {
            note(CheckCentred(window, adding, QStringLiteral("Log in failed")));
            qobject_cast<QDialog*>(window)->accept();
            QTimer::singleShot(0, adding, &QDialog::reject);
        });
        Child<QPushButton>(&settings, "m_pBtnAddDevice")->click();
        QCOMPARE(driver.Pending(), 0);
        QVERIFY(!driver.Seen().isEmpty());
        // The box says why on its second line; its first is the refusal itself.
        QCOMPARE(driver.Seen().last().Text().section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Log in failed"));

        // The mail port's tooltip, the toolkit's own, below the port field.
        settings.Form().pBtnGeneral->click();
        DlgCfgSystem& system = settings.SystemPage()->Form();
        system.m_pcheckBoxEmail->setChecked(true);
        system.m_plineEditPort->setText(QStringLiteral("70000"));
        Child<QPushButton>(&settings, "pOkBtn")->click();
        QWidget* tip = nullptr;
        TRY_VERIFY((tip = VisibleTopLevel("QTipLabel")) != nullptr, TestSupport::Bound(3000));
        const QRect shown = CXSession::ServerGeometry(tip);
        const QRect field = FieldOnScreen(system.m_plineEditPort);
        if (std::abs(shown.left() - field.left()) > 8 || shown.top() < field.top() ||
            shown.top() > field.bottom() + 24)
            wrong
                << QStringLiteral("mail port tooltip at %1, the field at %2").arg(Where(shown), Where(field));
        settings.reject();
        QVERIFY(driver.Failures().isEmpty());
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
}

// A real click on the bubble, over the next field, goes to that field: the address typed next is in the
// address field, and the refused name stays empty.
void TestWindowPlaces::bubbleLetsAClickThroughToTheFieldBelow()
{
    if (!m_x.HasPointer())
        QSKIP("no xdotool to click and type with the X server's own input (scripts/install-deps.sh)");
    for (int round = 0; round < kRounds; ++round) {
        CModalDriver driver;
        CDlgAddDevice dialog(QModelIndex(), nullptr, m_main.get());
        QString address;
        QString name;
        QString problem;
        driver.Answer([&](QWidget* window) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            // The bubble goes when a window is activated: on a busy machine the window manager may activate
            // the dialog only after it is drawn, and that would take the bubble away before it is looked at.
            QVERIFY(QTest::qWaitForWindowActive(window));
            const CDlgAddDeviceClass& form = dialog.Form();
            Child<QPushButton>(window, "pOkBtn")->click();
            problem = CheckBubbleAt(form.m_plineEditDeviceName, QStringLiteral("Nick name cannot be empty."),
                                    QStringLiteral("name"));
            QWidget* bubble = VisibleTopLevel("CToolLabel", QStringLiteral("ctooltip_label"));
            const QRect field = FieldOnScreen(form.m_plineEditDeviceIP);
            const QPoint target(field.left() + 30, field.center().y());
            const QRect covering = CXSession::ServerGeometry(bubble);
            if (problem.isEmpty() && !covering.contains(target))
                problem = QStringLiteral("the bubble at %1 does not cover the address field at %2")
                              .arg(Where(covering), Where(field));
            if (problem.isEmpty() && (!m_x.Click(target) || !m_x.Type(QStringLiteral("10.1.1.1"))))
                problem = QStringLiteral("xdotool failed");
            [[maybe_unused]] const bool typed = QTest::qWaitFor(
                [&] {
                    return form.m_plineEditDeviceIP->text().size() == 8 ||
                           form.m_plineEditDeviceName->text().size() == 8;
                },
                TestSupport::Bound(3000));
            address = form.m_plineEditDeviceIP->text();
            name = form.m_plineEditDeviceName->text();
            dialog.reject();
        });
        dialog.exec();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(address, QStringLiteral("10.1.1.1"));
        QCOMPARE(name, QString());
    }
}

int main(int argc, char** argv)
{
    // The server and its window manager outlive the application object, which talks to them to its end.
    const CXSession x;
    x.PrepareProcess();
    QApplication app(argc, argv);
    TestSupport::ProcessAppDir();
    // The program's look: the bubble's size, and so what it covers, follows its font and style sheet.
    app.setFont(QFont(QStringLiteral("Arial"), 9));
    app.setStyle(new COmbrixStyle);
    QFile sheet(QStringLiteral(":/qss/Quessel.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromLatin1(sheet.readAll()));
    QFont tipFont;
    tipFont.setPointSize(10);
    CToolTip::SetFont(tipFont);
    TestWindowPlaces test(x);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui_windowplaces.moc"

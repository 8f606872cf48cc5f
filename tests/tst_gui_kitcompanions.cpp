// The widget kit's companion pieces. The embeddable frame: a wrong result turns a Cancel into an OK, a second
// accept reports the end twice, and the frame and its pop-up, each deletable first, must never be deleted
// twice (run under AddressSanitizer). The relay: a box built on a worker thread breaks the toolkit, one
// queued from the GUI thread comes too late for its caller. The notice: a text in the wrong widget is
// clipped, a notice that hides under the cursor vanishes while read, one that never hides stays on top. The
// desk face: a face that keeps yesterday is wrong all day, and a calendar that opens away from the cursor
// closes at once. Timers are fired by hand and the face's clock is pinned: nothing waits 3 s or for midnight.

#include "tests/support/TestSupport.h"
#include "tests/support/gui/ModalDriver.h"
#include "widgets/calendar/CCalendarLabel.h"
#include "widgets/calendar/CCalendarModel.h"
#include "widgets/calendar/CCalendarView.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/dialogs/CBaseDialog.h"
#include "widgets/dialogs/CInformationDlg.h"
#include "widgets/dialogs/CMutiroleDialog.h"
#include "widgets/dialogs/CWarnInfoDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

class TestKitCompanions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void relay_data();
    void relay(); // first: the relay's first use is on a worker
    void frameAnswers_data();
    void frameAnswers();
    void framePopups();
    void frameLifetimes_data();
    void frameLifetimes();
    void noticeLabelOrTextView_data();
    void noticeLabelOrTextView();
    void noticeHides_data();
    void noticeHides();
    void faceNextDayCheck_data();
    void faceNextDayCheck();
    void faceTurnsAtMidnight();
    void faceCalendar();
};

namespace {

// A page with the frame embedded, and a field in the frame.
struct PAGE
{
    QPointer<QWidget> window = new QWidget;
    QPointer<CMutiroleDialog> frame = new CMutiroleDialog(window);
    QPointer<QLineEdit> field = new QLineEdit(frame);
    PAGE()
    {
        (new QVBoxLayout(window))->addWidget(frame);
        frame->resize(300, 200);
    }
    ~PAGE() { delete window; }
};

QAbstractButton* Button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QAbstractButton*>(QLatin1String(name));
}

void Fire(QTimer* timer)
{
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

} // namespace

void TestKitCompanions::relay_data()
{
    QTest::addColumn<bool>("fromWorker");
    QTest::addColumn<bool>("parentGone");
    QTest::newRow("worker: queued to the GUI thread") << true << false;
    QTest::newRow("GUI thread: at once") << false << false;
    QTest::newRow("worker, parent window closed meanwhile") << true << true;
}

void TestKitCompanions::relay()
{
    QFETCH(bool, fromWorker);
    QFETCH(bool, parentGone);
    QPointer<QWidget> parent = new QWidget;
    CModalDriver driver;
    QThread* shownOn = nullptr;
    QWidget* shownOver = nullptr;
    driver.Answer([&](QWidget* box) {
        shownOn = QThread::currentThread();
        shownOver = box->parentWidget();
        box->close();
    });
    auto emitIt = [] {
        Q_EMIT CWarnInfoDlg::Instance()->ShowMsgInfoSig(QStringLiteral("Information"),
                                                        QStringLiteral("Done."));
    };
    if (fromWorker) {
        QScopedPointer<QThread> worker(QThread::create(emitIt));
        worker->start();
        QVERIFY(worker->wait(TestSupport::Bound(5000)));
        QCOMPARE(CWarnInfoDlg::Instance()->thread(), qApp->thread());
        QCOMPARE(driver.Seen().size(), 0); // queued: nothing until the GUI thread runs its events
        CWarnInfoDlg::SetParentWidget(parent);
        if (parentGone)
            delete parent;
        TRY_COMPARE(driver.Seen().size(), 1, TestSupport::Bound(5000));
    } else {
        CWarnInfoDlg::SetParentWidget(parent);
        emitIt();
        QCOMPARE(driver.Seen().size(), 1); // direct: shown and closed before the emit returned
    }
    QCOMPARE(shownOn, qApp->thread());
    QCOMPARE(shownOver, parent.data());
    QCOMPARE(driver.Seen().at(0).Text(), QStringLiteral("Done."));
    delete parent;
}

void TestKitCompanions::frameAnswers_data()
{
    QTest::addColumn<int>("key"); // pressed in the frame's field; Cancel ends a pop-up left open
    QTest::addColumn<int>("result");
    QTest::newRow("Return accepts") << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter accepts") << int(Qt::Key_Enter) << 1;
    QTest::newRow("Select accepts") << int(Qt::Key_Select) << 1;
    QTest::newRow("Escape does nothing") << int(Qt::Key_Escape) << 0;
}

void TestKitCompanions::frameAnswers()
{
    QFETCH(int, key);
    QFETCH(int, result);
    PAGE page;
    CModalDriver driver;
    int accepted = 0;
    bool openAfterKey = false;
    driver.Answer([&](QWidget* popup) {
        connect(static_cast<QDialog*>(popup), &QDialog::accepted, [&] { ++accepted; });
        QTest::keyClick(page.field, Qt::Key(key));
        if ((openAfterKey = popup->isVisible()))
            Button(popup, "pCancelBtn")->click();
    });
    QCOMPARE(page.frame->ExecDialog(page.window, QStringLiteral("Plan name")), result);
    QCOMPARE(driver.Seen().size(), 1);
    QCOMPARE(driver.Seen().at(0).title, QStringLiteral("Plan name"));
    QCOMPARE(openAfterKey, result == 0);
    QCOMPARE(accepted, result); // once, not by the frame and again by the pop-up
}

void TestKitCompanions::framePopups()
{
    PAGE page;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(page.frame, &key);
    QVERIFY(!key.isAccepted()); // embedded, the frame leaves its keys to the page
    CModalDriver driver;
    driver.Reject();
    page.frame->ShowDialog(nullptr, QStringLiteral("No parent: nothing"));
    QVERIFY(page.frame->PopupDialog() == nullptr);
    QCOMPARE(page.frame->ExecDialog(nullptr, QStringLiteral("Own window")), 0);
    CBaseDialog* popup = page.frame->PopupDialog();
    QVERIFY(popup->parentWidget() == nullptr);
    QCOMPARE(popup->size(), QSize(300, 200)); // the frame's size in the page

    // Modeless: the given size, the close button (which closes it), no OK and Cancel.
    page.frame->ShowModelessDialog(page.window, QStringLiteral("Modeless"), 360, 220);
    QVERIFY(popup->isVisible() && !popup->isModal() && popup->parentWidget() == page.window);
    QCOMPARE(popup->size(), QSize(360, 220));
    QVERIFY(!popup->findChild<QWidget*>(QStringLiteral("m_pBottomFrame"))->isVisible());
    Button(popup, "m_pCloseBtn")->click();
    QVERIFY(!popup->isVisible());

    // Modal again: OK and Cancel back, no close button, and the size kept (not the frame's inside it).
    QSize size;
    driver.Answer([&](QWidget* shown) {
        size = Button(shown, "pOkBtn")->isVisible() && !Button(shown, "m_pCloseBtn")->isVisible()
                   ? shown->size()
                   : QSize();
        static_cast<QDialog*>(shown)->reject();
    });
    page.frame->ShowDialog(page.window, QStringLiteral("Again"));
    QCOMPARE(size, QSize(360, 220));

    // With a pop-up, moving and resizing act on the pop-up, not on the frame inside it.
    page.frame->Resize(400, 250);
    page.frame->Move(12, 34);
    QCOMPARE(popup->geometry(), QRect(12, 34, 400, 250));
}

void TestKitCompanions::frameLifetimes_data()
{
    QTest::addColumn<QString>("first"); // what goes first
    QTest::newRow("frame, pop-up shown") << "frame";
    QTest::newRow("frame, while its modal pop-up runs") << "frame in exec";
    QTest::newRow("pop-up's parent window") << "window";
    QTest::newRow("pop-up") << "popup";
}

void TestKitCompanions::frameLifetimes()
{
    QFETCH(QString, first);
    PAGE page;
    QPointer<QWidget> other = new QWidget; // the pop-up's parent
    QPointer<CBaseDialog> popup;
    if (first == QLatin1String("frame in exec")) {
        CModalDriver driver;
        driver.Answer([&](QWidget* shown) {
            popup = static_cast<CBaseDialog*>(shown);
            delete page.frame;
        });
        QCOMPARE(page.frame->ExecDialog(other, QStringLiteral("t")), 0);
    } else {
        page.frame->ShowModelessDialog(other, QStringLiteral("t"), 200, 200);
        popup = page.frame->PopupDialog();
        if (first == QLatin1String("frame"))
            delete page.frame;
        else
            delete (first == QLatin1String("window") ? static_cast<QWidget*>(other) : popup);
    }
    // The frame takes its pop-up along; a pop-up that goes first takes the frame inside it.
    QVERIFY(popup.isNull() && page.frame.isNull() && page.field.isNull() && !page.window.isNull());
    delete other;
}

void TestKitCompanions::noticeLabelOrTextView_data()
{
    QTest::addColumn<int>("textWidth");
    QTest::addColumn<bool>("label");
    QTest::newRow("184 px: label") << 184 << true;
    QTest::newRow("185 px: text view") << 185 << false;
}

void TestKitCompanions::noticeLabelOrTextView()
{
    QFETCH(int, textWidth);
    QFETCH(bool, label);
    QCOMPARE(CInformationDlg::FitsLabel(textWidth), label);
    // Real texts on each side of the edge, each after a text that took the other widget.
    CInformationDlg notice;
    auto* labelView = notice.findChild<QLabel*>();
    auto* textView = notice.findChild<QTextEdit*>();
    const QFontMetrics metrics(labelView->font());
    QString text = QStringLiteral("i");
    while (metrics.horizontalAdvance(text + QLatin1Char('i')) <= 184)
        text += QLatin1Char('i');
    text += label ? QString() : QStringLiteral("i");
    notice.SetText(label ? text + text : QStringLiteral("x"));
    notice.SetText(text);
    QCOMPARE(labelView->isVisibleTo(&notice), label);
    QCOMPARE(textView->isVisibleTo(&notice), !label);
    QCOMPARE(labelView->text() + textView->toPlainText(), text);
    QCOMPARE(labelView->alignment(), label ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
}

void TestKitCompanions::noticeHides_data()
{
    QTest::addColumn<bool>("cursorOver");
    QTest::newRow("cursor away: hides") << false;
    QTest::newRow("cursor over: stays until a look finds it gone") << true;
}

void TestKitCompanions::noticeHides()
{
    QFETCH(bool, cursorOver);
    CInformationDlg::ShowText(QStringLiteral("no parent"));
    CInformationDlg::ShowTextAt(QStringLiteral("no parent"), QPoint(300, 300));
    QVERIFY(!CInformationDlg::Instance()->isVisible()); // nothing without a parent
    QWidget parent;
    CInformationDlg::ShowTextInCorner(QStringLiteral("Backup ended."), &parent);
    CInformationDlg* notice = CInformationDlg::Instance();
    QCOMPARE(notice->frameGeometry(),
             QRect(QPoint(), QSize(200, 150))
                 .translated(parent.screen()->availableGeometry().bottomRight() - QPoint(199, 149)));
    QTimer* timer = notice->findChild<QTimer*>();
    QVERIFY(notice->isVisible() && timer->isActive() && timer->interval() == 3000);
    QCursor::setPos(cursorOver ? notice->frameGeometry().center() : QPoint(0, 0));
    Fire(timer);
    QCOMPARE(notice->isVisible() && timer->isActive() && timer->interval() == 3000, cursorOver);
    QCursor::setPos(QPoint(0, 0));
    Fire(timer);
    QVERIFY(!notice->isVisible() && !timer->isActive());
}

void TestKitCompanions::faceNextDayCheck_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("wait");
    QTest::newRow("22:59:58: capped at an hour") << QTime(22, 59, 58) << 3600000;
    QTest::newRow("22:59:59: an hour") << QTime(22, 59, 59) << 3600000;
    QTest::newRow("23:00:00: to 23:59:59") << QTime(23, 0) << 3599000;
    QTest::newRow("a millisecond before 23:59:59") << QTime(23, 59, 58, 999) << 1;
    QTest::newRow("23:59:59: past midnight") << QTime(23, 59, 59) << 2000;
    QTest::newRow("last millisecond of the day") << QTime(23, 59, 59, 999) << 2000;
    QTest::newRow("no time: never a busy loop") << QTime() << 3600000;
}

void TestKitCompanions::faceNextDayCheck()
{
    QFETCH(QTime, now);
    QFETCH(int, wait);
    QCOMPARE(CCalendarLabel::NextDayCheck(now), wait);
}

void TestKitCompanions::faceTurnsAtMidnight()
{
    // The last day of a year, in Chinese: month, weekday, year and day all change at midnight.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QDateTime now(QDate(2026, 12, 31), QTime(23, 59, 58));
    CCalendarLabel face(nullptr, [&now] { return now; });
    const QDateTime newYear(QDate(2027, 1, 1), QTime(0, 0, 1));
    CCalendarLabel fresh(nullptr, [newYear] { return newYear; });
    QLocale::setDefault(saved);
    QTimer* timer = face.findChild<QTimer*>();
    QCOMPARE(timer->interval(), 1000);
    const QImage lastDay = face.grab().toImage();

    now = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
    Fire(timer);
    QCOMPARE(timer->interval(), 2000);
    QCOMPARE(face.grab().toImage(), lastDay);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));
    now = newYear;
    Fire(timer);
    QCOMPARE(timer->interval(), 3600000);
    const CCalendarLabel::FACE_TEXTS texts = face.FaceTexts();
    QCOMPARE((QStringList{texts.month, texts.weekday, texts.year, texts.day}),
             (QStringList{"一月", "星期五", "2027", "1"}));
    // On the screen, not only when drawn afresh, the face is the new day's.
    const QImage newDay = fresh.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(newDay != lastDay.convertToFormat(QImage::Format_RGB32));
    TRY_VERIFY(face.screen()->grabWindow(face.winId()).toImage().convertToFormat(QImage::Format_RGB32) ==
                   newDay,
               TestSupport::Bound(2000));
}

void TestKitCompanions::faceCalendar()
{
    const QDateTime day(QDate(2026, 3, 31), QTime(12, 0));
    QWidget window;
    window.setGeometry(200, 300, 400, 300);
    CCalendarLabel face(&window, [day] { return day; });
    face.move(50, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPointF at(5, 45); // where the cursor comes in
    QEnterEvent enter(at, face.mapTo(&window, at), face.mapToGlobal(at));
    QApplication::sendEvent(&face, &enter);
    CCalendarWidget* calendar = face.Calendar();
    QVERIFY(calendar->isVisible() && calendar->windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint));
    // Over the face, bottom-left on bottom-left: the cursor that came in is over the calendar.
    QCOMPARE(calendar->frameGeometry().bottomLeft(), face.mapToGlobal(QPoint(0, face.height() - 1)));
    QCOMPARE(calendar->SelectedDate(), day.date());

    const QDate clicked(2026, 3, 12);
    QTest::mouseClick(calendar->View()->viewport(), Qt::LeftButton, {},
                      calendar->View()->visualRect(calendar->Model()->IndexForDate(clicked)).center());
    QCOMPARE(face.Date(), clicked);
    Q_EMIT calendar->LeaveCalendar();
    QVERIFY(!calendar->isVisible());
    QApplication::sendEvent(&face, &enter);
    QVERIFY(calendar->isVisible() && calendar->SelectedDate() == clicked);
}

VARROW_TEST_MAIN(TestKitCompanions, QApplication)
#include "tst_gui_kitcompanions.moc"

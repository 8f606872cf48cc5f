// draw-images --kit OUTDIR: pictures of the widget kit's companion pieces (the embeddable dialog frame, the
// information relay's box, the self-hiding notice and the desk-calendar face), in English and in Chinese, for
// looking at them: none of them appears in a window of the program. Each piece is shown over a stand-in
// main window as a program would show it; the piece is saved as "<piece>-<en|zh>.png", and the whole screen
// as "screen-<piece>-<en|zh>.png", which shows where a window manager put the pop-ups when the tool runs on a
// real X server.

#include "DrawImages.h"

#include "widgets/calendar/CCalendarLabel.h"
#include "widgets/calendar/CCalendarWidget.h"
#include "widgets/dialogs/CBaseDialog.h"
#include "widgets/dialogs/CInformationDlg.h"
#include "widgets/dialogs/CMutiroleDialog.h"
#include "widgets/dialogs/CWarnInfoDlg.h"
#include "widgets/style/COmbrixStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <memory>

namespace {

// The sample texts of one language.
struct KIT_LANGUAGE
{
    const char* suffix;
    QLocale locale;
    const char* catalogue; // the program's compiled translations, or null for English
    QString frameTitle;
    QString nameLabel;
    QString nameValue;
    QString checkText;
    QString relayTitle;
    QString relayText;
    QString shortNotice;
    QString longNotice;
};

QList<KIT_LANGUAGE> Languages()
{
    return {
        {"en", QLocale(QLocale::English, QLocale::UnitedStates), nullptr, QStringLiteral("Plan name"),
         QStringLiteral("Name:"), QStringLiteral("Evening backup"), QStringLiteral("Back up the whole week"),
         QStringLiteral("Information"), QStringLiteral("The backup of plan 3 has ended."),
         QStringLiteral("Backup ended."),
         QStringLiteral("Device 192.168.1.64 could not be reached; its channels wait for the next window.")},
        {"zh", QLocale(QLocale::Chinese, QLocale::China), "varrow_zh.qm", QStringLiteral("计划名称"),
         QStringLiteral("名称："), QStringLiteral("晚间备份"), QStringLiteral("整周备份"),
         QStringLiteral("提示"), QStringLiteral("计划 3 的备份已结束。"), QStringLiteral("备份已结束。"),
         QStringLiteral(
             "设备 192.168.1.64 无法连接，它的通道等待下一个备份时段，届时将重新尝试连接并继续备份。")},
    };
}

// Lets the window system place and paint what was just shown.
void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class CKitShots
{
public:
    CKitShots(const QDir& dir, const QString& suffix) : m_dir(dir), m_suffix(suffix) {}

    // Saves the piece, and the screen around it.
    void Save(QWidget* piece, const QString& name)
    {
        Write(piece->grab().toImage(), name);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            Write(screen->grabWindow(0).toImage(), QStringLiteral("screen-") + name);
    }
    int Failed() const { return m_failed; }

private:
    void Write(const QImage& image, const QString& name)
    {
        if (image.isNull())
            return;
        const QString path = m_dir.filePath(name + QLatin1Char('-') + m_suffix + QStringLiteral(".png"));
        if (!image.save(path)) {
            QTextStream(stderr) << "could not write " << path << "\n";
            ++m_failed;
            return;
        }
        QTextStream(stdout) << path << "\n";
    }

    QDir m_dir;
    QString m_suffix;
    int m_failed = 0;
};

// A frame as a page would embed it: a name field and a check box.
std::unique_ptr<CMutiroleDialog> MakeFrame(const KIT_LANGUAGE& language, QWidget* page)
{
    auto frame = std::make_unique<CMutiroleDialog>(page);
    auto* grid = new QGridLayout(frame.get());
    grid->addWidget(new QLabel(language.nameLabel, frame.get()), 0, 0);
    grid->addWidget(new QLineEdit(language.nameValue, frame.get()), 0, 1);
    auto* check = new QCheckBox(language.checkText, frame.get());
    check->setChecked(true);
    grid->addWidget(check, 1, 0, 1, 2);
    frame->resize(320, 180);
    return frame;
}

// Runs `open`, which blocks in a modal loop, and takes the picture of the modal window once it is up.
void ShootModal(CKitShots& shots, const QString& name, const std::function<void()>& open)
{
    QTimer::singleShot(400, [&shots, name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shots.Save(modal, name);
            modal->close();
        }
    });
    open();
}

// Emits the relay's signal from a worker thread, as a backup thread would.
class CRelayWorker : public QThread
{
public:
    CRelayWorker(QString title, QString text) : m_title(std::move(title)), m_text(std::move(text)) {}

protected:
    void run() override { Q_EMIT CWarnInfoDlg::Instance()->ShowMsgInfoSig(m_title, m_text); }

private:
    QString m_title;
    QString m_text;
};

void ShootLanguage(const KIT_LANGUAGE& language, CKitShots& shots)
{
    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Varrow"));
    mainWindow.resize(700, 520);
    mainWindow.move(60, 60);
    mainWindow.show();
    Settle(300);

    // The frame, popped up modally (OK and Cancel) and modelessly (close button).
    std::unique_ptr<CMutiroleDialog> frame = MakeFrame(language, &mainWindow);
    ShootModal(shots, QStringLiteral("mutirole-modal"),
               [&] { frame->ExecDialog(&mainWindow, language.frameTitle); });
    frame.reset();
    frame = MakeFrame(language, &mainWindow);
    frame->ShowModelessDialog(&mainWindow, language.frameTitle, 360, 220);
    Settle(300);
    shots.Save(frame->PopupDialog(), QStringLiteral("mutirole-modeless"));
    frame.reset();

    // The relay's box, asked for by a worker thread.
    CWarnInfoDlg::SetParentWidget(&mainWindow);
    CRelayWorker worker(language.relayTitle, language.relayText);
    ShootModal(shots, QStringLiteral("warninfo"), [&] {
        worker.start();
        worker.wait();
        // The box comes from the queued emit, inside this loop.
        QEventLoop loop;
        QTimer::singleShot(800, &loop, &QEventLoop::quit);
        loop.exec();
    });

    // The notice with a short and a long text, in the screen's corner.
    CInformationDlg::ShowTextInCorner(language.shortNotice, &mainWindow);
    Settle(300);
    shots.Save(CInformationDlg::Instance(), QStringLiteral("information-short"));
    CInformationDlg::ShowTextInCorner(language.longNotice, &mainWindow);
    Settle(300);
    shots.Save(CInformationDlg::Instance(), QStringLiteral("information-long"));
    CInformationDlg::Instance()->hide();

    // The desk-calendar face on a pinned day, then with its calendar open as the cursor comes onto it.
    const QDateTime pinned(QDate(2026, 9, 30), QTime(10, 0));
    CCalendarLabel face(&mainWindow, [pinned] { return pinned; });
    face.move(40, 300);
    face.show();
    Settle(200);
    shots.Save(&face, QStringLiteral("calendarlabel"));
    // On a real X server the cursor itself comes onto the face (and stays over the calendar, which would
    // otherwise close again); headless, only the event comes.
    const QPointF inside(10, 10);
    QCursor::setPos(face.mapToGlobal(inside.toPoint()));
    QEnterEvent enter(inside, face.mapTo(&mainWindow, inside), face.mapToGlobal(inside));
    QApplication::sendEvent(&face, &enter);
    Settle(300);
    if (face.Calendar() != nullptr)
        shots.Save(face.Calendar(), QStringLiteral("calendarlabel-open"));
}

} // namespace

int DrawKitPieces(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 3) {
        err << "usage: draw-images --kit OUTDIR\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(dir.path())) {
        err << "could not make " << dir.path() << "\n";
        return 1;
    }
    // The program's look: its font, style and style sheet.
    QFont font(QStringLiteral("Arial"), 9);
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    QApplication::setFont(font);
    QApplication::setStyle(new COmbrixStyle);
    QFile sheet(QStringLiteral(":/qss/Quessel.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromLatin1(sheet.readAll()));

    int failed = 0;
    for (const KIT_LANGUAGE& language : Languages()) {
        QTranslator program;
        QTranslator toolkit;
        if (language.catalogue != nullptr) {
            const QString translations = QStringLiteral(VARROW_TRANSLATIONS_DIR);
            if (!program.load(QLatin1String(language.catalogue), translations) ||
                !toolkit.load(QStringLiteral("qt_zh_CN.qm"), translations)) {
                err << "no compiled translations in " << translations << " (build the Varrow target)\n";
                return 1;
            }
            QApplication::installTranslator(&program);
            QApplication::installTranslator(&toolkit);
        }
        QLocale::setDefault(language.locale);
        CKitShots shots(dir, QLatin1String(language.suffix));
        ShootLanguage(language, shots);
        failed += shots.Failed();
        QApplication::removeTranslator(&program);
        QApplication::removeTranslator(&toolkit);
    }
    return failed == 0 ? 0 : 1;
}

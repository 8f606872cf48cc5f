#include "widgets/dialogs/CProgress.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

void RegisterProgressInfo()
{
    qRegisterMetaType<ProgressInfo>("ProgressInfo");
}

void ProgressUi::setupUi(QFrame* frame)
{
    if (frame->objectName().isEmpty())
        frame->setObjectName(QStringLiteral("ProgressUi"));
    frame->resize(350, 96);
    frame->setWindowTitle(QStringLiteral("Form"));
    pProgressLabel = new QLabel(frame);
    pProgressLabel->setObjectName(QStringLiteral("pProgressLabel"));
    pProgressLabel->setGeometry(20, 25, 181, 16);
    pProgressBar = new QProgressBar(frame);
    pProgressBar->setObjectName(QStringLiteral("pProgressBar"));
    pProgressBar->setGeometry(10, 50, 331, 23);
    pProgressBar->setValue(0);
    pProgressBar->setTextVisible(false);
}

CProgress::CProgress(QWidget* parent) : CBaseDialog(parent, true, true, true)
{
    m_ui.setupUi(GetContentFrame());
    SetTitle(tr("Progress"));
    ShowOkBtn(false);
    setFixedSize(374, 184);
    RegisterProgressInfo();
    connect(this, &QDialog::rejected, this, &CProgress::SignalCancel);
    m_pollTimer.setParent(this);
    connect(&m_pollTimer, &QTimer::timeout, this, &CProgress::OnUpdateBar);
    m_pollTimer.start(100);
}

CProgress::~CProgress()
{
    m_pollTimer.stop();
}

int CProgress::PercentOf(qint32 done, qint32 total)
{
    if (total <= 0)
        return -1;
    // Whole numbers: 29 of 100 is 29, and 999 of 1000 stays below 100 so the box does not close early.
    return int(std::max<qint64>(0, qint64(done) * 100 / total));
}

void CProgress::OnProgressChanged(ProgressInfo info)
{
    const int percent = PercentOf(info.nCurrent, info.nTotal);
    if (percent < 0)
        return;
    m_percent = percent;
    OnUpdateBar();
}

void CProgress::OnUpdateBar()
{
    if (m_percent >= 100)
        m_percent = 100;
    m_ui.pProgressBar->setValue(m_percent);
    if (m_percent == m_ui.pProgressBar->maximum())
        accept();
}

void CProgress::keyPressEvent(QKeyEvent* event)
{
    // Only the work or Cancel ends the box: a key must not close it while its worker still runs.
    if (!IsAcceptKey(event))
        CBaseDialog::keyPressEvent(event);
}

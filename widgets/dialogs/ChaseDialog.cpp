#include "widgets/dialogs/ChaseDialog.h"

#include "widgets/dialogs/CPushButton.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>

ChaseDialog::ChaseDialog(QWidget* parent, const QString& moviePath, const QString& title, bool cancelable)
    : CBaseDialog(parent, cancelable, false, cancelable)
{
    SetTitle(title);
    auto* layout = new QGridLayout(GetContentFrame());
    auto* label = new QLabel(GetContentFrame());
    label->setObjectName(QStringLiteral("pMovieLabel"));
    label->setAlignment(Qt::AlignCenter);
    auto* movie = new QMovie(moviePath, QByteArray(), this);
    label->setMovie(movie);
    movie->start();
    layout->addWidget(label, 0, 0, Qt::AlignCenter);
    connect(this, &QDialog::rejected, this, &ChaseDialog::SignalCancel);
    setFixedSize(280, 190);
    // The box opens while the key that started the work may still be down: Cancel, focused as the box's
    // only button, must not take that Return (or its repeat) for itself and stop the work at once.
    // (Without auto-default the dialog never makes it its default button either.)
    ui.pCancelBtn->setAutoDefault(false);
    m_pollTimer.setParent(this);
    connect(&m_pollTimer, &QTimer::timeout, this, &ChaseDialog::UpdateInfo);
    m_pollTimer.start(500);
}

ChaseDialog::~ChaseDialog()
{
    m_pollTimer.stop();
}

void ChaseDialog::UpdateInfo()
{
    if (m_stopState == 1)
        accept();
    else if (m_stopState == 0)
        reject();
    m_stopState = -1;
}

void ChaseDialog::SetStopChase()
{
    m_stopState = 1;
}

void ChaseDialog::OnSlotRejectChase()
{
    m_stopState = 0;
}

void ChaseDialog::OnImmediatelyStopChase()
{
    m_stopState = 1;
    accept();
}

void ChaseDialog::keyPressEvent(QKeyEvent* event)
{
    // Only the work ends the box: a key must not close it while its worker still runs.
    if (!IsAcceptKey(event))
        CBaseDialog::keyPressEvent(event);
}

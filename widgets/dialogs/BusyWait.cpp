#include "widgets/dialogs/BusyWait.h"

#include "widgets/dialogs/ChaseDialog.h"

#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace BusyWait {

namespace {

// The box shows over the first shown window of `parent`'s line: a page still being built is not on screen.
QWidget* BoxParent(QWidget* parent)
{
    for (QWidget* widget = parent; widget != nullptr; widget = widget->parentWidget()) {
        if (widget->isVisible())
            return widget;
    }
    return parent;
}

} // namespace

bool Run(QWidget* parent, const QString& text, std::function<void()> work,
         const std::function<void()>& giveUp)
{
    std::unique_ptr<QThread> worker(QThread::create(std::move(work)));
    const QPointer<QWidget> self(parent);
    {
        QEventLoop waiting;
        QObject::connect(worker.get(), &QThread::finished, &waiting, &QEventLoop::quit);
        if (parent != nullptr)
            QObject::connect(parent, &QObject::destroyed, &waiting, &QEventLoop::quit);
        QTimer::singleShot(kQuietMs, &waiting, &QEventLoop::quit);
        worker->start();
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if ((self || parent == nullptr) && !worker->isFinished()) {
        ChaseDialog chase(BoxParent(parent), QStringLiteral(":/images/Loading.gif"), text, true);
        QObject::connect(worker.get(), &QThread::finished, &chase, &ChaseDialog::OnImmediatelyStopChase);
        // The work may have ended before its end was connected to the box: looked at again while it shows.
        QTimer ended;
        QObject::connect(&ended, &QTimer::timeout, &chase, [&worker, &chase] {
            if (worker->isFinished())
                chase.OnImmediatelyStopChase();
        });
        ended.start(50);
        if (!worker->isFinished())
            chase.exec();
    }
    if (worker->isFinished() && (self || parent == nullptr)) {
        worker->wait();
        return true;
    }
    if (giveUp)
        giveUp();
    // Left to end by itself: a running thread is never destroyed. Deleted once it has ended (a second
    // deleteLater, when it ended meanwhile, is harmless).
    QThread* left = worker.release();
    QObject::connect(left, &QThread::finished, left, &QObject::deleteLater);
    if (left->isFinished())
        left->deleteLater();
    return false;
}

} // namespace BusyWait

#include "tests/support/PlanThreads.h"

CPlanThreads::CPlanThreads(int group) : control(group), current(group, 0), overdue(group, 1)
{
    // The workers' QThread::start, as the state page connects them.
    QObject::connect(
        &control, &CControlThread::StartWork, &current, [this] { static_cast<QThread&>(current).start(); },
        Qt::DirectConnection);
    QObject::connect(&control, &CControlThread::StopWork, &current, &CExecuteThread::stop,
                     Qt::DirectConnection);
    QObject::connect(
        &control, &CControlThread::pastStartWork, &overdue,
        [this] { static_cast<QThread&>(overdue).start(); }, Qt::DirectConnection);
    QObject::connect(&control, &CControlThread::pastStopWork, &overdue, &CExecuteThread::stop,
                     Qt::DirectConnection);
}

CPlanThreads::~CPlanThreads()
{
    StopAll();
}

void CPlanThreads::StopAll()
{
    control.Stop();
    control.wait();
    current.stop();
    overdue.stop();
    current.wait();
    overdue.wait();
}

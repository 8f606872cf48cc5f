#include "tests/support/PlanThreads.h"

CPlanThreads::CPlanThreads(int group) : control(group), current(group, 0), overdue(group, 1)
{
    QObject::connect(&control, &CControlThread::StartWork, &current, &CExecuteThread::Start,
                     Qt::DirectConnection);
    QObject::connect(&control, &CControlThread::StopWork, &current, &CExecuteThread::stop,
                     Qt::DirectConnection);
    QObject::connect(&control, &CControlThread::pastStartWork, &overdue, &CExecuteThread::Start,
                     Qt::DirectConnection);
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

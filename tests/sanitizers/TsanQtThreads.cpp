// Built into every test under ThreadSanitizer. Qt from the distribution is not instrumented, so the order it
// gives between a QThread's end and a QThread::wait() that returns (its own futex wait) is invisible to the
// sanitizer: everything a thread wrote would look racy to whoever waited for it. This tells the sanitizer
// about that order, and about nothing else: each signal a QThread object emits from its own thread (its last
// is finished(), after run()) releases the thread object, and a wait() of ours that saw the thread end
// acquires it. No access is hidden; an access without that order, or without a lock, is still reported.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <sanitizer/tsan_interface.h>

// Qt's hook for watching every signal, as its test library's signal dumper uses it.
struct QSignalSpyCallbackSet
{
    using BeginCallback = void (*)(QObject* caller, int signalOrMethodIndex, void** argv);
    using EndCallback = void (*)(QObject* caller, int signalOrMethodIndex);
    BeginCallback signalBegin;
    BeginCallback slotBegin;
    EndCallback signalEnd;
    EndCallback slotEnd;
};
void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet* callbacks);

extern "C" {
bool __real__ZN7QThread4waitE14QDeadlineTimer(QThread* thread, QDeadlineTimer deadline);

// The linker sends this program's calls of QThread::wait(QDeadlineTimer) here (-Wl,--wrap).
bool __wrap__ZN7QThread4waitE14QDeadlineTimer(QThread* thread, QDeadlineTimer deadline)
{
    const bool ended = __real__ZN7QThread4waitE14QDeadlineTimer(thread, deadline);
    if (ended)
        __tsan_acquire(thread);
    return ended;
}

bool __real__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type, void* ret);

// The linker sends this program's QMetaObject::invokeMethod(object, function, ...) here.
bool __wrap__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
    QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type, void* ret)
{
    __tsan_release(object);
    return __real__ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv(
        object, slot, type, ret);
}
}

namespace {

void SignalBegin(QObject* caller, int, void**)
{
    if (caller != nullptr && caller == QThread::currentThread())
        __tsan_release(caller);
}

QSignalSpyCallbackSet g_callbacks{SignalBegin, nullptr, nullptr, nullptr};

const bool g_registered = [] {
    qt_register_signal_spy_callbacks(&g_callbacks);
    return true;
}();

// Sees every event delivered to an object of the GUI thread.
class CQueuedCallOrder : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            __tsan_acquire(watched);
        return false;
    }
};

void InstallQueuedCallOrder()
{
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new CQueuedCallOrder(app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallQueuedCallOrder)

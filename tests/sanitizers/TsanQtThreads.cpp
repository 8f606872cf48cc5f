// Built into every test under ThreadSanitizer. Qt from the distribution is not instrumented, so the order it
// gives between a QThread's end and a QThread::wait() that returns (its own futex wait) is invisible to the
// sanitizer: everything a thread wrote would look racy to whoever waited for it. This tells the sanitizer
// about that order, and about nothing else: each signal a QThread object emits from its own thread (its last
// is finished(), after run()) releases the thread object, and a wait() of ours that saw the thread end
// acquires it. The same holds for a queued signal of such a thread object: the arguments it copied into the
// event are ordered before the slot that reads them on the receiving thread. No access is hidden; an access
// without that order, or without a lock, is still reported.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <sanitizer/tsan_interface.h>

#include <array>
#include <atomic>

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

// The thread objects that have emitted from their own thread, and how many of their signals are still being
// emitted, so that a queued signal's event can be matched to its sender. Relaxed atomics: the sanitizer takes
// them for no order of their own.
constexpr int kEmitters = 256;
std::array<std::atomic<const void*>, kEmitters> g_emitters{};
std::array<std::atomic<int>, kEmitters> g_emitting{};

int EmitterSlot(const void* object)
{
    for (int i = 0; i < kEmitters; ++i)
        if (g_emitters[i].load(std::memory_order_relaxed) == object)
            return i;
    return -1;
}

int AddEmitter(const void* object)
{
    const int known = EmitterSlot(object);
    if (known >= 0)
        return known;
    for (int i = 0; i < kEmitters; ++i) {
        const void* empty = nullptr;
        if (g_emitters[i].compare_exchange_strong(empty, object, std::memory_order_relaxed) ||
            empty == object)
            return i;
    }
    return -1;
}

void SignalBegin(QObject* caller, int, void**)
{
    if (caller != nullptr && caller == QThread::currentThread()) {
        __tsan_release(caller);
        const int slot = AddEmitter(caller);
        if (slot >= 0)
            g_emitting[slot].fetch_add(1, std::memory_order_relaxed);
    }
}

// A queued signal's arguments are copied into its event after the signal began: the release that covers them
// comes at the signal's end.
void SignalEnd(QObject* caller, int)
{
    if (caller != nullptr && caller == QThread::currentThread()) {
        __tsan_release(caller);
        const int slot = EmitterSlot(caller);
        if (slot >= 0)
            g_emitting[slot].fetch_sub(1, std::memory_order_relaxed);
    }
}

QSignalSpyCallbackSet g_callbacks{SignalBegin, nullptr, SignalEnd, nullptr};

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
        if (event->type() == QEvent::MetaCall) {
            __tsan_acquire(watched);
            // A queued signal's event carries its sender just after the QEvent part, beside the signal's
            // index (Qt's private layout, not public API). The word that is a thread object which emitted
            // from its own thread is acquired: so the arguments that thread copied into the event are ordered
            // before the slot reads them, and nothing else is.
            const auto* words =
                reinterpret_cast<const void* const*>(reinterpret_cast<const char*>(event) + sizeof(QEvent));
            for (int i = 0; i < 3; ++i) {
                const int slot = words[i] != nullptr ? EmitterSlot(words[i]) : -1;
                if (slot < 0)
                    continue;
                // The event may arrive while its signal is still ending on the other thread: wait (briefly)
                // for that end, whose release then precedes this acquire.
                for (int spin = 0; spin < 100000 && g_emitting[slot].load(std::memory_order_relaxed) > 0;
                     ++spin)
                    QThread::yieldCurrentThread();
                __tsan_acquire(const_cast<void*>(words[i]));
            }
        }
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

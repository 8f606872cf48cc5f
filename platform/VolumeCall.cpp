#include "platform/VolumeCall.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace VolumeCall {

namespace {

// How often a waiting caller asks its stop function.
constexpr auto kStopPoll = std::chrono::milliseconds(20);

struct REGISTRY
{
    std::mutex Mutex;
    std::condition_variable Changed;
    std::map<QString, int> Out; // keys whose call was left and has not come back
    int Total = 0;              // calls running on their threads, left or waited for
};

// Never destroyed: a left thread may end after the program's statics are gone.
REGISTRY& Registry()
{
    static REGISTRY* registry = new REGISTRY; // NOLINT: lives as long as the process, by intent
    return *registry;
}

// Calls queued or running on the lanes' threads, left or waited for.
std::atomic<int> g_laneCallsOut{0};

// A lane's hand-off costs a block's write a wake-up of a sleeping thread on either side, which is as long as
// the write itself: each side first looks for the other's answer a little while without sleeping. The caller
// for about as long as a block's write takes; the lane's thread for about as long as a caller takes to bring
// the next block.
constexpr auto kAnswerSpin = std::chrono::microseconds(100);
constexpr auto kIdleSpin = std::chrono::microseconds(60);

inline void CpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// True once `ready` holds, false when `spin` passed first. The processor is offered to others at every
// other look: on a loaded machine the thread that would answer may be waiting for this very processor, and a
// spin that keeps it costs far more than the wake-up it saves.
template <class F> bool SpinFor(F ready, std::chrono::microseconds spin)
{
    const auto until = std::chrono::steady_clock::now() + spin;
    for (unsigned i = 1;; ++i) {
        if (ready())
            return true;
        if ((i & 1) != 0) {
            CpuRelax();
            continue;
        }
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::yield();
    }
}

struct STATE
{
    bool Done = false; // under the registry's lock
    bool Left = false; // under the registry's lock: the caller stopped waiting
};

} // namespace

int CallsOut()
{
    REGISTRY& registry = Registry();
    std::lock_guard lock(registry.Mutex);
    return registry.Total + g_laneCallsOut.load();
}

OUTCOME Detail::RunAndWait(const QString& key, std::function<void()> work, int boundMs,
                           const std::function<bool()>& stop)
{
    std::vector<std::pair<QString, std::function<void()>>> works;
    works.emplace_back(key, std::move(work));
    return RunAllAndWait(std::move(works), boundMs, stop).front();
}

std::vector<OUTCOME> Detail::RunAllAndWait(std::vector<std::pair<QString, std::function<void()>>> works,
                                           int boundMs, const std::function<bool()>& stop)
{
    REGISTRY& registry = Registry();
    std::vector<OUTCOME> outcomes(works.size(), OUTCOME_DONE);
    std::vector<std::shared_ptr<STATE>> states(works.size());
    for (size_t i = 0; i < works.size(); ++i) {
        const QString& key = works[i].first;
        {
            std::lock_guard lock(registry.Mutex);
            if (registry.Out.count(key) != 0) {
                outcomes[i] = OUTCOME_NO_ANSWER;
                continue;
            }
            ++registry.Total;
        }
        auto state = std::make_shared<STATE>();
        states[i] = state;
        std::thread([state, key, work = std::move(works[i].second)] {
            work();
            REGISTRY& registry = Registry();
            std::lock_guard lock(registry.Mutex);
            state->Done = true;
            --registry.Total;
            if (state->Left) {
                const auto found = registry.Out.find(key);
                if (found != registry.Out.end() && --found->second == 0)
                    registry.Out.erase(found);
            }
            registry.Changed.notify_all();
        }).detach();
    }
    const auto allDone = [&] {
        return std::all_of(states.begin(), states.end(),
                           [](const auto& state) { return !state || state->Done; });
    };

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, boundMs));
    std::unique_lock lock(registry.Mutex);
    OUTCOME unfinished = OUTCOME_DONE;
    while (!allDone()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            unfinished = OUTCOME_NO_ANSWER;
            break;
        }
        if (stop) {
            lock.unlock();
            const bool stopped = stop();
            lock.lock();
            if (allDone())
                break;
            if (stopped) {
                unfinished = OUTCOME_STOPPED;
                break;
            }
        }
        registry.Changed.wait_until(lock, std::min(deadline, now + kStopPoll));
    }
    // Those not back are left to their threads; each keeps its key out until it comes back.
    for (size_t i = 0; i < states.size(); ++i) {
        if (!states[i] || states[i]->Done)
            continue;
        states[i]->Left = true;
        ++registry.Out[works[i].first];
        outcomes[i] = unfinished;
    }
    return outcomes;
}

struct CLane::CState
{
    struct CALL
    {
        std::function<void()> Work;
        std::atomic<bool> Done{false}; // set under Mutex; read without it while spinning
        bool Left = false;             // under Mutex: its caller stopped waiting
    };

    std::mutex Mutex;
    std::condition_variable Wake;     // the lane's thread: a call was queued, or the owner went
    std::condition_variable Answered; // the callers: a call came back
    std::deque<std::shared_ptr<CALL>> Queue;
    std::atomic<int> Queued{0}; // Queue's size, for the thread's look without the lock
    bool Started = false;
    bool OwnerGone = false;
    bool Idle = false; // the thread sleeps on Wake
    int Waiting = 0;   // callers sleeping on Answered
    int LeftCalls = 0; // calls left by their callers that have not come back

    // Under Mutex.
    void Enqueue(const std::shared_ptr<CState>& self, std::shared_ptr<CALL> call)
    {
        Queue.push_back(std::move(call));
        Queued.fetch_add(1, std::memory_order_release);
        g_laneCallsOut.fetch_add(1);
        if (!Started) {
            Started = true;
            std::thread(&CState::Serve, self).detach();
        } else if (Idle) {
            Wake.notify_one();
        }
    }

    // The lane's thread: the calls in order, until the owner went and nothing is left to do. It holds the
    // state, and each call's work holds what it touches.
    static void Serve(std::shared_ptr<CState> state)
    {
        for (;;) {
            SpinFor([&state] { return state->Queued.load(std::memory_order_acquire) != 0; }, kIdleSpin);
            std::shared_ptr<CALL> call;
            {
                std::unique_lock lock(state->Mutex);
                while (state->Queue.empty()) {
                    if (state->OwnerGone)
                        return;
                    state->Idle = true;
                    state->Wake.wait(lock);
                    state->Idle = false;
                }
                call = std::move(state->Queue.front());
                state->Queue.pop_front();
                state->Queued.fetch_sub(1, std::memory_order_relaxed);
            }
            call->Work();
            call->Work = nullptr; // what it held goes here, never on a caller's thread
            {
                std::lock_guard lock(state->Mutex);
                call->Done.store(true, std::memory_order_release);
                if (call->Left)
                    --state->LeftCalls;
                if (state->Waiting != 0)
                    state->Answered.notify_all();
            }
            g_laneCallsOut.fetch_sub(1);
        }
    }
};

CLane::CLane() : m_state(std::make_shared<CState>()) {}

CLane::~CLane()
{
    // Never joined: a thread held by a silent volume ends once it answers, and the queue's last work (a
    // posted close) must still run then.
    std::lock_guard lock(m_state->Mutex);
    m_state->OwnerGone = true;
    if (m_state->Idle)
        m_state->Wake.notify_one();
}

bool CLane::Stuck() const
{
    std::lock_guard lock(m_state->Mutex);
    return m_state->LeftCalls != 0;
}

void CLane::Post(std::function<void()> work)
{
    auto call = std::make_shared<CState::CALL>();
    call->Work = std::move(work);
    std::lock_guard lock(m_state->Mutex);
    m_state->Enqueue(m_state, std::move(call));
}

OUTCOME CLane::RunAndWait(std::function<void()> work, int boundMs, const std::function<bool()>& stop)
{
    CState& state = *m_state;
    auto call = std::make_shared<CState::CALL>();
    call->Work = std::move(work);
    {
        std::lock_guard lock(state.Mutex);
        // Nothing more is queued behind a call that does not come back.
        if (state.LeftCalls != 0)
            return OUTCOME_NO_ANSWER;
        state.Enqueue(m_state, call);
    }
    if (SpinFor([&call] { return call->Done.load(std::memory_order_acquire); }, kAnswerSpin))
        return OUTCOME_DONE;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, boundMs));
    std::unique_lock lock(state.Mutex);
    OUTCOME outcome = OUTCOME_DONE;
    while (!call->Done.load(std::memory_order_relaxed)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            outcome = OUTCOME_NO_ANSWER;
            break;
        }
        if (stop) {
            lock.unlock();
            const bool stopped = stop();
            lock.lock();
            if (call->Done.load(std::memory_order_relaxed))
                break;
            if (stopped) {
                outcome = OUTCOME_STOPPED;
                break;
            }
        }
        ++state.Waiting;
        state.Answered.wait_until(lock, stop ? std::min(deadline, now + kStopPoll) : deadline);
        --state.Waiting;
    }
    if (!call->Done.load(std::memory_order_relaxed)) {
        call->Left = true;
        ++state.LeftCalls;
    } else {
        outcome = OUTCOME_DONE;
    }
    return outcome;
}

} // namespace VolumeCall

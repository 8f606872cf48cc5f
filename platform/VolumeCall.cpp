#include "platform/VolumeCall.h"

#include <chrono>
#include <condition_variable>
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
    return registry.Total;
}

OUTCOME Detail::RunAndWait(const QString& key, std::function<void()> work, int boundMs,
                           const std::function<bool()>& stop)
{
    REGISTRY& registry = Registry();
    auto state = std::make_shared<STATE>();
    {
        std::lock_guard lock(registry.Mutex);
        if (registry.Out.count(key) != 0)
            return OUTCOME_NO_ANSWER;
        ++registry.Total;
    }
    std::thread([state, key, work = std::move(work)] {
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

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, boundMs));
    std::unique_lock lock(registry.Mutex);
    OUTCOME outcome = OUTCOME_DONE;
    while (!state->Done) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            outcome = OUTCOME_NO_ANSWER;
            break;
        }
        if (stop) {
            lock.unlock();
            const bool stopped = stop();
            lock.lock();
            if (state->Done)
                break;
            if (stopped) {
                outcome = OUTCOME_STOPPED;
                break;
            }
        }
        registry.Changed.wait_until(lock, std::min(deadline, now + kStopPoll));
    }
    if (!state->Done) {
        state->Left = true;
        ++registry.Out[key];
    }
    return outcome;
}

} // namespace VolumeCall

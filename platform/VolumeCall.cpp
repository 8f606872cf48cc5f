#include "platform/VolumeCall.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

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
    std::vector<std::function<void()>> works;
    works.push_back(std::move(work));
    return RunEachAndWait({key}, std::move(works), boundMs, stop).front();
}

std::vector<OUTCOME> Detail::RunEachAndWait(const QStringList& keys, std::vector<std::function<void()>> works,
                                            int boundMs, const std::function<bool()>& stop)
{
    REGISTRY& registry = Registry();
    const size_t count = std::min(works.size(), size_t(keys.size()));
    std::vector<OUTCOME> outcomes(works.size(), OUTCOME_NO_ANSWER);
    std::vector<std::shared_ptr<STATE>> states(count); // empty for a work that is not made
    {
        std::lock_guard lock(registry.Mutex);
        for (size_t i = 0; i < count; ++i) {
            if (registry.Out.count(keys[int(i)]) != 0 || keys.indexOf(keys[int(i)]) != qsizetype(i))
                continue;
            states[i] = std::make_shared<STATE>();
            ++registry.Total;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (!states[i])
            continue;
        std::thread([state = states[i], key = keys[int(i)], work = std::move(works[i])] {
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
    const auto allDone = [&states] {
        return std::all_of(states.begin(), states.end(),
                           [](const auto& state) { return !state || state->Done; });
    };

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, boundMs));
    std::unique_lock lock(registry.Mutex);
    OUTCOME left = OUTCOME_NO_ANSWER; // what a work not back when the wait ends answers
    while (!allDone()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            break;
        if (stop) {
            lock.unlock();
            const bool stopped = stop();
            lock.lock();
            if (allDone())
                break;
            if (stopped) {
                left = OUTCOME_STOPPED;
                break;
            }
        }
        registry.Changed.wait_until(lock, std::min(deadline, now + kStopPoll));
    }
    for (size_t i = 0; i < count; ++i) {
        if (!states[i])
            continue;
        if (states[i]->Done) {
            outcomes[i] = OUTCOME_DONE;
            continue;
        }
        outcomes[i] = left;
        states[i]->Left = true;
        ++registry.Out[keys[int(i)]];
    }
    return outcomes;
}

} // namespace VolumeCall

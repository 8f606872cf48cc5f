#include "platform/VolumeCall.h"

#include <algorithm>
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

} // namespace VolumeCall

#pragma once

// Calls that may wait on a volume. A disk that stalls (a frozen file system, a USB disk that stopped
// answering, a network share whose server went silent, a FUSE volume whose daemon was stopped) keeps any
// system call on it waiting, for as long as it stalls, and no signal short of killing the process ends that
// wait. So such a call is made on a thread of its own and waited for within a bound: the caller goes on when
// the bound passes or when it is asked to stop, and the call is left to its thread, which ends by itself once
// the volume answers.
//
// What the work touches must be its own (captured by value, or shared and kept alive by it): once left, it
// may still run after its caller has gone. A place that keeps stalling costs one waiting thread, not one per
// try: while a call left for a key has not come back, the next call for that key is not made and answers "no
// answer" at once.

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace VolumeCall {

enum OUTCOME
{
    OUTCOME_DONE,      // the work came back; its result is there
    OUTCOME_NO_ANSWER, // the bound passed first, or an earlier call for the key has not come back yet
    OUTCOME_STOPPED,   // the stop function said so first
};

// The bound a caller without one of its own gives a volume to answer, in milliseconds.
constexpr int kDefaultBoundMs = 10000;

namespace Detail {
// Runs `work` on a thread of its own; `work` reports through what it captured, and everything it wrote is
// visible to the caller once OUTCOME_DONE is returned.
OUTCOME RunAndWait(const QString& key, std::function<void()> work, int boundMs,
                   const std::function<bool()>& stop);
// The same for several works at once, side by side, all within the one bound: an outcome for each.
std::vector<OUTCOME> RunAllAndWait(std::vector<std::pair<QString, std::function<void()>>> works, int boundMs,
                                   const std::function<bool()>& stop);
} // namespace Detail

// Runs `work` and waits at most `boundMs` for its result, less when `stop` (may be empty; asked every few
// milliseconds on the caller's thread) says so. `key` names the volume or place (a folder's path), so that
// one stalled place holds at most one thread. `result` receives the work's value when the outcome is
// OUTCOME_DONE.
template <class R>
OUTCOME Run(const QString& key, std::function<R()> work, int boundMs, R* result,
            const std::function<bool()>& stop = {})
{
    struct SLOT
    {
        std::optional<R> Value;
    };
    auto slot = std::make_shared<SLOT>();
    const OUTCOME outcome = Detail::RunAndWait(
        key, [slot, work = std::move(work)] { slot->Value.emplace(work()); }, boundMs, stop);
    if (outcome == OUTCOME_DONE && result)
        *result = std::move(*slot->Value);
    return outcome;
}

// Runs each of `works` (its place named by the same entry of `keys`) on a thread of its own, side by side,
// and waits for them together at most `boundMs`: several places that do not answer cost one bound, not one
// each. `results` receives the value of each work whose outcome is OUTCOME_DONE, and nothing for the others.
template <class R>
std::vector<OUTCOME> RunAll(const std::vector<QString>& keys, std::vector<std::function<R()>> works,
                            int boundMs, std::vector<std::optional<R>>* results,
                            const std::function<bool()>& stop = {})
{
    struct SLOT
    {
        std::optional<R> Value;
    };
    std::vector<std::shared_ptr<SLOT>> places;
    std::vector<std::pair<QString, std::function<void()>>> calls;
    for (size_t i = 0; i < works.size() && i < keys.size(); ++i) {
        auto slot = std::make_shared<SLOT>();
        places.push_back(slot);
        calls.emplace_back(keys[i], [slot, work = std::move(works[i])] { slot->Value.emplace(work()); });
    }
    const std::vector<OUTCOME> outcomes = Detail::RunAllAndWait(std::move(calls), boundMs, stop);
    if (results) {
        results->clear();
        results->resize(outcomes.size());
        for (size_t i = 0; i < outcomes.size(); ++i) {
            if (outcomes[i] == OUTCOME_DONE)
                (*results)[i] = std::move(places[i]->Value);
        }
    }
    return outcomes;
}

// How many calls are still out on their threads, lanes' calls included (for tests: a call left must end once
// its volume answers).
int CallsOut();

// The calls of one open file, made strictly in order on one thread of its own: its writes, flushes, renames
// and close, each within a bound, so that a volume that goes silent under the file holds its caller for the
// bound at most. Once a call was left, the lane is stuck until that call comes back: a Run answers
// OUTCOME_NO_ANSWER at once, queueing nothing more behind the silent call, while Post still queues work
// (closing the file's handles, removing a partial file) to run once the volume answers.
//
// What the work touches must be its own, as for Run above: the caller may be gone by the time a left call
// or a posted one runs. The lane's thread ends by itself once the lane is destroyed and its queue is empty;
// it is never waited for.
class CLane
{
public:
    CLane();
    ~CLane();
    CLane(const CLane&) = delete;
    CLane& operator=(const CLane&) = delete;

    // Runs `work` after the calls queued before it and waits at most `boundMs` for its result, less when
    // `stop` says so (as VolumeCall::Run).
    template <class R>
    OUTCOME Run(std::function<R()> work, int boundMs, R* result, const std::function<bool()>& stop = {})
    {
        struct SLOT
        {
            std::optional<R> Value;
        };
        auto slot = std::make_shared<SLOT>();
        const OUTCOME outcome =
            RunAndWait([slot, work = std::move(work)] { slot->Value.emplace(work()); }, boundMs, stop);
        if (outcome == OUTCOME_DONE && result)
            *result = std::move(*slot->Value);
        return outcome;
    }
    // Queues `work` after the calls queued before it, stuck or not, without waiting for it.
    void Post(std::function<void()> work);
    // A call its caller left has not come back yet.
    bool Stuck() const;

private:
    struct CState;
    OUTCOME RunAndWait(std::function<void()> work, int boundMs, const std::function<bool()>& stop);

    std::shared_ptr<CState> m_state;
};

} // namespace VolumeCall

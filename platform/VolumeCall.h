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
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
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
// The same for several works side by side, each on a thread of its own, waited for together within the one
// bound; an outcome per work.
std::vector<OUTCOME> RunEachAndWait(const QStringList& keys, std::vector<std::function<void()>> works,
                                    int boundMs, const std::function<bool()>& stop);
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

// Runs every one of `works` side by side, each keyed by the place of the same index in `keys`, and waits at
// most `boundMs` in all for them (less when `stop` says so): several silent places cost one bound, not one
// each. A key given twice, or whose earlier call has not come back, answers OUTCOME_NO_ANSWER at once.
// `results` receives a value per work, left default-made where the outcome is not OUTCOME_DONE.
template <class R>
std::vector<OUTCOME> RunEach(const QStringList& keys, std::vector<std::function<R()>> works, int boundMs,
                             std::vector<R>* results, const std::function<bool()>& stop = {})
{
    using VALUES = std::vector<std::optional<R>>;
    auto values = std::make_shared<VALUES>(works.size());
    std::vector<std::function<void()>> calls;
    calls.reserve(works.size());
    for (size_t i = 0; i < works.size(); ++i)
        calls.emplace_back([values, i, work = std::move(works[i])] { (*values)[i].emplace(work()); });
    std::vector<OUTCOME> outcomes = Detail::RunEachAndWait(keys, std::move(calls), boundMs, stop);
    if (results) {
        results->assign(outcomes.size(), R());
        for (size_t i = 0; i < outcomes.size(); ++i)
            if (outcomes[i] == OUTCOME_DONE)
                (*results)[i] = std::move(*(*values)[i]);
    }
    return outcomes;
}

// How many calls are still out on their threads (for tests: a call left must end once its volume answers).
int CallsOut();

} // namespace VolumeCall

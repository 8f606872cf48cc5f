#!/usr/bin/env bash
# Builds the program and its tests under the sanitizers and runs them; any sanitizer report fails the run.
#   address: AddressSanitizer with UndefinedBehaviorSanitizer (and the leak check), in build-asan/, every test.
#   thread:  ThreadSanitizer, in build-tsan/, the tests of the threaded parts: the engine, the state page and
#            its engine side, the log and record pages, the day of the whole station, the end-to-end scenario, the
#            bounded waits on volumes (the calls left on their threads, the storage's stalled disks, the import and
#            the log backup on a silent volume).
# The benchmarks are not built, and the trees are built at -O1 with line tables only (-g1): enough for the
# sanitizers' stacks, and far quicker to compile; warnings are the plain build's (-Werror) business.
# The waits of the tests are stretched by VARROW_TEST_SLOWDOWN to the sanitizers' slowdown (about 3x and 10x).
# Usage: scripts/sanitize.sh [address|thread]... (both when none is given).
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(address thread)
thread_tests=(engine engine_lies gui_statepage gui_stateengine gui_logpage gui_recordpage gui_recordexport gui_day gui_scenario
    volumecall storage_stalls gui_chosenfiles gui_systempage)
for kind in "${kinds[@]}"; do
    case "$kind" in
    address) dir=build-asan slowdown=3 ;;
    thread) dir=build-tsan slowdown=10 ;;
    *)
        echo "unknown sanitizer: $kind (address or thread)" >&2
        exit 2
        ;;
    esac
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
        -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DVARROW_SANITIZE="$kind" -DVARROW_BENCH=OFF >/dev/null
    if [ "$kind" = thread ]; then
        targets=()
        for test in "${thread_tests[@]}"; do targets+=("tst_$test"); done
        cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
        regex="^($(IFS='|'; echo "${thread_tests[*]}"))\$"
    else
        cmake --build "$dir" -j"$(nproc)"
        regex='.*'
    fi
    (cd "$dir" && VARROW_TEST_SLOWDOWN=$slowdown QT_QPA_PLATFORM=offscreen ctest -R "$regex" --output-on-failure -j"$(nproc)")
done

#!/usr/bin/env bash
# Runs every test headless, in parallel.
#   scripts/test.sh                               on the machine's clock
#   scripts/test.sh --date "2028-02-29 10:00:00"  with the wall clock starting at that moment (libfaketime), so a
#                                                 test that passes only in some months or on some days shows; the
#                                                 monotonic clock, which the waits use, stays real
#   scripts/test.sh --plain-user                  (as root) as an ordinary user instead, as anyone who is not root
#                                                 runs it: a throwaway account (VARROW_PLAIN_USER, varrow-plain by
#                                                 default) is made when missing; the tests that need root skip
set -euo pipefail
cd "$(dirname "$0")/../build"
export QT_QPA_PLATFORM=offscreen
launcher=()
plain=""
usage() {
    echo "usage: scripts/test.sh [--date 'YYYY-MM-DD hh:mm:ss'] [--plain-user]" >&2
    exit 2
}
while [ $# -gt 0 ]; do
    case "$1" in
    --date)
        [ $# -ge 2 ] || usage
        command -v faketime >/dev/null || { echo "faketime is not installed (Debian package faketime)" >&2; exit 2; }
        # Faking the monotonic clock, or "fixing" it, breaks timed waits on condition variables.
        export FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_FORCE_MONOTONIC_FIX=0
        launcher=(faketime -f "@$2")
        echo "Running the suite with the wall clock starting at $2"
        shift 2
        ;;
    --plain-user)
        plain="${VARROW_PLAIN_USER:-varrow-plain}"
        shift
        ;;
    *) usage ;;
    esac
done

if [ -n "$plain" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "--plain-user is for root; as any other user, leave it out" >&2; exit 2; }
    # No password and no login: the account only runs the tests.
    if ! id -u "$plain" >/dev/null 2>&1; then
        useradd --create-home --shell /usr/sbin/nologin --comment "runs Varrow's tests" "$plain" || id -u "$plain" >/dev/null
    fi
    [ "$(id -u "$plain")" -ne 0 ] || { echo "$plain is root, not an ordinary user" >&2; exit 2; }
    build="$(pwd -P)"
    tree="$(dirname "$build")"
    opened=()
    scratch="$(mktemp -d)"
    restore() {
        local dir
        for dir in ${opened[@]+"${opened[@]}"}; do chmod o-x "$dir"; done
        [ -d Testing ] && chown -R --reference=. Testing
        rm -rf "$scratch"
    }
    trap restore EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # The account passes through the folders above the tree (search only, never listing), for this run only.
    dir=""
    above="$(dirname "$tree")"
    IFS=/ read -ra parts <<<"${above#/}"
    for part in "${parts[@]}"; do
        dir="$dir/$part"
        if ! runuser -u "$plain" -- test -x "$dir"; then
            chmod o+x "$dir"
            opened+=("$dir")
        fi
    done
    # A tree checked out or built under a closed umask is opened for reading (the tests read their data from
    # the sources), and stays so.
    if ! runuser -u "$plain" -- test -r "$build/CTestTestfile.cmake" -a -r "$tree/tests/CMakeLists.txt"; then
        echo "Opening $tree for reading by others (chmod -R o+rX), for $plain"
        chmod -R o+rX "$tree"
    fi
    # ctest keeps its log in Testing/; every test's own files go to a temporary folder of the account's.
    mkdir -p Testing
    chown -R "$plain" Testing "$scratch"
    echo "Running the suite as the ordinary user $plain"
    launcher=(runuser -u "$plain" -- env TMPDIR="$scratch" ${launcher[@]+"${launcher[@]}"})
fi
${launcher[@]+"${launcher[@]}"} ctest --output-on-failure -j"$(nproc)" --timeout 600

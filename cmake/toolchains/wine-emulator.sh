#!/usr/bin/env bash
# Runs Windows test programs under wine, for ctest and for GoogleTest's test discovery.
#
#   wine-emulator.sh DEFAULT_PREFIX program.exe [arguments...]
#   wine-emulator.sh DEFAULT_PREFIX --start-server | --stop-server
#
# WINEPREFIX from the environment wins over DEFAULT_PREFIX, so CI can hand in a throw-away
# prefix. Runs headless and silent: no display, no debug channels, no offer to install the
# .NET or HTML engines into a fresh prefix.
set -euo pipefail

default_prefix=${1:?usage: wine-emulator.sh DEFAULT_PREFIX program.exe [arguments...]}
shift
export WINEPREFIX=${WINEPREFIX:-$default_prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

case "${1:-}" in
--start-server)
    # One persistent wineserver for a whole test run: otherwise each program pays for a server
    # start and the prefix's services. A server left over from discovery or from an aborted run
    # would refuse the new one, so it goes first. The server and the services that wineboot
    # starts outlive this call: they must not inherit ctest's output pipes, or ctest would wait
    # for them to close until the test timed out.
    [ -e "$WINEPREFIX/system.reg" ] || wine wineboot --init </dev/null >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
    ;;
--stop-server)
    wineserver -k
    ;;
*)
    # The C runtime writes CR LF line ends to the pipe; GoogleTest's discovery parses the
    # test names line by line and would keep the CR.
    # Two failures of wine itself, not of the program, run the program once more:
    # - wine's own loader process now and then dies of a signal while the program ends, after the
    #   program has reported its result (seen once in a CI run of 429 Windows tests under load: a
    #   segmentation fault of wine after "[  PASSED  ]"; the same test passed in 20 runs after).
    #   A program that itself crashes ends with its Windows exception code, not a signal of wine's.
    # - wine now and then fails to launch the program at all ("Application could not be started
    #   ... ShellExecuteEx failed: Internal error", seen once in 429 tests), the program having
    #   printed nothing: it never ran.
    # Only the last run's output is shown, so that test discovery never reads a listing twice. A
    # fault of ours that repeats still fails.
    output=$(mktemp)
    errors=$(mktemp)
    trap 'rm -f "$output" "$errors"' EXIT
    for attempt in 1 2; do
        status=0
        wine "$@" 2>"$errors" | tr -d '\r' >"$output" || status=$?
        reason=
        if [ "$status" -ge 128 ]; then
            reason="wine died of signal $((status - 128))"
        elif [ "$status" -ne 0 ] && grep -qs "ShellExecuteEx failed" "$output" "$errors" &&
            ! grep -qv -e "^Application could not be started" -e "^ShellExecuteEx failed" \
                -e '^$' "$output"; then
            reason="wine could not start it"
        fi
        if [ -z "$reason" ] || [ "$attempt" -eq 2 ]; then
            cat "$errors" >&2
            cat "$output"
            exit "$status"
        fi
        echo "wine-emulator.sh: $reason; running $1 once more" >&2
    done
    ;;
esac

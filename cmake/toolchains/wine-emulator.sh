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
    wine "$@" | tr -d '\r'
    ;;
esac

#!/usr/bin/env bash
# Starts or stops the wineserver of the test prefix. Every stream is detached:
# a server that inherits ctest's pipe makes ctest wait for it, or hang.
set -u
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
case "${1:-}" in
  start)
    mkdir -p "$WINEPREFIX"
    "$server" -p </dev/null >/dev/null 2>&1
    # Creates the prefix on first use (a few seconds), then only wakes it.
    "$wine" wineboot </dev/null >/dev/null 2>&1
    rc=$?
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "wine prefix not created (rc=$rc)"; exit 1; }
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  stop)
    "$server" -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Starts or stops a Wine session of the Windows tests: the shared one, or one whose System32
# holds the stand-in libraries.
#
#   wine-session.sh start PREFIX [LIBRARY...]
#                                  create PREFIX if needed, copy the libraries into its
#                                  System32, keep a wineserver running
#   wine-session.sh stop PREFIX    end the wineserver and every Wine process of PREFIX
set -euo pipefail
action=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case "$action" in
start)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w </dev/null
  fi
  if [ $# -gt 0 ]; then
    cp "$@" "$WINEPREFIX/drive_c/windows/system32/"
  fi
  # Start from a clean server of our own, whatever an interrupted run left behind.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null
  # A persistent server makes each later wine start cost about 0.1 s instead of 1 s.
  wineserver -p </dev/null >/dev/null 2>&1
  # The first program of a session starts Wine's background services; start them here with
  # no pipe attached, or they would hold a test's output pipes open until the session ends.
  wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
  ;;
stop)
  wineserver -k </dev/null || true
  wineserver -w </dev/null || true
  ;;
*)
  echo "usage: wine-session.sh start PREFIX [LIBRARY...] | stop PREFIX" >&2
  exit 2
  ;;
esac

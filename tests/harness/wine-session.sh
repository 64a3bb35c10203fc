#!/usr/bin/env bash
# Starts or stops a Wine session of the Windows tests: the shared one, one whose System32
# holds the simulated libraries, or one whose debugger is switched off.
#
#   wine-session.sh start PREFIX [LIBRARY...]
#                                  create PREFIX if needed, copy the libraries into its
#                                  System32, keep a wineserver running
#   wine-session.sh start-without-debugger PREFIX
#                                  the same, with no debugger for a program that crashes
#   wine-session.sh stop PREFIX    end the wineserver and every Wine process of PREFIX
set -euo pipefail
action=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case "$action" in
start | start-without-debugger)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w </dev/null
  fi
  # A program that crashes starts the debugger that AeDebug names, and Wine falls back to its
  # own (winedbg, whose report goes to the program's standard output) when the key names none.
  # An empty command starts nothing: the crash then ends the program with the exception code
  # as its status (0xC0000005 for an access violation), as on Windows, and Wine writes one
  # line of its own on the program's standard error.
  if [ "$action" = start-without-debugger ]; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
      /t REG_SZ /d '' /f </dev/null >/dev/null
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
  echo "usage: wine-session.sh start PREFIX [LIBRARY...] | start-without-debugger PREFIX |" \
    "stop PREFIX" >&2
  exit 2
  ;;
esac

#!/usr/bin/env bash
# Starts or stops a Wine session of the Windows tests: the shared one, one whose System32
# holds the simulated libraries, or one whose debugger is switched off.
#
#   wine-session.sh start PREFIX [LIBRARY...]
#                                  create PREFIX if needed, copy the libraries into its
#                                  System32, keep a wineserver running
#   wine-session.sh start-without-debugger PREFIX
#                                  the same, with no debugger for a program that crashes, and
#                                  with an X server (Xvfb) whose display the session's desktop
#                                  uses; PREFIX/x-display names it (":N") for the programs
#                                  that are to have console windows
#   wine-session.sh stop PREFIX    end the wineserver and every Wine process of PREFIX, and
#                                  the session's X server
set -euo pipefail
action=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
x_display_file=$WINEPREFIX/x-display
x_server_pid_file=$WINEPREFIX/x-server.pid

# Ends the X server that an earlier session of this prefix started, if it still runs.
stop_x_server() {
  if [ -f "$x_server_pid_file" ]; then
    local pid
    pid=$(cat "$x_server_pid_file")
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
      kill "$pid"
    fi
    rm -f "$x_server_pid_file" "$x_display_file"
  fi
}

# Starts Xvfb on a free display (-displayfd: it picks the number and writes it once it
# accepts connections), detached from this script's output so that the test that starts
# the session ends.
start_x_server() {
  stop_x_server
  local ready
  ready=$(mktemp)
  setsid Xvfb -displayfd 3 -nolisten tcp 3>"$ready" </dev/null >/dev/null 2>&1 &
  echo $! >"$x_server_pid_file"
  for _ in $(seq 100); do
    [ -s "$ready" ] && break
    sleep 0.1
  done
  if [ ! -s "$ready" ]; then
    rm -f "$ready"
    echo "wine-session.sh: Xvfb did not start" >&2
    exit 1
  fi
  echo ":$(head -n 1 "$ready")" >"$x_display_file"
  rm -f "$ready"
}

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
    # Wine gives a console a window only when it has an X display, and the session's desktop
    # process (explorer.exe, started below) takes its display when it starts: a program given
    # a display later still gets no console window. So the session starts under the X server,
    # and the programs that are to have console windows (the kit's self-check) get the same
    # display; the others run as before, without one.
    start_x_server
    DISPLAY=$(cat "$x_display_file")
    export DISPLAY
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
  stop_x_server
  ;;
*)
  echo "usage: wine-session.sh start PREFIX [LIBRARY...] | start-without-debugger PREFIX |" \
    "stop PREFIX" >&2
  exit 2
  ;;
esac

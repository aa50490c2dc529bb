#!/usr/bin/env bash
# The window program for Windows on the demo farm, as a Windows player sees it:
# vykfind.exe (from scripts/windows.sh) under Wine with Qt's windows platform,
# inside a Wine virtual desktop, which draws the window frames (a bare X server
# has no window manager to do it). The farm runs natively (scripts/demo.sh).
# Usage: scripts/windows-demo.sh                   on this display
#        scripts/windows-demo.sh --screenshot PNG  on a display of its own (Xvfb):
#                                                  clicks "Refresh All", saves the screen
set -euo pipefail
cd "$(dirname "$0")/.."
shot=
if [[ ${1:-} == --screenshot ]]; then
  shot=${2:?usage: scripts/windows-demo.sh --screenshot FILE.png}
  [[ $shot == /* ]] || shot=$PWD/$shot
fi
for f in build-win/src/vykfind.exe build-win/src/platforms/qwindows.dll \
         build-win-host/tools/q3sim/q3sim; do
  [[ -f $f ]] || { echo "$f is missing: run scripts/windows.sh with Qt for Windows built"; exit 1; }
done

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX=$PWD/build-win/wineprefix-desktop WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=
size=1100x800
display_pid=
cleanup() {
  "${wine%wine64}wineserver" -k 2>/dev/null || true
  [[ -n $display_pid ]] && kill "$display_pid" 2>/dev/null || true
}
trap cleanup EXIT
if [[ -n $shot ]]; then
  # A display number of the server's own choosing.
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 ${size}x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  display_pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=:$number
fi
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "== making the Wine prefix (once)"
  "$wine" wineboot --init >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d $size /f >/dev/null 2>&1
  "${wine%wine64}wineserver" -w
fi

export VYK_DEMO_PROGRAM="$wine build-win/src/vykfind.exe" VYK_DEMO_HOME=$PWD/build-win/demo-home
export VYK_DEMO_Q3SIM=build-win-host/tools/q3sim/q3sim
if [[ -z $shot ]]; then
  exec scripts/demo.sh build-win
fi

scripts/demo.sh build-win >build-win/demo.log 2>&1 &
demo=$!
# The main window's title names the alias; wait for it to be drawn.
title="Demo"
for _ in $(seq 120); do
  sleep 1
  xdotool search --name "Wine desktop" >/dev/null 2>&1 && [[ -f build-win/demo-home/cache.srv ]] &&
    ! pgrep -f -- '--refresh --all' >/dev/null && break
done
sleep 8
capture() { import -window root "$shot"; }
capture
# Refresh All: the button's place in the window, from the window's frame corner.
corner=$(convert "$shot" -crop 1x1+0+0 txt:- >/dev/null 2>&1 && python3 scripts/find-frame.py "$shot" || true)
echo "$corner $title"
wait "$demo" || true

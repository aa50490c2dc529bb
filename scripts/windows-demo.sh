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
xvfb=
cleanup() {
  "${wine%wine64}wineserver" -k 2>/dev/null || true
  if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT
if [[ -n $shot ]]; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 ${size}x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
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
  scripts/demo.sh build-win
  exit
fi

scripts/demo.sh build-win >build-win/demo.log 2>&1 &
demo=$!
# The skin's black client area, found on the screen: a new Wine prefix and the
# quiet first refresh take a while, so wait until the window is drawn.
client=
for _ in $(seq 90); do
  sleep 2
  kill -0 "$demo" 2>/dev/null || { cat build-win/demo.log; exit 1; }
  import -window root "$shot"
  client=$(convert "$shot" -fill white +opaque black -format '%@' info: 2>/dev/null)
  [[ $client =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] && ((BASH_REMATCH[1] > 400)) && break
  client=
done
[[ -n $client ]] || { echo "the window did not appear"; exit 1; }
sleep 3
# "Refresh All" lies at (4, 178), 56 x 14 of the main dialog's 480 x 322 units.
read -r w h x y <<<"${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
xdotool mousemove $((x + w * 32 / 480)) $((y + h * 185 / 322)) click 1
# Silent servers take their 2 s; the rows are done well before 10 s.
sleep 10
xdotool mousemove $((x + w - 20)) $((y + h + 40))
import -window root "$shot"
# The window with its frame, without the empty desktop around it.
convert "$shot" -crop $((w + 16))x$((h + 24))+$((x - 8))+$((y - 12)) +repage "$shot"
echo "saved $shot"

#!/usr/bin/env bash
# The demo that works on any machine without Internet: a loopback server farm
# on 127.0.0.1 (a share of it on [::1] when the machine has it) with two masters,
# and vykfind on a fresh home whose Config.ini points both masters at the farm
# and whose server list names the farm.
# Without a display it prints the refreshed list instead of opening a window.
# Usage: scripts/demo.sh BUILD_DIR [vykfind arguments...]
# VYK_DEMO_PROGRAM runs another program than BUILD_DIR's vykfind (words split
# on blanks: "wine64 build-win/src/vykfind.exe"), VYK_DEMO_Q3SIM another farm.
set -euo pipefail
build=${1:?usage: scripts/demo.sh BUILD_DIR [vykfind arguments...]}
shift
read -ra vykfind <<<"${VYK_DEMO_PROGRAM:-$build/src/vykfind}"
q3sim=${VYK_DEMO_Q3SIM:-$build/tools/q3sim/q3sim}
home=${VYK_DEMO_HOME:-$build/demo-home}
servers=${VYK_DEMO_SERVERS:-60}

rm -rf "$home"
mkdir -p "$home"

# Free ports for the servers and the masters; q3sim writes the server list. The
# second master knows only "getservers" and lists part of what the first does.
# The log exists before the farm starts: the background start opens it only
# after the fork, and the first look for the ports below may come before that.
: >"$home/q3sim.log"
"$q3sim" --servers "$servers" --base-port 0 --master-port 0 --seed 7 \
  --silent 0.08 --full 0.15 --password 0.12 --latency 5:140 --players 0:12 \
  --protocols 66,67,68 --rcon-password demo --ipv6 0.2 --master2-port 0 \
  --list "$home/server.vyk" >"$home/q3sim.log" 2>&1 &
farm=$!
trap 'kill "$farm" 2>/dev/null || true; wait "$farm" 2>/dev/null || true' EXIT INT TERM

master=
master2=
for _ in $(seq 100); do
  master=$(sed -n 's/^q3sim: ready .* master_port=\([0-9]*\).*/\1/p' "$home/q3sim.log")
  master2=$(sed -n 's/^q3sim: ready .* master2_port=\([0-9]*\).*/\1/p' "$home/q3sim.log")
  [ -n "$master" ] && [ -n "$master2" ] && break
  kill -0 "$farm" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$master" ] || [ -z "$master2" ]; then
  echo "demo: the server farm did not start:" >&2
  cat "$home/q3sim.log" >&2
  exit 1
fi

cat >"$home/Config.ini" <<INI
[info]
LastAlias=^3Demo^7Player
MasterServer=127.0.0.1
MasterServerPort=$master
MoreMasters=127.0.0.1:$master2
[quake3]
protocol=68
MoreProtocols=67
INI
printf '%s\n' 'sarge' 'visor' >"$home/player.vyk"
printf '%s\n' '^3Demo^7Player' >"$home/Alias.vyk"

export VYKFIND_HOME=$home
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the demo farm's server list, as the window would show it." >&2
  "${vykfind[@]}" --refresh
elif [ $# -eq 0 ]; then
  # The window lists the servers under the names the cache holds; one quiet
  # refresh first, so the list opens with every server's coloured name.
  echo "Asking the demo servers for their names..." >&2
  "${vykfind[@]}" --refresh --all >/dev/null 2>&1 || true
  "${vykfind[@]}"
else
  "${vykfind[@]}" "$@"
fi

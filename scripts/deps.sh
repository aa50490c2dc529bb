#!/usr/bin/env bash
# Installs what building, testing and running need, when it is missing.
# Usage: scripts/deps.sh [build|run|test|windows|qt-mingw|package]
set -euo pipefail
purpose=${1:-test}
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev
          qt6-base-dev libgl-dev nlohmann-json3-dev fonts-dejavu-core
          libgeoip-dev geoip-database famfamfam-flag-png)
case "$purpose" in
  run)  packages+=(xvfb xauth) ;;
  test) packages+=(clang libclang-rt-14-dev dbus) ;;
  # The cross build needs no Qt: the compiler for Windows, Wine, googletest's sources.
  windows) packages=(cmake ninja-build g++ nlohmann-json3-dev googletest
                     g++-mingw-w64-x86-64-posix wine64) ;;
  # Qt for Windows from Debian's qtbase source, with the host's moc, rcc and uic.
  qt-mingw) packages=(cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev
                      qt6-base-dev-tools dpkg-dev patch perl xz-utils) ;;
  # The .deb, its checks, the Windows installer; the Windows build brings the rest.
  package) packages+=(dpkg-dev file fakeroot lintian desktop-file-utils nsis xvfb xauth) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

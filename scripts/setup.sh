#!/usr/bin/env bash
# Installs what Kestrova's builds and tests need on Debian 12 (as root, apt-get).
# Does nothing when everything is present already.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang-format
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  libz-mingw-w64
  googletest libclang-rt-14-dev
  wine64 xvfb x11-apps imagemagick xdotool
  fonts-wqy-microhei locales iproute2 procps psmisc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages ${missing[*]}; run as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Chinese locale gives the ANSI code page 936 under Wine.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
  fi
fi

# The 32-bit tier's runtime (Wine 32 and the emulator that runs it), privately in the build tree.
bash "$(dirname "$0")/i386-runtime.sh"
exit 0

#!/usr/bin/env bash
# The 32-bit tier's Wine environment: the private Xvfb, prefix and wineserver of
# tests/wine/winenv.sh, with the 32-bit Wine of tests/wine32/env.sh (a win32 prefix of its own).
#
#   runtime.sh start DIR   registers the binfmt_misc entry "kestrova-i386" (i386 ELF files run
#                          by the emulator), then starts the environment in DIR
#   runtime.sh stop DIR    stops the environment and removes the entry; safe at any time
#
# Wine starts every process (wineboot, services, explorer, the programs) by exec'ing its
# 32-bit loader, which this kernel does not run: the entry hands such files to the emulator
# (flags P: argv[0] kept; F: the emulator opened now, so it is found from any namespace).
# KESTROVA_WINE32_BINFMT=0 leaves the entry alone (a second environment inside a network
# namespace, while the tier's fixture owns the entry).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=${1:?usage: runtime.sh start|stop DIR}
dir=${2:?usage: runtime.sh start|stop DIR}
binfmt=/proc/sys/fs/binfmt_misc
entry=kestrova-i386
own_binfmt=${KESTROVA_WINE32_BINFMT:-1}

binfmt_off() {
  [ "$own_binfmt" = 1 ] || return 0
  if [ -e "$binfmt/$entry" ]; then
    echo -1 >"$binfmt/$entry" 2>/dev/null || return 1
  fi
  return 0
}

binfmt_on() {
  [ "$own_binfmt" = 1 ] || return 0
  if ! mountpoint -q "$binfmt"; then
    mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  fi
  binfmt_off
  # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386).
  printf ':%s:M::%s:%s:%s:PF\n' "$entry" \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    "$KESTROVA_QEMU" >"$binfmt/register"
}

case "$cmd" in
  start)
    # shellcheck source=env.sh
    source "$here/env.sh" || exit 1
    binfmt_on || { echo "runtime: cannot register the binfmt_misc entry" >&2; exit 1; }
    if ! bash "$here/../wine/winenv.sh" start "$dir"; then
      binfmt_off
      exit 1
    fi
    # user32 imports zlib1.dll; processes started later look for it in system32 too.
    prefix=$(sed -n 's/^WINEPREFIX=//p' "$dir/state")
    cp "$QEMU_LD_PREFIX/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll" \
      "$prefix/drive_c/windows/system32/zlib1.dll"
    ;;
  stop)
    # Without the runtime (never installed, or removed) there is nothing of it to stop but
    # the entry; winenv.sh's stop needs only the server, which is the machine's.
    source "$here/env.sh" 2>/dev/null || export WINESERVER=/usr/lib/wine/wineserver64
    bash "$here/../wine/winenv.sh" stop "$dir"
    binfmt_off
    ;;
  *) echo "usage: runtime.sh start|stop DIR" >&2; exit 2 ;;
esac

# The environment of the 32-bit runtime (sourced by runtime.sh and emulator32.sh): Debian's
# 32-bit Wine from the private i386 root of scripts/i386-runtime.sh, the emulator that runs
# it, and the machine's 64-bit wineserver, which serves 32-bit clients as well.
# KESTROVA_I386_RUNTIME overrides where the runtime lies (default build/i386-runtime).
kestrova_wine32_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kestrova_i386_runtime=${KESTROVA_I386_RUNTIME:-$kestrova_wine32_here/../../build/i386-runtime}
if [ ! -f "$kestrova_i386_runtime/ready" ]; then
  echo "wine32: no 32-bit runtime in $kestrova_i386_runtime (scripts/i386-runtime.sh)" >&2
  return 1
fi
kestrova_i386_runtime=$(cd "$kestrova_i386_runtime" && pwd)
KESTROVA_QEMU=$kestrova_i386_runtime/qemu/usr/bin/qemu-i386
# The emulator looks up the i386 programs' loader and libraries below this root; the processes
# that Wine starts inherit it.
export QEMU_LD_PREFIX=$kestrova_i386_runtime/root
export WINE=$QEMU_LD_PREFIX/usr/lib/wine/wine
export WINESERVER=/usr/lib/wine/wineserver64
export WINEARCH=win32

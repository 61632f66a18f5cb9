#!/usr/bin/env bash
# Installs, privately, the runtime that executes the 32-bit release exe on this 64-bit
# machine: Debian's 32-bit Wine (wine32:i386 and its i386 libraries), unpacked into a root
# of its own, run by qemu's user-mode emulator (version 8 or later, from the backports suite
# of the Debian archive that the machine's apt sources name).
#
#   scripts/i386-runtime.sh [DIR]     default DIR: build/i386-runtime
#
# DIR/root is the i386 root (merged /usr layout, its own ld.so.cache), DIR/qemu the unpacked
# emulator (DIR/qemu/usr/bin/qemu-i386, static), DIR/apt the private apt state and package
# cache. Nothing is installed system-wide and the 64-bit Wine is left alone. Does nothing
# when DIR/ready exists.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/i386-runtime}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
[ -f "$dir/ready" ] && exit 0

start=$SECONDS
log() { echo "i386-runtime: $*" >&2; }

# The archive the machine already uses (deb822 or one-line sources), never a host of our own.
archive=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian\)\/*[[:space:]]*$/\1/p' \
  /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -n1 || true)
if [ -z "$archive" ]; then
  archive=$(sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]*debian\)\/*[[:space:]].*/\2/p' \
    /etc/apt/sources.list 2>/dev/null | grep -v security | head -n1 || true)
fi
if [ -z "$archive" ]; then
  log "no Debian archive in the apt sources"; exit 1
fi
security=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian-security\)\/*[[:space:]]*$/\1/p' \
  /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1 || true)

apt=$dir/apt
rm -rf "$apt" "$dir/root" "$dir/qemu"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/etc/preferences.d" \
  "$apt/etc/apt.conf.d"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
{
  echo "deb [arch=amd64,i386 signed-by=$keyring] $archive bookworm main"
  echo "deb [arch=amd64,i386 signed-by=$keyring] $archive bookworm-updates main"
  echo "deb [arch=amd64 signed-by=$keyring] $archive bookworm-backports main"
  [ -n "$security" ] && echo "deb [arch=amd64,i386 signed-by=$keyring] $security bookworm-security main"
} >"$apt/sources.list"
: >"$apt/status"
# A private apt: its own sources, lists, cache and an empty package database, so that the
# closure of wine32:i386 is downloaded whole and the machine's apt state is not touched.
aptopts=(
  -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
  -o "Dir::Etc::Preferences=/dev/null" -o "Dir::Etc::PreferencesParts=$apt/etc/preferences.d"
  -o "Dir::Etc::Parts=$apt/etc/apt.conf.d"
  -o "Dir::State::Lists=$apt/lists" -o "Dir::State::status=$apt/status"
  -o "Dir::Cache=$apt/cache" -o "Dir::Cache::archives=$apt/cache/archives"
  -o "APT::Architecture=amd64" -o "APT::Architectures::=amd64" -o "APT::Architectures::=i386"
  -o "APT::Install-Recommends=false" -o "APT::Get::Assume-Yes=true" -o "Debug::NoLocking=true"
  -o "APT::Sandbox::User=root"
)
log "package lists from $archive"
apt-get "${aptopts[@]}" -qq update

# The emulator: bookworm's qemu 7.2 ignores MAP_FIXED_NOREPLACE, which makes Wine's
# address-space reservation spin for a minute in every process.
# From 9.x on, qemu-user itself is statically linked.
log "qemu-user from bookworm-backports"
(cd "$apt/cache/archives" && apt-get "${aptopts[@]}" -qq download qemu-user/bookworm-backports)
mkdir -p "$dir/qemu"
dpkg -x "$apt"/cache/archives/qemu-user_*.deb "$dir/qemu"
rm -f "$apt"/cache/archives/qemu-user_*.deb
# Of its thirty-odd emulators only the i386 one is used.
find "$dir/qemu/usr/bin" -name 'qemu-*' ! -name qemu-i386 -delete
qemu=$dir/qemu/usr/bin/qemu-i386
"$qemu" --version | head -n1 >&2

log "wine32:i386 and its libraries"
apt-get "${aptopts[@]}" -qq install --download-only wine32:i386 >/dev/null
mkdir -p "$dir/root"
for deb in "$apt"/cache/archives/*_i386.deb "$apt"/cache/archives/*_all.deb; do
  [ -e "$deb" ] || continue
  dpkg -x "$deb" "$dir/root"
done
# Merged layout: the loader and the libraries that packages put in /lib live in /usr/lib.
root=$dir/root
for d in lib lib32 lib64 bin sbin; do
  if [ -d "$root/$d" ] && [ ! -L "$root/$d" ]; then
    mkdir -p "$root/usr/$d"
    cp -a "$root/$d/." "$root/usr/$d/"
    rm -rf "${root:?}/$d"
  fi
  [ -e "$root/$d" ] || ln -s "usr/$d" "$root/$d"
done
mkdir -p "$root/etc"
printf '/usr/lib/i386-linux-gnu\n/lib/i386-linux-gnu\n' >"$root/etc/ld.so.conf"
ldconfig -r "$root"

# user32 imports zlib1.dll, which Debian's Wine takes from the system's mingw zlib; here it is
# one of Wine's own builtins ("Wine builtin DLL" at 0x40 marks a file so).
zlib=$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll
cp /usr/i686-w64-mingw32/lib/zlib1.dll "$zlib"
printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' |
  dd of="$zlib" bs=1 seek=64 conv=notrunc status=none

rm -rf "$apt/cache/archives" "$apt/lists"
printf 'QEMU=%s\nROOT=%s\n' "$qemu" "$root" >"$dir/ready"
log "ready in $((SECONDS - start)) s: $(du -sh "$root" | cut -f1) root"

#!/usr/bin/env bash
# Installs what building and testing need, on Debian, as root. Quiet and
# idempotent: does nothing when everything is there.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine32:i386 wine64 xvfb xauth cmake ninja-build \
         googletest gcab cabextract imagemagick python3; do
    have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
echo "== installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null 2>/tmp/klp-apt.err \
    || { cat /tmp/klp-apt.err >&2; exit 1; }

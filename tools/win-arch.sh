#!/usr/bin/env bash
# Prints the Windows architecture the tests run as: i686 where this machine runs 32-bit
# code and 32-bit Wine is installed, x86_64 otherwise (64-bit Wine and the x86_64 test
# build). KV_WIN_ARCH overrides the answer. With --machine it answers for the machine
# alone, whatever is installed (the bootstrap asks so before it installs Wine).
if [ -n "${KV_WIN_ARCH:-}" ]; then echo "$KV_WIN_ARCH"; exit 0; fi
here=$(cd "$(dirname "$0")" && pwd)
probe=$(mktemp)
if gcc -O0 -no-pie -o "$probe" "$here/ia32probe.c" 2>/dev/null && "$probe" &&
   { [ "${1:-}" = --machine ] || dpkg -s wine32:i386 >/dev/null 2>&1; }; then
  echo i686
else
  echo x86_64
fi
rm -f "$probe"

#!/usr/bin/env bash
# Prints the Windows architecture the tests run as: i686 where this machine runs 32-bit
# code (32-bit Wine), x86_64 where it does not. KV_WIN_ARCH overrides the probe.
if [ -n "${KV_WIN_ARCH:-}" ]; then echo "$KV_WIN_ARCH"; exit 0; fi
here=$(cd "$(dirname "$0")" && pwd)
probe=$(mktemp)
if gcc -O0 -no-pie -o "$probe" "$here/ia32probe.c" 2>/dev/null && "$probe"; then
  echo i686
else
  echo x86_64
fi
rm -f "$probe"

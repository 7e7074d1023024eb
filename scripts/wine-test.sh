#!/bin/sh
# Runs one Windows test program under Wine. A program that dies before its first line of output
# (a DLL that does not load, a broken prefix) leaves ctest nothing to show, so its exit status is
# said here; Wine passes the low byte of the Windows status (0x35 for a DLL not found).
# On a loaded machine Wine now and then ends a program before its own code has run, with status 1
# and no output at all; such a start is tried once more. A test that failed printed its failures,
# so a real failure is never run twice.
out=$(mktemp)
wine "$@" >"$out"
rc=$?
cat "$out"
if [ "$rc" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-test: $1 ended with exit status $rc before any output; starting it once more" >&2
  wine "$@" >"$out"
  rc=$?
  cat "$out"
fi
rm -f "$out"
if [ "$rc" -ne 0 ]; then
  echo "wine-test: $1 ended with exit status $rc" >&2
fi
exit "$rc"

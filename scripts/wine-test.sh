#!/bin/sh
# Runs one Windows test program under Wine. A program that dies before its first line of output
# (a DLL that does not load, a broken prefix) leaves ctest nothing to show, so its exit status is
# said here; Wine passes the low byte of the Windows status (0x35 for a DLL not found).
wine "$@"
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "wine-test: $1 ended with exit status $rc" >&2
fi
exit "$rc"

#!/bin/sh
# Runs a Windows program under Wine for CTest (tests and their discovery):
#   run-under-wine.sh WINE PROGRAM [ARGUMENT...]
# With WINEDEBUG=-all a program that Wine's loader could not start (a library
# missing or failing as it loads) ends without a word. On any failure this says
# how the program ended and how soon, so that such an end can be told from a
# failed test. Wine ends with the low byte of the Windows status: 53 is
# 0xC0000135 (a library not found), 66 is 0xC0000142 (a library's start failed),
# 5 is 0xC0000005 (an access violation).
wine=$1
shift
started=$(date +%s%N)
"$wine" "$@"
status=$?
if [ "$status" -ne 0 ]; then
  ended=$(date +%s%N)
  echo "run-under-wine: $1 ended with status $status after $(( (ended - started) / 1000000 )) ms" >&2
fi
exit "$status"

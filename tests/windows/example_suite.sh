#!/usr/bin/env bash
# The example suite end to end on Windows, rtrun.exe under plain Wine, and on
# Linux: both end with status 1 (the suite fails on purpose) and their reports
# say the same apart from times, machine and platform name.
#
#   example_suite.sh LINUX_RTRUN WINDOWS_RTRUN_EXE [RTRUN_OPTION...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
suite="$here/../../example/suite"
linux_rtrun="$(realpath "$1")"
windows_rtrun="$(realpath "$2")"
shift 2
scripts=(smoke.rt showcase.rt golden.rt)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for side in linux windows; do
  mkdir "$work/$side"
  cp -r "$suite" "$work/$side/"
  rm -rf "$work/$side/suite/Results"
done

run() {  # side, then the command; its output kept for the message on failure
  local side="$1" status=0
  shift
  (cd "$work/$side" && "$@" --suite suite "${scripts[@]}" >"$work/$side.out" 2>"$work/$side.err") || status=$?
  if [ "$status" -ne 1 ]; then
    echo "example suite on $side: exit status $status (1 expected)"
    cat "$work/$side.out" "$work/$side.err"
    exit 1
  fi
}
run linux "$linux_rtrun" "$@"
run windows wine "$windows_rtrun" "$@"

report() {  # the one report a side's run wrote
  local found=("$work/$1"/suite/Results/*.xml)
  if [ "${#found[@]}" -ne 1 ] || [ ! -f "${found[0]}" ]; then
    echo "example suite on $1: not one report in Results/: ${found[*]}"
    exit 1
  fi
  echo "${found[0]}"
}
linux_report="$(report linux)"
windows_report="$(report windows)"
if ! python3 "$here/same_report.py" "$linux_report" LNX64 "$windows_report" WIN64; then
  echo "example suite: the Windows report differs from the Linux one (above)"
  exit 1
fi
echo "example suite: the Windows report says what the Linux one says"

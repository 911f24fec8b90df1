#!/usr/bin/env bash
# The example suite end to end on Windows, rtrun.exe under plain Wine, and on
# Linux, in the same steps on each: a whole run, the same at two jobs, then
# two shards and their merge. Each step ends with status 1 on both (the suite fails on purpose)
# and the reports say the same apart from times, machine and platform name.
# Then the Windows rtrun compares the two whole runs' reports (nothing new
# fails) and lists its recorded runs (the whole run and the merge).
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

rtrun() {  # side, expected status, then rtrun's arguments
  local side="$1" expected="$2" status=0 program="$linux_rtrun"
  shift 2
  local command=("$program")
  [ "$side" = windows ] && command=(wine "$windows_rtrun")
  (cd "$work/$side" && "${command[@]}" "$@" >"$work/$side.out" 2>"$work/$side.err") || status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "example suite on $side: rtrun $*: exit status $status ($expected expected)"
    cat "$work/$side.out" "$work/$side.err"
    exit 1
  fi
}

report() {  # the one report in a side's directory
  local found=("$work/$1/$2"/*.xml)
  if [ "${#found[@]}" -ne 1 ] || [ ! -f "${found[0]}" ]; then
    echo "example suite on $1: not one report in $2: ${found[*]}"
    exit 1
  fi
  echo "${found[0]}"
}

same() {  # what, then the directory holding the report on each side
  if ! python3 "$here/same_report.py" "$(report linux "$2")" LNX64 "$(report windows "$2")" WIN64; then
    echo "example suite: $1: the Windows report differs from the Linux one (above)"
    exit 1
  fi
  echo "example suite: $1: the Windows report says what the Linux one says"
}

for side in linux windows; do rtrun "$side" 1 "$@" --suite suite "${scripts[@]}"; done
same "whole run" suite/Results

for side in linux windows; do
  KXRT_RESULT_DIR=suite/Results/jobs rtrun "$side" 1 "$@" --suite suite --no-history --jobs 2 "${scripts[@]}"
done
same "two jobs" suite/Results/jobs

for side in linux windows; do
  rtrun "$side" 1 "$@" --suite suite --shard 0/2 "${scripts[@]}"
  rtrun "$side" 1 "$@" --suite suite --shard 1/2 "${scripts[@]}"
  rtrun "$side" 1 --suite suite --merge suite/Results/merged suite/Results/shard-0-of-2 suite/Results/shard-1-of-2
done
same "two shards merged" suite/Results/merged

cp "$(report linux suite/Results)" "$work/windows/linux.xml"
rtrun windows 0 --compare linux.xml "suite/Results/$(basename "$(report windows suite/Results)")"
rtrun windows 0 --suite suite --history
runs="$(grep -c ' WIN64 ' "$work/windows.out" || true)"
if [ "$runs" -ne 2 ]; then
  echo "example suite on windows: --history lists $runs runs on WIN64 (2 expected: the run and the merge)"
  cat "$work/windows.out"
  exit 1
fi
echo "example suite: on Windows --compare finds nothing new against Linux, and the history holds both runs"

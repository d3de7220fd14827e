#!/usr/bin/env bash
# Runs every fuzz target of a fuzz tree beyond its committed corpus: each
# target for a bounded time or number of runs (with both, whichever ends
# first), two at a time, with the committed corpus as its seeds. New inputs
# go to a scratch folder, never into the repository, unless --merge is
# given: then the inputs that add coverage are merged (minimised by
# libFuzzer's merge) into the committed corpus. Fails when a target finds a
# crash, a leak, undefined behaviour or a time-out; the input that did it
# is kept in <tree>/fuzz-findings. Prints one line per target: executions,
# coverage (edges, features) and corpus size.
# Usage: tools/fuzz-run.sh [--seconds N] [--runs N] [--merge] [--jobs N] [--only NAME] [FUZZ_TREE]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="" runs="" merge=0 jobs=2 only="" tree="$here/build/fuzz"
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift ;;
    --runs) runs=$2; shift ;;
    --merge) merge=1 ;;
    --jobs) jobs=$2; shift ;;
    --only) only=$2; shift ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) tree=$1 ;;
  esac
  shift
done
[ -f "$tree/CTestTestfile.cmake" ] || { echo "no fuzz tree at $tree (configure with -DRELIVO_FUZZ=ON)" >&2; exit 2; }

# The targets and their corpora, from the corpus replays CTest knows.
mapfile -t targets < <(cd "$tree" && ctest --show-only=json-v1 | python3 -c '
import json, sys
for t in json.load(sys.stdin)["tests"]:
    cmd = t.get("command") or []
    if t["name"].endswith("-corpus") and len(cmd) == 3 and cmd[1] == "-runs=0":
        print(t["name"][:-len("-corpus")], cmd[0], cmd[2])
')
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $tree" >&2; exit 2; }

scratch="$tree/fuzz-scratch"
findings="$tree/fuzz-findings"
rm -rf "$scratch"
mkdir -p "$scratch" "$findings"

# 20 s unless a number of runs is given; both when both are given.
[ -z "$seconds" ] && [ -z "$runs" ] && seconds=20
FUZZ_TIME="-max_total_time=${seconds:-0}"
FUZZ_RUNS="-runs=${runs:--1}"

# One target: fuzz into its scratch folder with the committed corpus as
# seeds; its log is <scratch>/<name>.log.
fuzz_one() { # name executable corpus
  local name=$1 exe=$2 corpus=$3
  mkdir -p "$scratch/$name"
  nice -n 19 "$exe" "$FUZZ_TIME" "$FUZZ_RUNS" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$name-" "$scratch/$name" "$corpus" >"$scratch/$name.log" 2>&1
  echo $? >"$scratch/$name.rc"
}
export -f fuzz_one
export scratch findings FUZZ_TIME FUZZ_RUNS

started=$(date +%s)
printf '%s\n' "${targets[@]}" | while read -r name exe corpus; do
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  echo "$name $exe $corpus"
done | xargs -P "$jobs" -L 1 bash -c 'fuzz_one "$@"' _

status=0
for line in "${targets[@]}"; do
  read -r name exe corpus <<<"$line"
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  log="$scratch/$name.log"
  rc=$(cat "$scratch/$name.rc" 2>/dev/null || echo 1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # The last status line carries the coverage: "#N ... cov: E ft: F corp: C/..."
  cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\).*/\1 edges, \2 features, corpus \3/p')
  if [ "$rc" != 0 ]; then
    status=1
    echo "$name: FINDING (exit $rc); input kept in $findings, log: $log"
    grep -E 'ERROR: |runtime error|SUMMARY' "$log" | head -5 | sed 's/^/  /'
  else
    echo "$name: ${execs:-?} executions, ${cov:-coverage unknown}"
  fi
  if [ "$merge" = 1 ] && [ "$rc" = 0 ]; then
    before=$(ls "$corpus" | wc -l)
    nice -n 19 "$exe" -merge=1 -timeout=60 "$corpus" "$scratch/$name" >"$scratch/$name.merge.log" 2>&1
    echo "  merged: corpus $before -> $(ls "$corpus" | wc -l) inputs"
  fi
done
echo "fuzzing took $(( $(date +%s) - started )) s"
exit $status

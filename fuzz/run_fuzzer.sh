#!/bin/bash
# Runs one libFuzzer target for a while and prints a one-line summary:
#   run_fuzzer.sh EXE SECONDS WORKDIR ARTIFACTDIR DICT [SEEDDIR...]
# New inputs go to WORKDIR (kept between runs; ZOR_FUZZ_FRESH=1 empties it
# first), crashes, leaks and slow inputs to ARTIFACTDIR. ZOR_FUZZ_RUNS=N ends
# the run after N executions if that comes before SECONDS. The full libFuzzer
# log is WORKDIR.log. Exits with libFuzzer's status: 0 when nothing was found.
set -uo pipefail

if [ $# -lt 5 ]; then
  echo "usage: $0 EXE SECONDS WORKDIR ARTIFACTDIR DICT [SEEDDIR...]" >&2
  exit 2
fi
exe=$1; seconds=$2; work=$3; artifacts=$4; dict=$5; shift 5
name=$(basename "$exe"); name=${name#fuzz_}

[ "${ZOR_FUZZ_FRESH:-0}" = 1 ] && rm -rf "$work"
mkdir -p "$work" "$artifacts"
# Absolute paths: the unpacker target changes its current directory.
exe=$(realpath "$exe"); work=$(realpath "$work"); artifacts=$(realpath "$artifacts")
dict=$(realpath "$dict")
seeds=()
for d in "$@"; do [ -d "$d" ] && seeds+=("$(realpath "$d")"); done

opts=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
      -dict="$dict" -artifact_prefix="$artifacts/$name-")
[ -n "${ZOR_FUZZ_RUNS:-}" ] && opts+=(-runs="$ZOR_FUZZ_RUNS")
case $name in
  # Pages are up to 1 MiB, but a few KiB hold every layout the parser knows.
  catalogue_page) opts+=(-max_len=4096) ;;
  # The unpacker prints a line per entry and a diagnostic per unreadable
  # archive; libFuzzer's own report still reaches the log.
  unpack) opts+=(-max_len=8192 -close_fd_mask=3) ;;
  # Eleven scanners and a drive list take a few hundred bytes of lines.
  discovery) opts+=(-max_len=2048) ;;
  *) opts+=(-max_len=512) ;;
esac

# The unpacker target's sandbox goes to a fast temporary directory that is
# removed afterwards even when a crash skipped the target's own clean-up.
tmp_base=/dev/shm; [ -d "$tmp_base" ] && [ -w "$tmp_base" ] || tmp_base=${TMPDIR:-/tmp}
tmp=$(mktemp -d "$tmp_base/zor-fuzz-$name-XXXXXX")
trap 'rm -rf "$tmp"' EXIT

log=$work.log
TMPDIR=$tmp "$exe" "${opts[@]}" "$work" "${seeds[@]}" >"$log" 2>&1
status=$?

done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
cov=$(echo "$done_line" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
ft=$(echo "$done_line" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
corp=$(echo "$done_line" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
if [ $status -eq 0 ]; then
  printf '%-15s ok       %12s runs  %8s exec/s  cov %-6s ft %-7s corpus %s\n' \
         "$name" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
else
  printf '%-15s FINDING  (libFuzzer status %d) after %s runs; log %s\n' "$name" "$status" "${runs:-?}" "$log"
  grep -E 'ERROR|FUZZ_CHECK|SUMMARY|Test unit written|^artifact_prefix' "$log" | head -20
fi
exit $status

#!/usr/bin/env bash
# Runs every benchmark in one go and prints their figures and ratios (make bench):
#   1. the load-format test's throughput beside wc -l, gawk and pandas, with peak memory;
#   2. save and load of 10 to 5,000 fields on SQLite and PostgreSQL beside the driver's limit;
#   3. the host's start-up to an interactive screen beside a bare Qt window;
#   4. the proposal of a load format from a 100 MB file beside wc -l, with peak memory;
#   5. the test with rules of every kind on a 300 MB payment file beside no rules, and no rules
#      beside wc -l: both ratios with their goals.
# Usage: bench/run.sh [BUILD] [options of bench_throughput, e.g. --gigabyte]
# The numbers depend on what else the machine runs: the load average is printed with them.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true
"$here/../scripts/install-deps.sh" bench

bin=$build/bin
for program in bench_throughput bench_saveload bench_startup bench_propose bench_rules velkora; do
    [ -x "$bin/$program" ] || { echo "$bin/$program is missing: build first (make build)" >&2; exit 2; }
done

echo "== 1. Throughput of velkora test KEY FILE --json"
"$bin/bench_throughput" "$@"
echo
echo "== 2. Save and load"
QT_QPA_PLATFORM=offscreen "$bin/bench_saveload"
echo
echo "== 3. Start-up"
"$bin/bench_startup"
echo
echo "== 4. Proposal of a load format from a file"
"$bin/bench_propose"
echo
echo "== 5. Rules of a load format"
"$bin/bench_rules"

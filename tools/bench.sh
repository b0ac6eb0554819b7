#!/usr/bin/env bash
# `make bench`: speed is measured here, never asserted by tests. Each
# benchmark is a script under bench/ (or generated into a temporary folder),
# run through tools/orvrun natively and under Wine; the native build is also
# counted with callgrind, whose instruction counts stay stable on a busy
# machine. Results go to bench/results/latest.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d /tmp/orv-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
out=bench/results/latest.txt
runs=${ORV_BENCH_RUNS:-5}

# A long straight-line script of expression lines: the evaluator's integer
# and string paths, assignments and concatenation, until loops exist.
gen_expressions() {
  python3 - "$1" <<'PY'
import sys
lines = ["SetBatchLines, -1", "a := 1", "b := 2", "s := \"\""]
for i in range(40000):
    lines.append(f"a := a + b * {i % 7} - (b // 2)")
    lines.append(f"b := (a & 255) + {i % 13}")
    lines.append("c := a > b ? a - b : b - a")
    lines.append("s .= \"x\"")
lines.append("FileAppend, % a \" \" b \" \" StrLen(s) \"`n\", *".replace("StrLen(s)", "c"))
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PY
}

median_ms() {  # command...: median wall time of $runs runs, in ms
  local times=() t0 t1
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

instructions() {  # script: instruction count of the native host
  if ! command -v valgrind >/dev/null; then echo "-"; return; fi
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" build/native/orvanta-run "$1" >/dev/null 2>"$work/cg.err" || true
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/cg.err" | head -1
}

gen_expressions "$work/expressions.orv"
benches=("$work/expressions.orv")
for f in bench/*.orv; do [ -e "$f" ] && benches+=("$f"); done

{
  echo "Orvanta benchmarks, $(date -u +%Y-%m-%d) (median of $runs runs, ms)"
  printf '%-24s %12s %12s %16s\n' benchmark native wine instructions
  for b in "${benches[@]}"; do
    name=$(basename "$b" .orv)
    n=$(median_ms tools/orvrun --native "$b")
    tools/orvpack "$b" -o "$work/$name.exe" >/dev/null
    w=$(median_ms tools/orvrun "$work/$name.exe")
    i=$(instructions "$b")
    printf '%-24s %12s %12s %16s\n' "$name" "$n" "$w" "$i"
  done
} | tee "$out"

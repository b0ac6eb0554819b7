#!/usr/bin/env bash
# `make bench`: speed is measured here, never asserted by tests.
#
# Every program under bench/ exists three times: bench/NAME.orv, and its peers
# bench/lua/NAME.lua and bench/python/NAME.py, which do the same work and print
# the same checksum line. Each runs natively, packed under Wine, in Lua 5.4 and
# in Python 3, ORV_BENCH_RUNS times (default 5); the table shows the median
# wall time of each, Orvanta's ratio to the peers, peak memory, and the
# callgrind instruction count of the native run, which stays stable on a busy
# machine where times do not. Checksums that disagree are marked and make the
# suite exit non-zero. Two generated rows have no peers: a long straight-line
# expression script, and a 20,000-line script that only measures loading.
#
# ORV_BENCH_ONLY=REGEX limits the run to matching benchmark names, for work on
# one program, and ORV_BENCH_WINE=0 leaves out the Wine column; such a partial run leaves bench/results/latest.txt alone.
# Results go to bench/results/latest.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d /tmp/orv-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
out=bench/results/latest.txt
runs=${ORV_BENCH_RUNS:-5}
only=${ORV_BENCH_ONLY:-}
wine=${ORV_BENCH_WINE:-1}
[ -z "$only" ] && [ "$wine" != 0 ] || out=$work/latest.txt  # a partial run keeps the full table
native=build/native/orvanta-run
lua=lua5.4
python=/usr/bin/python3  # Debian's, not whatever a version manager shims in
[ -x "$python" ] || python=python3

for tool in "$native" /usr/bin/time "$lua" "$python"; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (make setup, make build)" >&2; exit 2; }
done

# A long straight-line script of expression lines: the evaluator's integer
# and string paths, assignments and concatenation, without any loop.
gen_expressions() {
  "$python" - "$1" <<'PY'
import sys
lines = ["SetBatchLines, -1", "a := 1", "b := 2", "s := \"\""]
for i in range(40000):
    lines.append(f"a := a + b * {i % 7} - (b // 2)")
    lines.append(f"b := (a & 255) + {i % 13}")
    lines.append("c := a > b ? a - b : b - a")
    lines.append("s .= \"x\"")
lines.append("FileAppend, % a \" \" b \" \" c \"`n\", *")
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PY
}

# 20,000 lines of functions, classes and expressions that never run: the
# script exits on its third line, and since the whole file is loaded before
# anything runs, the time of the run is the time of loading it.
gen_load() {
  "$python" - "$1" <<'PY'
import sys
lines = ["; generated: loading only", "FileAppend, loaded`n, *", "ExitApp"]
i = 0
while len(lines) < 20000:
    k = i % 3
    if k == 0:
        lines += [f"Func{i}(a, b := {i % 9}, ByRef c := \"\") {{",
                  f"  local x := a * {i % 17} + b",
                  f"  if (x > {i % 100})",
                  f"    x := Mod(x, {i % 50 + 2}) . \"s{i}\"",
                  "  Loop 3",
                  "    c .= A_Index",
                  f"  return x StrLen(c) Func{i - 3}(1, 2)" if i >= 3 else "  return x",
                  "}"]
    elif k == 1:
        lines += [f"class Class{i} {{",
                  f"  field := {i}",
                  "  static shared := \"text\"",
                  "  __New(v := 0) {",
                  "    this.v := v + this.field",
                  "  }",
                  "  Get(n) {",
                  f"    return this.v * n + {i % 11}",
                  "  }",
                  "  Name() {",
                  f"    return \"c{i}\" this.Get(2)",
                  "  }",
                  "}"]
    else:
        lines += [f"v{i} := ({i} * 3 + {i % 7}) // 2 - {i % 5} ** 2",
                  f"s{i} := \"item\" . {i} . (v{i} > 10 ? \"big\" : \"small\")",
                  f"o{i} := {{a: {i}, b: [1, 2, {i % 4}], c: \"x\" . {i}}}",
                  f"r{i} := SubStr(s{i}, 2, 3) . InStr(s{i}, \"e\") . (o{i}.a & 255)"]
    i += 1
open(sys.argv[1], "w").write("\n".join(lines) + "\n")
PY
}

# measure TAG command...: runs the command $runs times; leaves the median
# wall time (ms) in $work/TAG.ms, the largest peak RSS (KB) in $work/TAG.kb
# and the first run's stdout, without carriage returns, in $work/TAG.out.
measure() {
  local tag=$1 t0 t1 i; shift
  : >"$work/$tag.times"
  local kb=0 k
  for i in $(seq "$runs"); do
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$work/$tag.rss" "$@" >"$work/$tag.run" 2>"$work/$tag.err" || true
    t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000000 )) >>"$work/$tag.times"
    k=$(tail -1 "$work/$tag.rss" | tr -dc 0-9); k=${k:-0}
    [ "$k" -gt "$kb" ] && kb=$k
    [ "$i" = 1 ] && tr -d '\r' <"$work/$tag.run" >"$work/$tag.out"
  done
  sort -n "$work/$tag.times" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}' >"$work/$tag.ms"
  echo "$kb" >"$work/$tag.kb"
}

instructions() {  # script: instruction count of the native host
  if ! command -v valgrind >/dev/null; then echo "-"; return; fi
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$native" "$1" >/dev/null 2>"$work/cg.err" || true
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/cg.err" | head -1
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
mb() { awk -v k="$1" 'BEGIN { if (k > 0) printf "%.1f", k / 1024; else print "-" }'; }

gen_expressions "$work/expressions.orv"
gen_load "$work/load_20k_lines.orv"
benches=("$work/expressions.orv" "$work/load_20k_lines.orv")
for f in bench/*.orv; do [ -e "$f" ] && benches+=("$f"); done

row='%-20s %8s %8s %8s %8s %8s %8s %8s %8s %8s %14s  %s\n'
: >"$work/mismatches"
{
  echo "Orvanta benchmarks, $(date -u +%Y-%m-%d), median of $runs runs"
  echo "times in ms; orv/lua and orv/py compare native Orvanta; peak memory (max RSS) in MB;"
  echo "instructions: callgrind count of the native run; checksum: all four outputs agree"
  echo
  printf "$row" benchmark native wine lua python orv/lua orv/py mem-orv mem-lua mem-py instructions checksum
  for b in "${benches[@]}"; do
    name=$(basename "$b" .orv)
    if [ -n "$only" ] && ! [[ $name =~ $only ]]; then continue; fi
    measure native "$native" "$b"
    outputs=(native)
    w=-
    if [ "$wine" != 0 ]; then
      tools/orvpack "$b" -o "$work/$name.exe" >/dev/null
      measure wine tools/orvrun "$work/$name.exe"
      w=$(cat "$work/wine.ms"); outputs+=(wine)
    fi
    l=- p=- rl=- rp=- ml=- mp=-
    if [ -f "bench/lua/$name.lua" ]; then
      measure lua "$lua" "bench/lua/$name.lua"
      l=$(cat "$work/lua.ms"); ml=$(mb "$(cat "$work/lua.kb")"); outputs+=(lua)
    fi
    if [ -f "bench/python/$name.py" ]; then
      measure python "$python" "bench/python/$name.py"
      p=$(cat "$work/python.ms"); mp=$(mb "$(cat "$work/python.kb")"); outputs+=(python)
    fi
    n=$(cat "$work/native.ms")
    [ "$l" != - ] && rl=$(ratio "$n" "$l")
    [ "$p" != - ] && rp=$(ratio "$n" "$p")
    check=ok
    for o in "${outputs[@]}"; do
      if [ ! -s "$work/$o.out" ] || ! cmp -s "$work/native.out" "$work/$o.out"; then check="MISMATCH"; fi
    done
    if [ "$check" != ok ]; then
      {
        echo "$name: checksums differ"
        for o in "${outputs[@]}"; do printf '  %-7s %s\n' "$o" "$(head -c 200 "$work/$o.out" | tr '\n' ' ')"; done
      } >>"$work/mismatches"
    else
      check="ok $(head -1 "$work/native.out")"
    fi
    i=$(instructions "$b")
    printf "$row" "$name" "$n" "$w" "$l" "$p" "$rl" "$rp" \
      "$(mb "$(cat "$work/native.kb")")" "$ml" "$mp" "${i:--}" "$check"
  done
  # The input paths, natively against the program's own hook code: what
  # one typed key costs, with and without a large hotstring table.
  if [ -x build/native/orv-bench-input ] && { [ -z "$only" ] || [[ input =~ $only ]]; }; then
    echo
    echo "input paths (native, per key; the best of $runs runs)"
    build/native/orv-bench-input --runs "$runs" | sed 's/^/  /'
  fi
  # Window search on Wine's desktop with 50 windows of another process, and
  # a hotkey's way from its key event to its thread.
  if [ "$wine" != 0 ] && [ -x build/win/orv-testdriver.exe ] && { [ -z "$only" ] || [[ windows =~ $only ]]; }; then
    echo
    echo "windows (under Wine)"
    tools/orvpack bench/windows/window_bench.orv -o "$work/window_bench.exe" >/dev/null
    source tools/wine-env.sh >/dev/null
    (orv_wine build/win/orv-testdriver.exe windows 50 "Bench Window " >/dev/null 2>&1 &)
    tools/orvrun "$work/window_bench.exe" | tr -d '\r' | sed 's/^/  /'
    tools/orvpack bench/windows/hotkey_latency.orv -o "$work/hotkey_latency.exe" >/dev/null
    tools/orvrun "$work/hotkey_latency.exe" | tr -d '\r' | sed 's/^/  /'
    tools/orvpack bench/windows/gui_bench.orv -o "$work/gui_bench.exe" >/dev/null
    tools/orvrun "$work/gui_bench.exe" | tr -d '\r' | sed 's/^/  /'
  fi
  # Native calls and callbacks, against the project's own test library.
  if [ "$wine" != 0 ] && [ -f build/win/orv-native-test.dll ] && { [ -z "$only" ] || [[ native_calls =~ $only ]]; }; then
    echo
    echo "native calls (under Wine)"
    tools/orvpack bench/windows/native_calls.orv -o "$work/native_calls.exe" >/dev/null
    tools/orvrun "$work/native_calls.exe" "Z:$(pwd | tr / '\\')\\build\\win\\orv-native-test.dll" | tr -d '\r' | sed 's/^/  /'
  fi
  # Host calls into a script run by the library build, from a host of ours.
  if [ "$wine" != 0 ] && [ -f build/win/Orvanta.dll ] && { [ -z "$only" ] || [[ host_calls =~ $only ]]; }; then
    echo
    echo "host calls (under Wine)"
    source tools/wine-env.sh >/dev/null
    (cd build/win && orv_wine orv-host-probe.exe --bench) | tr -d '\r' | sed 's/^/  /'
  fi
  if [ -s "$work/mismatches" ]; then
    echo
    echo "!!! CHECKSUM MISMATCH: the programs did not all print the same line !!!"
    cat "$work/mismatches"
  fi
} | tee "$out"
if [ -s "$work/mismatches" ]; then exit 1; fi

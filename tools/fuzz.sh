#!/usr/bin/env bash
# Fuzzes the interpreter's core with the libFuzzer targets of tests/fuzz
# (built by `tools/build.sh fuzz` into build/fuzz).
#
#   tools/fuzz.sh [TARGET...]       each target for FUZZ_SECONDS (default 180)
#   tools/fuzz.sh --smoke [TARGET...]
#                                   the short run of `make test`: every seed
#                                   once, then FUZZ_SECONDS (default 10) of
#                                   fuzzing from the seeds alone
#
# Targets: load, run, packed, text_functions, stream, regex, obj_load, struct_definition. Seeds are made afresh from the
# script tests (tests/scripts/**/*.orv) on every run; what a long run finds
# that is new stays in build/fuzz/corpus/TARGET for the next one, and every
# input that fails is kept in build/fuzz/findings/TARGET. A long run of the
# run target ends with a pass over its corpus that checks each run for leaks. A failing input is
# looked at again with `build/fuzz/fuzz_TARGET FILE` (for run, with
# ORV_FUZZ_VERBOSE=1 to see the script's output).
#
# Prints one line per target and "N passed, N failed" at the end; exits
# non-zero when a target found something.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

smoke=0
if [ "${1:-}" = --smoke ]; then
  smoke=1
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(load run packed text_functions stream regex obj_load struct_definition)
seconds=${FUZZ_SECONDS:-$([ $smoke = 1 ] && echo 10 || echo 180)}
out=build/fuzz

for t in "${targets[@]}"; do
  if [ ! -x "$out/fuzz_$t" ]; then
    echo "fuzz: $out/fuzz_$t is not built (tools/build.sh fuzz)" >&2
    exit 2
  fi
done

# Seeds: the script part of every script test, and for the packed-data
# target the same texts in each of its input forms (see packed_fuzz.cpp).
seeds=$out/seeds
rm -rf "$seeds"
mkdir -p "$seeds/scripts" "$seeds/packed" "$seeds/text_functions" "$seeds/stream" "$seeds/regex" "$seeds/obj_load" \
  "$seeds/struct_definition"
python3 - "$seeds" <<'EOF'
import base64, glob, hashlib, os, struct, sys, zlib
seeds = sys.argv[1]
def put(folder, data):
    name = hashlib.sha1(data).hexdigest()
    with open(os.path.join(seeds, folder, name), "wb") as f:
        f.write(data)
# Structure definitions: every literal the script tests hand to Struct or
# Sizeof, and a few with named parts (S1, S2 ... follow \x01 separators).
import re
definition = re.compile(rb'(?:Struct|Sizeof)\("((?:[^"\n]|"")*)"')
for path in sorted(glob.glob("tests/scripts/**/*.orv", recursive=True)):
    for m in definition.finditer(open(path, "rb").read()):
        put("struct_definition", m.group(1).replace(b"`n", b"\n"))
for text in [b"S1 a; S2 *b; union { S1 c[2]; BYTE d:3; }\x01RECT r; WORD w:4\x01INT v; S2 *self",
             b"struct {\n BYTE a\n union { WORD w; struct { BYTE lo; BYTE hi; }; } u[3]\n} inner; POINT p; Node n",
             b"S1[4]\x01TCHAR name[10]; LPTSTR t; CHAR **pp; DOUBLE d; INT64 q:40; INT64 r:24"]:
    put("struct_definition", text)
for path in sorted(glob.glob("tests/scripts/**/*.orv", recursive=True)):
    data = open(path, "rb").read()
    end = 0 if data.startswith(b";--- expect") else data.find(b"\n;--- expect")
    script = data if end < 0 else data[:end + 1]
    put("scripts", script)
    if len(script) > 4000:
        continue
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    raw = deflate.compress(script) + deflate.flush()
    put("packed", b"\x01" + len(script).to_bytes(4, "little") + raw)
    put("packed", b"\x02\x40" + base64.b64encode(script))
    put("packed", b"\x03" + base64.b64encode(script).decode().encode("utf-16-le"))
    put("packed", b"\x04" + script)
    put("packed", b"\x05\x05" + script)
    # Text in each of the stream's code pages, with and without marks.
    put("stream", b"\x00\x03\x07" + script)
    put("stream", b"\x01\x01\x09" + b"\xff\xfe" + script.decode("utf-8", "replace").encode("utf-16-le"))
    put("stream", b"\x02\x02\x0b" + b"\xef\xbb\xbf" + script)
# Dumps for ObjLoad: each form of item once, nesting, references back to
# the outermost object and to a key object.
def obj(body):
    return len(body).to_bytes(8, "little") + body
def text(s, tag):
    b = s.encode("utf-16-le") + b"\0\0" if s else b""
    return bytes([tag]) + len(b).to_bytes(8, "little") + b
def ints(tag, width, v):
    return bytes([tag]) + (v & (2**(8 * width) - 1)).to_bytes(width, "little")
pairs = [ints(254, 1, 1) + ints(1, 1, -5), ints(253, 2, -300) + ints(4, 2, 300),
         ints(251, 4, -70000) + ints(6, 4, 70000), ints(249, 8, -2**40) + ints(8, 8, 2**40),
         bytes([247]) + struct.pack("<d", 0.5) + bytes([9]) + struct.pack("<d", 2.25),
         text("k", 246) + text("value", 10), text("e", 246) + text("", 10),
         text("inner", 246) + bytes([11]) + obj(ints(254, 1, 1) + bytes([12]) + (0).to_bytes(8, "little")),
         bytes([245]) + obj(text("a", 246) + ints(2, 1, 1)) + text("keyed", 10),
         bytes([244]) + (2).to_bytes(8, "little") + ints(2, 1, 7)]
for i in range(len(pairs)):
    put("obj_load", obj(pairs[i]))
whole = obj(b"".join(pairs))
put("obj_load", whole)
EOF

seeds_of() {
  case $1 in
    load|run) echo "$seeds/scripts" ;;
    *) echo "$seeds/$1" ;;
  esac
}

# Per target: how long one input may take, and what the harness needs.
options_of() {
  local opts=(-timeout=30 -print_final_stats=1)
  case $1 in
    run) opts+=(-max_len=16384) ;;
    load) opts+=(-max_len=65536) ;;
    text_functions) opts+=(-dict=tests/fuzz/text_functions.dict) ;;
    regex) opts+=(-dict=tests/fuzz/regex.dict) ;;
    struct_definition) opts+=(-dict=tests/fuzz/struct_definition.dict -max_len=4096) ;;
  esac
  echo "${opts[@]}"
}

passed=0 failed=0
for t in "${targets[@]}"; do
  findings=$out/findings/$t
  mkdir -p "$findings"
  # The fuzzing itself logs to $log, for its figures; the passes before and
  # after it to $log.other.
  log=$(mktemp "${TMPDIR:-/tmp}/orv-fuzz-$t.XXXXXX")
  fuzz() { "$out/fuzz_$t" $(options_of "$t") -artifact_prefix="$findings/" "$@"; }
  if [ $smoke = 1 ]; then
    # Every seed once, then a little fuzzing in a corpus of its own.
    corpus=$(mktemp -d "${TMPDIR:-/tmp}/orv-fuzz-corpus.XXXXXX")
    fuzz -runs=0 "$(seeds_of "$t")" >"$log.other" 2>&1 &&
      fuzz -max_total_time="$seconds" "$corpus" "$(seeds_of "$t")" >"$log" 2>&1
    rc=$?
    rm -rf "$corpus"
  else
    corpus=$out/corpus/$t
    mkdir -p "$corpus"
    fuzz -max_total_time="$seconds" "$corpus" "$(seeds_of "$t")" >"$log" 2>&1
    rc=$?
    if [ "$t" = run ] && [ $rc -eq 0 ]; then
      # Leaks are looked for once over what fuzzing kept, since the check
      # costs several times a run (see run_fuzz.cpp).
      ORV_FUZZ_LEAKS=1 fuzz -runs=0 "$corpus" >"$log.other" 2>&1
      rc=$?
    fi
  fi
  stats=$(grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" | sed 's/^stat:://; s/  */ /g' | tr '\n' ' ')
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz $t: ok (${seconds}s, $cov, $stats)"
  else
    failed=$((failed + 1))
    echo "fuzz $t: FAILED (exit $rc); the input is in $findings"
    cat "$log.other" "$log" 2>/dev/null | grep -vE '^(#[0-9]+|INFO:|MERGE|\s+NEW_FUNC)' | tail -60
  fi
  rm -f "$log" "$log.other"
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]

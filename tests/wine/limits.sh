#!/usr/bin/env bash
# Script texts far past the reader's and the loader's limits end in a load
# error with exit code 2, never in a crash or a hang: as the Windows program,
# natively, and with the sanitizers when that build is there. The texts are
# too large (or too odd) to keep as script tests, so they are made here:
#   - 100,000 nested parentheses on one line, and 8,000 (within one line's
#     length: the expression limit speaks);
#   - a 10 MB script of one line;
#   - binary data as the script text, as UTF-8 and behind a UTF-16 mark;
#   - 100,000 nested blocks, and as many nested one-line if bodies;
#   - lines of thousands of braces (one found by fuzzing overflowed the
#     reader's stack with a nested call per brace), and of thousands of Try
#     keywords, each the one-line body of the one before.
# A function recursing a million times is a script test
# (tests/scripts/limits/recursion_million.orv).
source "$(dirname "$0")/scenario.lib" limits

python3 - "$work" <<'EOF'
import os, random, sys
work = sys.argv[1]
def put(name, data):
    with open(os.path.join(work, name + ".orv"), "wb") as f:
        f.write(data)
put("parens", b"x := " + b"(" * 100000 + b"1" + b")" * 100000 + b"\nFileAppend, %x%, *\n")
put("parens_in_one_line", b"x := " + b"(" * 8000 + b"1" + b")" * 8000 + b"\nFileAppend, %x%, *\n")
put("one_line_10mb", b'x := "' + b"a" * (10 * 1024 * 1024) + b'"')
bytes_of = random.Random(1)
put("binary", bytes(bytes_of.getrandbits(8) for _ in range(256 * 1024)))
put("binary_utf16", b"\xff\xfe" + bytes(bytes_of.getrandbits(8) for _ in range(256 * 1024)))
put("nested_blocks", b"{\n" * 100000 + b"FileAppend, deep, *\n" + b"}\n" * 100000)
put("nested_ifs", b"if 1\n" * 100000 + b"FileAppend, deep, *\n")
put("braces_fuzzed", (b"{{}}}}{{{" * 1500)[:13000] + b"\n")
put("braces_paired", b"{}" * 8000 + b"\nFileAppend, ok, *\n")
put("tries_in_one_line", b"Try " * 4000 + b"FileAppend, x, *\n")
put("braces_nested", b"{" * 8000 + b"\n" + b"}" * 8000 + b"\nFileAppend, ok, *\n")
EOF

modes=(wine native)
[ -x build/asan/orvanta-run ] && modes+=(asan)

# Runs the fixture in every mode; the first line of its output, with the
# script's path as SCRIPT, and its exit code must be as given, and nothing
# may show a sanitizer report.
expect() {  # name, exit code, first line
  local m out rc
  for m in "${modes[@]}"; do
    tools/orvrun "--$m" --timeout 120 "$work/$1.orv" /ErrorStdOut >"$work/$1.$m.out" 2>"$work/$1.$m.err" </dev/null
    rc=$?
    out=$(head -1 "$work/$1.$m.out" | tr -d '\r' | sed 's/^.* (\([0-9]*\)) : ==> /SCRIPT (\1) : ==> /')
    [ "$rc" = "$2" ]; check "$1 [$m]: exit code $2" $? "got: $rc"
    [ "$out" = "$3" ]; check "$1 [$m]: output" $? "got: $out"
    ! grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error: ' "$work/$1.$m.err"
    check "$1 [$m]: no sanitizer report" $? "$(head -5 "$work/$1.$m.err")"
  done
}

# A physical line is read 16,384 characters at a time; the rest is read as
# lines of its own, the second of which opens a continuation section.
expect parens 2 'SCRIPT (1) : ==> Continuation section too long.'
expect parens_in_one_line 2 'SCRIPT (1) : ==> Expression too long'
expect one_line_10mb 2 'SCRIPT (1) : ==> Missing close-quote'
expect binary 2 'SCRIPT (1) : ==> Missing close-quote'
expect binary_utf16 2 'SCRIPT (1) : ==> This line does not contain a recognized action.'
# The 1,002nd line is the first with more than 1,000 constructs around it.
expect nested_blocks 2 'SCRIPT (1002) : ==> This line is nested too deep.'
expect nested_ifs 2 'SCRIPT (1002) : ==> This line is nested too deep.'
expect braces_fuzzed 2 'SCRIPT (1) : ==> Unexpected "}"'
expect braces_paired 0 'ok'
expect tries_in_one_line 2 'SCRIPT (1) : ==> This line is nested too deep.'
expect braces_nested 2 'SCRIPT (1) : ==> This line is nested too deep.'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

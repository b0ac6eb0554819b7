#!/usr/bin/env python3
"""Runs the script tests in tests/scripts (see tests/scripts/README.md).

    run_scripts.py --mode native|asan|wine [-j N] [-v] [PATTERN...]

Every run goes through tools/orvrun, so a test runs exactly as a person
would run it by hand in that mode.
"""

import argparse
import concurrent.futures
import difflib
import fnmatch
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TESTS = os.path.join(ROOT, "tests", "scripts")
ORVRUN = os.path.join(ROOT, "tools", "orvrun")
MODES = ("native", "asan", "wine")
EXPECT = b";--- expect"
STDERR = ";--- stderr"
# The path in an error line differs between the ways a script is run.
ERROR_LINE = re.compile(r"^(.*) \((\d+)\) : ==> ")
# Sanitizer reports fail a test whatever its exit code was expected to be,
# and so does the reference audit of sanitizer builds (startup/exit.cpp).
SANITIZER = re.compile(r"ERROR: (Address|Leak)Sanitizer|: runtime error: |ERROR: \d+ objects? (still alive|at exit)")
# Extra time the runner gives orvrun beyond a test's own limit before it
# gives up on orvrun itself.
GRACE = 15
# How Wine, not the program, ends a start: the exit code of a run that
# wrote nothing at all, neither to stdout nor to stderr, and why. 66 is
# STATUS_DLL_INIT_FAILED (0xC0000142) cut to a byte: Wine's loader gave up
# on a system DLL before the program's own code ran. 1 is what the
# wineserver gives every process it ends as it shuts down. The program's
# own start-up never ends that way (README.md, "What remains of Wine's own
# failures").
WINE_START_FAILURES = {
    1: "the wineserver ended the process",
    66: "a system DLL failed to initialise (0xC0000142)",
}


class TestError(Exception):
    pass


class Test:
    def __init__(self, path):
        self.path = path
        self.id = os.path.splitext(os.path.relpath(path, TESTS))[0].replace(os.sep, "/")
        self.name = os.path.basename(path)
        self.exit = 0
        self.args = []
        self.modes = set(MODES)
        self.timeout = 20.0
        self.copies = []
        self.stdout = ""
        self.stderr = None
        self.script = b""
        self.error = None
        try:
            self._parse()
        except TestError as e:
            self.error = str(e)

    def _parse(self):
        with open(self.path, "rb") as f:
            data = f.read()
        pos = 0 if data.startswith(EXPECT) else data.find(b"\n" + EXPECT)
        if pos < 0:
            raise TestError("no line beginning with ';--- expect'")
        if pos > 0:
            pos += 1
        self.script = data[:pos]
        rest = data[pos:].decode("utf-8", "surrogateescape").replace("\r\n", "\n")
        header, _, body = rest.partition("\n")
        self._parse_attributes(header[len(EXPECT):])
        lines = body.split("\n")
        for i, line in enumerate(lines):
            if line.rstrip() == STDERR:
                self.stdout = "\n".join(lines[:i])
                self.stderr = "\n".join(lines[i + 1:])
                break
        else:
            self.stdout = body

    def _parse_attributes(self, text):
        try:
            words = shlex.split(text)
        except ValueError as e:
            raise TestError(f"bad ';--- expect' line: {e}")
        for word in words:
            key, eq, value = word.partition("=")
            if not eq:
                raise TestError(f"attribute without a value: {word!r}")
            try:
                if key == "exit":
                    self.exit = int(value)
                elif key == "args":
                    self.args = shlex.split(value)
                elif key == "modes":
                    self.modes = {m.strip() for m in value.split(",") if m.strip()}
                    unknown = self.modes - set(MODES)
                    if unknown:
                        raise TestError(f"unknown mode(s): {', '.join(sorted(unknown))}")
                elif key == "timeout":
                    self.timeout = float(value)
                elif key == "copy":
                    self.copies = [c.strip() for c in value.split(",") if c.strip()]
                else:
                    raise TestError(f"unknown attribute {key!r}")
            except ValueError as e:
                raise TestError(f"bad value for {key}: {e}")


def lines_of(text):
    """The lines of a program's output or of an expected section, normalised
    so that the two compare: CRLF is LF, a final newline is not a line of its
    own, and the file name in an error line is SCRIPT."""
    text = text.replace("\r\n", "\n")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return [ERROR_LINE.sub(r"SCRIPT (\2) : ==> ", line) for line in lines]


def diff(expected, actual, what):
    out = difflib.unified_diff(lines_of(expected), lines_of(actual),
                               f"expected {what}", f"actual {what}", lineterm="", n=2)
    return [repr_line(line) for line in out]


def repr_line(line):
    # Make trailing blanks and control characters visible in a diff.
    if line.endswith((" ", "\t")) or any(ord(c) < 32 and c != "\t" for c in line):
        return line[:1] + repr(line[1:])
    return line


class Outcome:
    """A run's exit code (None when orvrun did not end) and output, and the
    lines that say why it failed (empty when it passed)."""

    def __init__(self, problems, code=None, stdout="", stderr=""):
        self.problems = problems
        self.code = code
        self.stdout = stdout
        self.stderr = stderr

    def wine_start_failure(self):
        """Why Wine failed to start the program, when the run has the one
        signature of that (see WINE_START_FAILURES); else None."""
        if self.problems and not self.stdout and not self.stderr:
            return WINE_START_FAILURES.get(self.code)
        return None


def run_one(test, mode, workroot):
    """Runs the test once; its Outcome."""
    if test.error:
        return Outcome([f"  malformed test: {test.error}"])
    work = tempfile.mkdtemp(prefix=test.name + ".", dir=workroot)
    try:
        script = os.path.join(work, test.name)
        with open(script, "wb") as f:
            f.write(test.script)
        for name in test.copies:
            source = os.path.join(ROOT, name)
            if not os.path.exists(source):
                return Outcome([f"  {name} is missing: build it first"])
            shutil.copy(source, work)
        out_path = os.path.join(work, ".stdout")
        err_path = os.path.join(work, ".stderr")
        cmd = [ORVRUN, "--" + mode, "--timeout", f"{test.timeout:g}", script] + test.args
        # Output goes to files, not pipes: a child process that a test leaves
        # running would hold a pipe open and the runner would wait for it.
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    cwd=work, start_new_session=True)
            try:
                code = proc.wait(timeout=test.timeout + GRACE)
            except subprocess.TimeoutExpired:
                # TERM first: orvrun passes it on to the program's processes.
                os.killpg(proc.pid, signal.SIGTERM)
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
                code = None
        with open(out_path, "rb") as f:
            stdout = f.read().decode("utf-8", "surrogateescape")
        with open(err_path, "rb") as f:
            stderr = f.read().decode("utf-8", "surrogateescape")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    problems = []
    if code is None:
        problems.append(f"  orvrun itself did not end within {test.timeout + GRACE:g} s")
    elif code == 124 and test.exit != 124:
        problems.append(f"  timed out after {test.timeout:g} s")
    elif code != test.exit:
        problems.append(f"  exit code {code}, expected {test.exit}")
    if SANITIZER.search(stderr):
        problems.append("  sanitizer report on stderr")
    out_diff = diff(test.stdout, stdout, "stdout")
    err_diff = diff(test.stderr, stderr, "stderr") if test.stderr is not None else []
    if not (problems or out_diff or err_diff):
        return Outcome([], code, stdout, stderr)
    problems += ["  " + line for line in out_diff + err_diff]
    if test.stderr is None and stderr.strip():
        tail = stderr.replace("\r\n", "\n").rstrip("\n").split("\n")
        problems.append("  stderr (not compared):" + (" ... last 30 lines" if len(tail) > 30 else ""))
        problems += ["  | " + line for line in tail[-30:]]
    return Outcome(problems, code, stdout, stderr)


def find_tests(patterns):
    paths = []
    for dirpath, dirnames, filenames in os.walk(TESTS):
        dirnames.sort()
        paths += [os.path.join(dirpath, f) for f in sorted(filenames) if f.endswith(".orv")]
    tests = [Test(p) for p in paths]
    if patterns:
        def wanted(t):
            for p in patterns:
                glob = p if any(c in p for c in "*?[") else f"*{p}*"
                if fnmatch.fnmatchcase(t.id, glob) or fnmatch.fnmatchcase(t.id + ".orv", glob):
                    return True
            return False
        tests = [t for t in tests if wanted(t)]
    return tests


def main():
    ap = argparse.ArgumentParser(description="Run the script tests in tests/scripts.")
    ap.add_argument("--mode", choices=MODES, required=True)
    ap.add_argument("-j", "--jobs", type=int, default=0,
                    help="parallel runs (default: cores; at least 4 under Wine)")
    ap.add_argument("-v", "--verbose", action="store_true", help="also list tests that pass")
    ap.add_argument("patterns", nargs="*", metavar="PATTERN",
                    help="run only tests whose id (area/name) contains this or matches this glob")
    opts = ap.parse_args()

    jobs = opts.jobs or (os.cpu_count() or 2)
    if opts.mode == "wine" and not opts.jobs:
        # Wine runs spend most of their time waiting on the wineserver.
        jobs = max(jobs, 4)

    tests = find_tests(opts.patterns)
    runnable = [t for t in tests if opts.mode in t.modes or t.error]
    skipped = len(tests) - len(runnable)

    if opts.mode == "wine" and runnable:
        # Bring Wine up once here rather than in the first few parallel runs.
        subprocess.run(["bash", "-c", 'source "$1"', "-", os.path.join(ROOT, "tools", "wine-env.sh")],
                       check=False, stdin=subprocess.DEVNULL)

    lock = threading.Lock()
    failed = []
    retried = []
    workroot = tempfile.mkdtemp(prefix="orv-scripts.")
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
            futures = {pool.submit(run_one, t, opts.mode, workroot): t for t in runnable}
            for fut in concurrent.futures.as_completed(futures):
                test = futures[fut]
                try:
                    outcome = fut.result()
                    problems = outcome.problems
                    why = outcome.wine_start_failure() if opts.mode == "wine" else None
                    if why:
                        # Only a start that Wine failed is run again, once, and
                        # said so; anything else the program did is its fault.
                        with lock:
                            retried.append(test.id)
                            print(f"RETRY {test.id} [{opts.mode}]: exit code {outcome.code} and no output, "
                                  f"Wine's start failure ({why}); running it once more", flush=True)
                        problems = run_one(test, opts.mode, workroot).problems
                except Exception as e:  # a bug here must not hide the other results
                    problems = [f"  runner error: {e!r}"]
                with lock:
                    if problems:
                        failed.append(test.id)
                        print(f"FAIL {test.id} [{opts.mode}]", flush=True)
                        print("\n".join(problems), flush=True)
                    elif opts.verbose:
                        print(f"ok   {test.id} [{opts.mode}]", flush=True)
    finally:
        shutil.rmtree(workroot, ignore_errors=True)

    passed = len(runnable) - len(failed)
    summary = f"{passed} passed, {len(failed)} failed"
    if skipped:
        summary += f", {skipped} skipped"
    if retried:
        summary += f" ({len(retried)} run again after Wine failed to start them: {', '.join(sorted(retried))})"
    print(summary, flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

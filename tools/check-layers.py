#!/usr/bin/env python3
"""Fails when a folder of src/ includes a header of a folder above it.

The folders form a ladder: each may include its own headers and those of the
folders below it, never those above. Upper layers reach lower ones by calls;
lower layers reach upper ones only through the hooks and tables they own.
Usage: tools/check-layers.py [--graph]  (--graph prints the folder graph)"""
import os, re, sys
from collections import defaultdict

# Lowest first. Keep in step with the layout in README.md.
LADDER = ["base", "platform", "runtime", "objects", "events", "library", "parser",
          "input", "windows", "gui", "startup"]

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")

rank = {name: i for i, name in enumerate(LADDER)}
include = re.compile(r'^\s*#\s*include\s+"([a-z_0-9]+)/')
edges = defaultdict(int)
wrong = []
for folder, _, files in os.walk(root):
    rel = os.path.relpath(folder, root)
    here = rel.split(os.sep)[0]
    if here == ".":
        continue
    if here not in rank:
        wrong.append(f"src/{rel}: a folder the ladder does not know (add it to LADDER and the README)")
        continue
    for name in sorted(files):
        if not name.endswith((".h", ".cpp")):
            continue
        path = os.path.join(folder, name)
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = include.match(line)
                if not m or m.group(1) == here:
                    continue
                there = m.group(1)
                edges[(here, there)] += 1
                if there not in rank or rank[there] > rank[here]:
                    wrong.append(f"src/{rel}/{name}:{number}: {here}/ includes {line.strip()[9:]} from a layer above it")

if "--graph" in sys.argv:
    for (a, b), n in sorted(edges.items(), key=lambda e: (rank.get(e[0][0], 99), rank.get(e[0][1], 99))):
        print(f"{a:>9} -> {b:<9} {n}")
for w in wrong:
    print(w)
if wrong:
    print(f"check-layers: {len(wrong)} includes point up the ladder " + " < ".join(LADDER), file=sys.stderr)
    sys.exit(1)

#!/usr/bin/env python3
"""Prints deb-src entries that mirror the machine's configured binary package
sources (deb822 stanzas and one-line entries alike), as one deb822 file, so
that source packages come from whatever mirror the machine already uses."""
import glob
import re
import sys


def deb822_stanzas(text):
    for block in re.split(r"\n\s*\n", text):
        fields = {}
        key = None
        for line in block.splitlines():
            if not line.strip() or line.startswith("#"):
                continue
            if line[0].isspace() and key:
                fields[key] += "\n" + line
                continue
            key, _, value = line.partition(":")
            key = key.strip()
            fields[key] = value.strip()
        if fields:
            yield fields


def one_line_entries(text):
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        m = re.match(r"^deb\s+(\[[^\]]*\]\s+)?(\S+)\s+(\S+)\s*(.*)$", line)
        if not m:
            continue
        options, uri, suite, components = m.groups()
        fields = {"URIs": uri, "Suites": suite, "Components": components}
        for opt in re.findall(r"([\w-]+)=(\S+)", (options or "").strip("[] ")):
            if opt[0] == "signed-by":
                fields["Signed-By"] = opt[1]
        yield fields


def main():
    entries = []
    for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
        if path.endswith("/orvanta-src.sources"):
            continue
        for f in deb822_stanzas(open(path, encoding="utf-8").read()):
            if "deb" in f.get("Types", "").split() and f.get("Enabled", "yes").lower() != "no":
                entries.append(f)
    for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
        try:
            entries.extend(one_line_entries(open(path, encoding="utf-8").read()))
        except OSError:
            pass
    if not entries:
        print("source-entries: the machine has no package sources to mirror", file=sys.stderr)
        return 1
    out = []
    for f in entries:
        lines = ["Types: deb-src"]
        for key in ("URIs", "Suites", "Components", "Signed-By"):
            if key in f:
                lines.append(f"{key}: {f[key]}")
        out.append("\n".join(lines))
    print("\n\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())

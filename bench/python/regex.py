# Peer of bench/regex.orv: the same generated lines, the same three pattern
# operations per line, with patterns compiled once as a Python program would.
import re


def main():
    words = ["alpha", "Error", "beta", "WARNING", "gamma", "warnings"]
    date = re.compile(r"(\d{4})-(\d\d)-(\d\d)")
    word = re.compile(r"\b(?:error|warning)\b", re.I)
    dates = hits = total = 0
    r = ""
    for i in range(1, 333335):
        m, d = i % 12 + 1, i % 28 + 1
        line = f"id{i} on {2000 + i % 27}-{m:02}-{d:02} {words[i % 6]}"
        g = date.search(line)
        if g:
            dates += int(g.group(1)) + int(g.group(2)) + int(g.group(3))
        if word.search(line):
            hits += 1
        r = date.sub(r"\3/\2/\1", line)
        total += len(r)
    print(dates, hits, total, r)


main()

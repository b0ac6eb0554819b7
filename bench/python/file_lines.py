# Peer of bench/file_lines.orv: 100 MB written line by line as UTF-8 with
# CR LF line ends, read back line by line with the line ends translated.
import os
import tempfile

path = os.path.join(tempfile.gettempdir(), "orv_bench_file_lines.txt")
line = "".join(chr(97 + i % 26) for i in range(1, 99))
with open(path, "w", encoding="utf-8", newline="\r\n") as f:
    for _ in range(1000000):
        f.write(line + "\n")
n = total = 0
with open(path, encoding="utf-8") as f:
    for l in f:
        n += 1
        total += len(l)
os.remove(path)
print(f"lines={n} chars={total}")

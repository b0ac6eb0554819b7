# Peer of bench/string_ops.orv: appends one character at a time (CPython
# grows a string in place when nothing else refers to it), then slices.
s = ""
for i in range(1, 500001):
    s += chr(97 + (i * 7) % 26)
total = 0
for i in range(1, 500001):
    t = s[i - 1:i + 3]
    total += ord(t[0]) + len(t)
print(len(s), total, s[999:1007])

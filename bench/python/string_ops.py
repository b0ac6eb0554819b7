# Peer of bench/string_ops.orv: appends one character at a time, then slices.
# The work runs in main() because CPython grows a string in place only when
# it lives in a local variable; at module level every append copies it whole.
def main():
    s = ""
    for i in range(1, 500001):
        s += chr(97 + (i * 7) % 26)
    total = 0
    for i in range(1, 500001):
        t = s[i - 1:i + 3]
        total += ord(t[0]) + len(t)
    print(len(s), total, s[999:1007])


main()

# Peer of bench/string_split.orv: the text is taken apart twice, once by
# walking it field by field (the Loop, Parse side) and once by split(). The
# trailing comma leaves an empty last field, which adds nothing in either.
def main():
    s = ""
    for i in range(1, 200001):
        s += str(i) + ","
    total = 0
    start = 0
    while True:
        end = s.find(",", start)
        field = s[start:] if end < 0 else s[start:end]
        if field:
            total += int(field)
        if end < 0:
            break
        start = end + 1
    total2 = 0
    for p in s.split(","):
        if p:
            total2 += int(p)
    print(len(s), total, total2, s[100000:100010])


main()

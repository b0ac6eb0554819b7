# Peer of bench/for_object.orv: a dict of string keys walked ten times.
def main():
    o = {}
    for i in range(1, 50001):
        o["key" + str(i)] = i * 3
    total = 0
    for _ in range(10):
        for k, v in o.items():
            total += v + len(k)
    print(len(o), total)


main()

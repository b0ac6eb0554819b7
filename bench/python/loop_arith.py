# Peer of bench/loop_arith.orv: the same generator and sum.
def main():
    x = 1
    total = 0
    for i in range(1, 1000001):
        x = (x * 1103515245 + 12345) % 2147483648
        total += (x & 0xFFFF) + i // 3 - (x >> 20)
    print(x, total)


main()

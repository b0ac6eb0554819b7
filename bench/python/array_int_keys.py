# Peer of bench/array_int_keys.orv: a list built by appending, summed by index.
def main():
    a = []
    for i in range(1, 1000001):
        a.append(i)
    total = 0
    for i in range(len(a)):
        total += a[i]
    print(total)


main()

# Peer of bench/object_string_keys.orv: a dict of 200,000 string keys.
def main():
    o = {}
    for i in range(1, 200001):
        o["k" + str(i * 7919 % 200003)] = i
    total = 0
    for i in range(1, 200001):
        total += o["k" + str(i * 7919 % 200003)]
    print(len(o), total)


main()

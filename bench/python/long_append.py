# Peer of bench/long_append.orv: 8,000,000 appends of three characters to one
# text. In main() because CPython grows a string in place only when it lives
# in a local variable.
def main():
    s = ""
    for _ in range(8000000):
        s += "abc"
    print(len(s), s[12000000:12000007], s[-1:])


main()

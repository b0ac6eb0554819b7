# Peer of bench/method_calls.orv: the same two classes and calls.
class Counter:
    def __init__(self, step):
        self.n = 0
        self.step = step

    def add(self, x):
        self.n += x * self.step
        return self.n

    def get(self):
        return self.n


class Wrapping(Counter):
    def add(self, x):
        self.n = (self.n + x * self.step) % 1000003
        return self.n


def main():
    a = Counter(1)
    b = Wrapping(3)
    last = 0
    for i in range(1, 300001):
        a.add(i)
        last = b.add(i)
    print(a.get(), b.get(), last)


main()

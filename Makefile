# The two commands a newcomer needs: `make run` and `make test`.
.PHONY: setup build run test test-unit test-scripts bench fuzz clean

setup:
	@tools/setup.sh

build: setup
	@tools/build.sh

run: setup
	@tools/build.sh win native
	@tools/run-app.sh

test: build
	@tools/test.sh

test-unit: build
	@tools/test.sh unit

test-scripts: build
	@tools/test.sh native asan wine

bench: setup
	@tools/build.sh win native
	@tools/bench.sh

fuzz: setup
	@tools/build.sh fuzz
	@tools/fuzz.sh

clean:
	rm -rf build/native build/win build/asan build/fuzz

# The two everyday commands: `make run` opens the window, `make test` runs every test.
# Both install what is missing first (Debian and Ubuntu).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test test-asan clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)

test: build
	ctest --preset dev -j $(JOBS)

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

clean:
	rm -rf build

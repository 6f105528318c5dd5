# Thin front door over the CMake presets; see README.md.
PREFIX ?= /usr/local
JOBS ?= 2

FUZZ_SECONDS ?= 60

.PHONY: run build install test test-asan test-tsan bench fuzz deps windows test-windows clean

run: build
	./build/release/chase

build:
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

install: build
	cmake --install build/release --prefix $(PREFIX)

deps:
	./tools/ensure-deps

test: deps test-asan test-tsan

test-asan:
	cmake --preset test >/dev/null
	cmake --build --preset test -j $(JOBS)
	ctest --preset test

test-tsan:
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target thread_tests
	ctest --preset tsan

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	./tools/run-benchmarks build/bench

# chase.exe and the test binaries for 64-bit Windows, cross-built with MinGW-w64.
windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# The Windows build's tests and an end-to-end game, under wine.
test-windows: windows
	./tools/test-windows build/windows

# Each fuzz target for FUZZ_SECONDS, from its seed corpus in fuzz/corpus/.
fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	./tools/run-fuzzers build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build

# Front door: `make run` and `make test` set up a fresh Debian 12 machine, build and go.
JOBS ?= $(shell nproc)
CTEST_ARGS ?=
# Extra configure arguments, e.g. CMAKE_ARGS=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON as CI passes them.
CMAKE_ARGS ?=

.PHONY: all setup build run test package asan tsan bench fuzz soak clean

all: build

setup:
	@scripts/install-deps

build: setup
	cmake --preset default $(CMAKE_ARGS) >/dev/null
	cmake --build --preset default -j $(JOBS)

run: build
	./build/pyrandel

test: build
	ctest --preset default -j $(JOBS) $(CTEST_ARGS)

# The Debian package build/pyrandel_<version>_<arch>.deb (CPack; packaging/ holds the install rules).
package: build
	cmake --build --preset default --target package

asan: setup
	cmake --preset asan $(CMAKE_ARGS) >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) $(CTEST_ARGS)

tsan: setup
	cmake --preset tsan $(CMAKE_ARGS) >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS) $(CTEST_ARGS)

bench: build
	@set -e; for b in build/bench/bench_*; do echo "== $$b"; $$b; done

# libFuzzer with clang, ASan and UBSan: every fuzz target for SECONDS seconds (scripts/fuzz).
SECONDS ?= 60
fuzz: setup
	scripts/fuzz $(SECONDS)

# The soak test for MINUTES minutes: matches back to back under a chaos client (scripts/soak). Its 20-second
# short form is part of `make test`.
MINUTES ?= 10
soak: setup
	scripts/soak $(MINUTES)

clean:
	rm -rf build build-asan build-tsan build-fuzz

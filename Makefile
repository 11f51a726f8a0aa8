# The two commands of the README: `make demo` and `make test`.
# Both install what is missing first (scripts/setup.sh).

JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
FUZZ_SECONDS ?= 15
# Clones in different folders share cached objects: paths below the base are hashed relative.
export CCACHE_BASEDIR ?= $(abspath $(CURDIR)/..)
export CCACHE_DIR ?= $(HOME)/.cache/quillmote-ccache
export CCACHE_MAXSIZE ?= 5G
export CCACHE_NOHASHDIR ?= true

.PHONY: all setup build release test unit fuzz-smoke demo bench clean

all: build

setup:
	@scripts/setup.sh

# Tests run in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
build: setup
	@cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQLM_SANITIZE=ON -DQLM_WERROR=ON >/dev/null
	@cmake --build build -j $(JOBS)

release: setup
	@cmake -S . -B build-release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQLM_TESTS=OFF >/dev/null
	@cmake --build build-release -j $(JOBS)

unit: build
	@ctest --test-dir build --output-on-failure -j $(JOBS) --timeout 600

fuzz-smoke: setup
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLM_TESTS=OFF -DQLM_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

test: unit fuzz-smoke
	@echo "All tests passed."

demo: release
	@scripts/demo.sh build-release

bench:
	@scripts/setup.sh scripts/packages-bench
	@cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQLM_TESTS=OFF -DQLM_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@scripts/run-benchmarks.sh build-bench

clean:
	rm -rf build build-release build-fuzz build-bench

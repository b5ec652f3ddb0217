# The commands a developer needs. Each installs what is missing first, so
# they work on a fresh Debian 12 machine (as root or with sudo).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: all deps build test test-asan fuzz-build fuzz fuzz-smoke bench demo run install uninstall package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(BUILD)-asan -DVELMORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-asan -j $(JOBS) --target velmora_unit_tests velmora_sample_platform_tests
	cd $(BUILD)-asan && ctest -L unit --output-on-failure -j $(JOBS)

# The fuzz targets, built with clang and libFuzzer in their own tree so the
# ordinary build stays with the default compiler. `make fuzz` runs each for
# FUZZ_SECONDS; `make fuzz-smoke` is the short run for CI.
FUZZ_SECONDS ?= 60
fuzz-build: deps
	cmake -S . -B $(BUILD)-fuzz -DVELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
	  -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target velmora_fuzz_targets

fuzz: fuzz-build
	fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# A fixed seed and run count make the smoke run the same every time, so CI
# checks the corpus and the invariants rather than its luck.
fuzz-smoke: fuzz-build
	FUZZ_FLAGS="-seed=1 -runs=100000 $(FUZZ_FLAGS)" fuzz/run.sh $(BUILD)-fuzz 120

# Velmora beside the engine's bare browser and Chromium, on a display of its
# own; results and how to read them in bench/README.md. BENCH_FLAGS passes
# options on, e.g. BENCH_FLAGS="--runs 11 --cases launch".
BENCH_FLAGS ?=
bench: build
	@scripts/install-deps.sh bench
	cmake --build $(BUILD) -j $(JOBS) --target velmora_bench
	python3 bench/run.py --build $(BUILD) $(BENCH_FLAGS)

demo: build
	@scripts/demo.sh $(BUILD)

run: build
	$(BUILD)/velmora

# Honours PREFIX and DESTDIR; refreshes the desktop, MIME and icon caches
# when installing for real (no DESTDIR). A tree that is already built is
# installed as it is: `sudo make install` after `make build` neither
# rebuilds (which would leave root's files in the tree) nor runs the
# dependency installer again. Only a tree never built is built first.
install: $(if $(wildcard $(BUILD)/velmora),,build)
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last `make install` from this tree put in place (its
# install manifest), with the same DESTDIR, and refreshes the same caches.
uninstall:
	@scripts/uninstall.sh $(BUILD)

package: build
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)

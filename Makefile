# The commands a developer needs. Each installs what is missing first, so
# they work on a fresh Debian 12 machine (as root or with sudo).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: all deps build test test-asan demo run install package clean

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

demo: build
	@scripts/demo.sh $(BUILD)

run: build
	$(BUILD)/velmora

# Honours PREFIX and DESTDIR; refreshes the desktop, MIME and icon caches
# when installing for real (no DESTDIR).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)

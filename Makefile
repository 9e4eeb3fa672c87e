# The front door: make demo, make test, make install PREFIX=..., make package, make bench,
# make fuzz, make sanitize.
BUILD ?= build
JOBS ?= 2
PREFIX ?= /usr/local
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps build test demo install package bench fuzz sanitize format-check clean

all: build

deps:
	@tools/ensure-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@tools/demo $(BUILD)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack -G DEB

bench: deps
	@tools/bench

fuzz:
	@tools/ensure-deps clang libclang-rt-dev
	@tools/fuzz $(FUZZ_SECONDS)

sanitize:
	@tools/ensure-deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCONVKIT_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

format-check:
	@tools/format-check

clean:
	@rm -rf $(BUILD) build-asan build-bench build-fuzz

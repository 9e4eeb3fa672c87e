# The front door. Each target first installs what it needs when that is missing (as root on
# Debian; otherwise tools/ensure-deps prints the apt-get line to run), and nothing more:
#   make install [PREFIX=/usr/local]  a C++ compiler and CMake; builds the programs alone in
#                                     build-release/ (no tests) and installs them stripped
#   make package                      the same, and the Debian package into build/
#   make demo, make test, make build  also GoogleTest and dos2unix (the demo also gnuplot, for
#                                     its pictures); builds in build/, tests included
#   make deps                         everything the targets above need, at once
# make bench, fuzz, sanitize, package-check (lintian) and format-check are for developers.
# The builds print only warnings and errors; V=1 shows every line.
BUILD ?= build
RELEASE ?= build-release
JOBS ?= 2
PREFIX ?= /usr/local
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60
export JOBS V
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test demo release install package package-check bench fuzz sanitize \
	format-check clean

all: build

deps:
	@tools/ensure-deps all

build:
	@tools/ensure-deps test
	@tools/cmake-build $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The demo needs only the programs; make test builds the rest in the same directory.
demo:
	@tools/ensure-deps demo
	@tools/cmake-build $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) \
		vantor pressik colbrand
	@tools/demo $(BUILD)

release:
	@tools/ensure-deps build
	@tools/cmake-build $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF $(CMAKE_FLAGS)

install: release
	@cmake --install $(RELEASE) --prefix "$(PREFIX)" --strip

package: release
	@rm -f $(BUILD)/convkit_*.deb
	@cd $(RELEASE) && cpack -G DEB -B "$(abspath $(BUILD))"

package-check: package
	@tools/ensure-deps lintian
	@lintian --fail-on error,warning $(BUILD)/convkit_*.deb
	@echo "lintian: $$(ls $(BUILD)/convkit_*.deb) is clean"

bench:
	@tools/ensure-deps build
	@tools/bench

fuzz:
	@tools/ensure-deps build clang libclang-rt-dev
	@tools/fuzz $(FUZZ_SECONDS)

sanitize:
	@tools/ensure-deps test
	@tools/cmake-build build-asan -DCMAKE_BUILD_TYPE=Debug -DCONVKIT_SANITIZE=ON $(CMAKE_FLAGS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

format-check:
	@tools/ensure-deps clang-format
	@tools/format-check

clean:
	@rm -rf $(BUILD) $(RELEASE) build-asan build-bench build-fuzz

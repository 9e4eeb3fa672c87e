# The front door. Each target first installs what it needs when that is missing (as root on
# Debian; otherwise tools/ensure-deps prints the apt-get line to run), and nothing more:
#   make install [PREFIX=/usr/local]  a C++ compiler and CMake; builds the programs alone in
#                                     build-release/ (no tests) and installs them stripped
#   make package                      the same, and the Debian package into build/
#   make demo, make test, make build  also GoogleTest and dos2unix (the demo also gnuplot, for
#                                     its pictures; the tests also man-db and locales, for the
#                                     manual-page checks and the decimal-comma case); builds
#                                     in build/, tests included
#   make deps                         everything the targets above need, at once
# Without make, ./quickstart demo and ./quickstart test install it with the rest and run these.
# make bench, fuzz, sanitize, package-check (lintian), format-check, test-fresh (the Quick
# start on a fresh Debian root) and test-cluster (convkit-batch on a one-node Slurm cluster and
# through an sshd, both started and stopped by the tests) are for developers.
#
# The build settings live in CMakePresets.json and nowhere else, one preset per build directory
# (dev: build/, release: build-release/, asan, bench, fuzz); the targets configure and build
# their preset with Ninja (Unix Makefiles where Ninja is missing; CMAKE_GENERATOR picks another
# for a new build directory). The configuration's lines go to DIR/configure.log, shown when it
# fails, and Ninja prints only warnings and errors; V=1 shows everything. CMAKE_FLAGS adds -D
# settings to a configuration (CI: -DCMAKE_COMPILE_WARNING_AS_ERROR=ON).
JOBS ?= 2
PREFIX ?= /usr/local
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60
CMAKE_GENERATOR ?= $(if $(shell command -v ninja 2>/dev/null),Ninja,Unix Makefiles)
export JOBS V CMAKE_GENERATOR
MAKEFLAGS += --no-print-directory

# $(call preset,NAME,DIR[,TARGETS]): configures and builds one preset.
preset = mkdir -p $(2) && { cmake --preset $(1) $(CMAKE_FLAGS) >$(2)/configure.log 2>&1 || \
	{ cat $(2)/configure.log; echo "configuring $(2) failed" >&2; exit 1; }; } && \
	$(if $(V),cat $(2)/configure.log &&) \
	cmake --build --preset $(1) -j $(JOBS) $(if $(3),--target $(3)) \
	$(if $(V),--verbose,$$(grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$$' $(2)/CMakeCache.txt && echo -- --quiet))
# $(call tests,NAME,DIR): runs the preset's tests; the closing lines list the tests that did not
# run, each with the reason it printed, and count them (tools/test-summary).
tests = rm -f $(2)/Testing/junit.xml; status=0; ctest --preset $(1) -j $(JOBS) || status=$$?; \
	tools/test-summary $(2) && exit $$status

.PHONY: all deps build test demo release install package package-check bench fuzz sanitize \
	format-check test-fresh test-cluster clean

all: build

deps:
	@tools/ensure-deps all

build:
	@tools/ensure-deps test
	@$(call preset,dev,build)

test: build
	@$(call tests,dev,build)

# The demo needs only the programs; make test builds the rest in the same directory.
demo:
	@tools/ensure-deps demo
	@$(call preset,dev,build,vantor pressik colbrand)
	@tools/demo build

# The package carries the compiled Python module: it needs pybind11-dev and python3-numpy.
package: RELEASE_DEPS = python
release:
	@tools/ensure-deps build $(RELEASE_DEPS)
	@$(call preset,release,build-release)

install: release
	@cmake --install build-release --prefix "$(PREFIX)" --strip

package: release
	@rm -f build/convkit_*.deb
	@cpack --preset release

package-check: package
	@tools/ensure-deps lintian
	@lintian --fail-on error,warning build/convkit_*.deb
	@echo "lintian: $$(ls build/convkit_*.deb) is clean"

bench:
	@tools/ensure-deps build python
	@tools/bench
	@tools/bench-trace

fuzz:
	@tools/ensure-deps build clang libclang-rt-dev
	@tools/fuzz $(FUZZ_SECONDS)

sanitize:
	@tools/ensure-deps test
	@$(call preset,asan,build-asan)
	@$(call tests,asan,build-asan)

format-check:
	@tools/ensure-deps clang-format
	@tools/format-check

test-fresh:
	@tools/fresh-debian

test-cluster:
	@tools/ensure-deps demo cluster
	@$(call preset,dev,build,vantor pressik colbrand)
	@tests/cluster/run build

clean:
	@rm -rf build build-release build-asan build-bench build-fuzz build-fresh

# The project's commands. Each checks for (and installs) what it needs first, through
# scripts/install-deps.sh: Debian's packages with apt-get, and for the tests alone npm's BIDS
# validator.
#   make build  configure build/ and build the plug-in, kwhost and the tests (Debian's
#               packages only: the group base)
#   make demo   build the plug-in and kwhost alone in the same build/ and run the stand-in
#               host on the bundled sample (Debian's packages only: the group base)
#   make test   build with warnings as errors and run every test; installs Debian's chromium
#               (group test) and the BIDS validator with npm first (group bids) and stops,
#               saying so, before building when npm cannot install it
#   make test-asan   the tests again under AddressSanitizer + UndefinedBehaviorSanitizer
#                    (the validator too)
#   make bench  build and run the benchmarks, print the table (docs/performance.md);
#               Debian's packages only (groups base and bench)
#   make test-windows   cross-build stimforge.dll and kwhost with MinGW-w64, run the Windows
#                       tests under Wine and check the Microsoft ABI with clang (installs
#                       what they need from Debian: groups base and windows)
#   make fuzz   the fuzzers (clang + libFuzzer, ASan + UBSan) for FUZZ_SECONDS each (default
#               1800) or FUZZ_RUNS executions, two at a time; make fuzz-ci: each about a
#               minute, deterministically (-seed=1), as CI runs them (group fuzz)
# `make test` runs the Windows tests too when their tools are installed (WINDOWS=no skips
# them).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
ASAN_BUILD ?= build-asan
WINDOWS_BUILD ?= build-windows
FUZZ_BUILD ?= build-fuzz
WINDOWS ?= auto

.PHONY: all deps test-deps build test test-asan test-windows windows-tests fuzz fuzz-ci demo \
  bench format clean

all: build

# What building and the demo need: Debian's packages alone.
deps:
	@sh scripts/install-deps.sh base

# What the tests need besides: Debian's chromium (the study report rendered headless), and the
# BIDS validator, installed with npm (one line and a failure when npm cannot install it).
test-deps:
	@sh scripts/install-deps.sh base test bids

CONFIGURE = cmake -S . -B $(BUILD) -DSF_WERROR=ON

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

test: test-deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@if [ "$(WINDOWS)" = no ]; then \
	  echo "Windows tests skipped (WINDOWS=no)."; \
	elif sh scripts/install-deps.sh --check windows; then \
	  $(MAKE) --no-print-directory windows-tests; \
	else \
	  echo "Windows tests skipped: what they need (MinGW-w64, Wine, clang, nifticlib's" \
	    "source in .deps/) is not all here ('make test-windows' installs it and runs them)."; \
	fi

test-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DSF_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
	  -DSF_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test-windows:
	@sh scripts/install-deps.sh base windows
	@$(MAKE) --no-print-directory windows-tests

# The Windows tests with the tools already there: cmake/mingw-w64-x86_64.cmake is the
# toolchain, tests/windows the project.
windows-tests:
	cmake -S tests/windows -B $(WINDOWS_BUILD) -DSF_WERROR=ON
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz:
	@sh scripts/install-deps.sh fuzz
	sh fuzz/run_fuzzers.sh long $(FUZZ_BUILD)

fuzz-ci:
	@sh scripts/install-deps.sh fuzz
	sh fuzz/run_fuzzers.sh ci $(FUZZ_BUILD)

# The plug-in and kwhost alone (the target kwhost builds the plug-in first), in the build
# folder of `make build` and `make test`, which later build the rest.
demo: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target kwhost
	@sh scripts/demo.sh $(BUILD)

# The same build as `make test` (Google Benchmark installed first, so that bench/ is in it).
bench:
	@sh scripts/install-deps.sh base bench
	@$(MAKE) --no-print-directory build
	@sh bench/run_bench.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD) $(FUZZ_BUILD)

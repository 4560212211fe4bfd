# The project's commands. Each checks for (and installs) what it needs first.
#   make demo   build everything and run the stand-in host on the bundled sample
#   make test   build with warnings as errors and run every test
#   make test-asan   the tests again under AddressSanitizer + UndefinedBehaviorSanitizer

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
ASAN_BUILD ?= build-asan

.PHONY: all deps build test test-asan demo format clean

all: build

deps:
	@sh scripts/install-deps.sh base

build: deps
	cmake -S . -B $(BUILD) -DSF_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DSF_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
	  -DSF_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

demo: build
	@sh scripts/demo.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

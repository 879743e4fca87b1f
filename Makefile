# Two set-up commands for a fresh Debian machine: `make run` and `make test`.
# Each installs the Debian packages it needs first.

BUILD_PACKAGES := cmake g++ make libgtest-dev libbenchmark-dev
FUZZ_PACKAGES := clang libclang-rt-dev
FUZZ_SECONDS := 60
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps release fuzz

deps:
	@scripts/ensure-packages $(BUILD_PACKAGES)

release: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
	cmake --build build/release -j $(JOBS)

# Runs the prediction on a copy of the bundled default scenario, so data/ is never written to.
run: release
	rm -rf build/run && mkdir -p build/run
	cp data/default/*.dat build/run/
	cd build/run && ../release/fieldcast </dev/null >console.txt; echo $$? >status.txt
	@echo "== console (converted from CP932) =="
	@iconv -f CP932 -t UTF-8 build/run/console.txt
	@echo "== build/run/QZresult-0.txt (converted from CP932) =="
	@iconv -f CP932 -t UTF-8 build/run/QZresult-0.txt
	@test "$$(cat build/run/status.txt)" = 0

# The whole suite twice: an optimised build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the test that caused it.
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

test: deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)"
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure -j $(JOBS)

# The libFuzzer target on the input files, from the committed seeds, for FUZZ_SECONDS on one
# core; CI runs it after `make test`. A crash leaves its input in build/fuzz/artifacts/.
fuzz: deps
	@scripts/ensure-packages $(FUZZ_PACKAGES)
	scripts/fuzz $(FUZZ_SECONDS)

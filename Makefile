# Two set-up commands for a fresh Debian machine: `make run` and `make test`.
# Each installs the Debian packages it needs first.

# The table generator (tools/tables) also needs CLI11, libcerf, Arb, Boost.Math and GSL.
BUILD_PACKAGES := cmake g++ make libgtest-dev libbenchmark-dev \
	libcli11-dev libcerf-dev libflint-arb-dev libboost-math-dev libgsl-dev
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps release tables

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

test: deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

# Regenerates the curve and table files of data/default/ (the scenario files stay as they are).
tables: release
	build/release/fieldcast-tables --output-dir data/default

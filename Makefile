# Two set-up commands for a fresh Debian machine: `make run` and `make test`.
# Each installs the Debian packages it needs first.

# The table generator (tools/tables) needs CLI11, libcerf, Arb, Boost.Math and GSL;
# the map tool (tools/map) CLI11, GMT with its coastlines at every resolution (the land/sea
# mask of --ground coastlines), netCDF for the mask and the CF grids (with the HDF5 beneath it,
# found through pkgconf), GDAL for GeoTIFF,
# contours, service areas and the grids' WGS 84, Ghostscript for PNG output, Leaflet, which it
# copies into its interactive pages, and the generator's libcerf, Arb and Boost.Math for Fock's
# pattern past grazing (the extended model).
# clang-format checks that the tree stays formatted (a test).
BUILD_PACKAGES := cmake g++ make libgtest-dev clang-format \
	libcli11-dev libcerf-dev libflint-arb-dev libboost-math-dev libgsl-dev \
	gmt gmt-gshhg-low gmt-gshhg-high gmt-gshhg-full libnetcdf-dev libhdf5-dev pkgconf \
	libgdal-dev ghostscript libjs-leaflet
# The tests (and bench/viewer-page) open those pages in headless Chromium, driven by Selenium;
# they read the grids back with GDAL's programs and Python modules, with xarray and with ncdump
# (netcdf-bin); localedef (locales) makes the decimal-comma and EUC-JP locales a test runs the
# map tool under.
TEST_PACKAGES := chromium chromium-driver python3-selenium gdal-bin python3-gdal python3-xarray \
	python3-netcdf4 netcdf-bin locales
FUZZ_PACKAGES := clang libclang-rt-dev
# bench/run-time times runs with hyperfine and traces their opens with strace; bench/same-output
# compares netCDF grids by their ncdump.
BENCH_PACKAGES := hyperfine strace netcdf-bin
FUZZ_SECONDS := 60
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps test-deps bench-deps release tables validate map viewer fuzz

deps:
	@scripts/ensure-packages $(BUILD_PACKAGES)

# What the tests need besides the build: the browser that opens the map tool's pages.
test-deps: deps
	@scripts/ensure-packages $(TEST_PACKAGES)

# What the scripts of bench/ need besides the build.
bench-deps: deps
	@scripts/ensure-packages $(BENCH_PACKAGES)

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

# The core and fieldcast alone configure and build without the tools' libraries.
CORE_ALONE_FLAGS := -DFIELDCAST_TOOLS=OFF -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
	-DCMAKE_DISABLE_FIND_PACKAGE_GSL=ON -DCMAKE_DISABLE_FIND_PACKAGE_Boost=ON

test: test-deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure --no-tests=error -j $(JOBS)
	cmake -S . -B build/core-alone -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli $(CORE_ALONE_FLAGS)
	cmake --build build/core-alone -j $(JOBS) --target fieldcast
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$(SANITIZE_FLAGS)"
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The libFuzzer target on the input files, from the committed seeds, for FUZZ_SECONDS on one
# core; CI runs it after `make test`. A crash leaves its input in build/fuzz/artifacts/.
fuzz: deps
	@scripts/ensure-packages $(FUZZ_PACKAGES)
	scripts/fuzz $(FUZZ_SECONDS)

# Regenerates the curve and table files of data/default/ (LF) and data/mf/ (MF); the scenario
# files stay as they are.
tables: release
	build/release/fieldcast-tables --output-dir data/default
	build/release/fieldcast-tables --band mf --output-dir data/mf

# The bundled tables against the published measurements, through the prediction.
validate: release
	build/release/fieldcast-validate --lf data/default --mf data/mf

# Coverage maps of the bundled scenario, night and noon, over the whole 4000 km of the method.
map: release
	rm -rf build/map
	build/release/fieldcast-map area data/default -o build/map -R 95/185/0/70 --step 0.1 \
		--hours 0,12 --contours 40,50,60
	@ls build/map

# The interactive page of the bundled scenario, every hour, over the whole 4000 km of the method.
viewer: release
	rm -rf build/viewer
	build/release/fieldcast-map area data/default -o build/viewer -R 95/185/0/70 --step 0.2 \
		--format html --no-maps
	@echo "open build/viewer/index.html in a browser"

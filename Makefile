# Quorvel: the two commands of the README, and the steps behind them.
#   make run   - set up, build, start the demo server and open Quorvel under Wine
#   make test  - set up, build both configurations and run every test
BUILD ?= build
NATIVE := $(BUILD)/native
MINGW := $(BUILD)/mingw
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
ROOT := $(abspath .)
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
# A developer's machine with ccache reuses objects across build folders and
# work trees; without it nothing changes.
CCACHE := $(shell command -v ccache 2>/dev/null)
LAUNCHER := $(if $(CCACHE),-DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))

.PHONY: all setup native mingw build test test-native test-wine run bench clean

all: build

setup:
	@bash scripts/setup.sh

native: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(LAUNCHER) > /dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

mingw: setup
	@cmake -S . -B $(MINGW) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-w64.cmake $(LAUNCHER) > /dev/null
	@cmake --build $(MINGW) -j $(JOBS)

build: native mingw

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# Windows tests run under Wine on a virtual display, in the build folder's
# own Wine prefix.
test-wine: mingw
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) bash scripts/ctest-wine.sh $(abspath $(MINGW)) $(JOBS)

test: build
	$(MAKE) --no-print-directory test-native
	$(MAKE) --no-print-directory test-wine

run: build
	bash scripts/run.sh $(abspath $(BUILD))

# Benchmarks: the parsers natively without sanitizers (Google Benchmark), then
# the grid's painting and editing and Quorvel's start-up and idle CPU under Wine, each
# against a baseline run the same way.
bench: mingw native
	@cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_SANITIZE=OFF \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS) --target quorvel_bench
	$(BUILD)/bench/bench/quorvel_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) scripts/wine-run $(MINGW)/bench/wine/grid_paint_bench.exe 200
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) scripts/wine-run $(MINGW)/bench/wine/grid_drag_bench.exe 9
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) scripts/wine-run $(MINGW)/bench/wine/grid_edit_bench.exe 5
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) scripts/wine-run $(MINGW)/bench/wine/propbox_bench.exe 100
	QUORVEL_BUILD_DIR=$(abspath $(MINGW)) $(XVFB) scripts/wine-run $(MINGW)/bench/wine/log_bench.exe 5
	bash bench/startup/startup.sh $(abspath $(MINGW))

clean:
	rm -rf $(BUILD)

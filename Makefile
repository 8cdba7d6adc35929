# Entry points named in the README. Everything goes through the CMake presets.
SHELL := /bin/bash
.PHONY: deps test build demo bench fuzz dist clean

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset linux && cmake --build --preset linux
	cmake --preset win64 && cmake --build --preset win64
	cmake --preset win32 && cmake --build --preset win32
	cmake --preset fuzz && cmake --build --preset fuzz

# Builds every preset, then runs the native tests, the Windows tests under wine64, and the
# unit tests again under ASan/UBSan with each fuzz target for a bounded time.
test: build
	ctest --preset linux
	ctest --preset win64
	ctest --preset fuzz

# The native benchmarks (with the -O2/-Os comparison), then the start-up under Wine side by side
# with a bare window.
bench: deps
	cmake --preset linux -DQN_BENCH_OPT_LEVELS=ON && cmake --build --preset linux --target qn_bench
	build/linux/tests/qn_bench
	cmake --preset win64 && cmake --build --preset win64 --target qn_start_time

fuzz: deps
	cmake --preset fuzz && cmake --build --preset fuzz
	ctest --preset fuzz

# The wizard on the simulated demo machine under Wine: in a window on the display, or without
# one on a private screen with a screenshot of the start page.
demo: deps
	cmake --preset win64 && cmake --build --preset win64 --target QNBootRepair-sim
	scripts/demo.sh

# The release zip a technician carries (README, "Release"): build/dist/QNBootRepair-<version>.zip
# with the x64 and x86 programs, the usage note and the licences. Builds in its own folders
# (build/dist-win64, build/dist-win32); QN_BOOT_TOOLS_DIR=folder embeds the boot tools.
dist: deps
	QN_BOOT_TOOLS_DIR="$(QN_BOOT_TOOLS_DIR)" scripts/dist.sh

clean:
	rm -rf build

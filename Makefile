# Entry points named in the README. Everything goes through the CMake presets.
SHELL := /bin/bash
.PHONY: deps test build demo bench fuzz clean

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

bench: deps
	cmake --preset linux && cmake --build --preset linux --target qn_bench
	build/linux/tests/qn_bench

fuzz: deps
	cmake --preset fuzz && cmake --build --preset fuzz
	ctest --preset fuzz

# The wizard on the simulated demo machine under Wine: in a window on the display, or without
# one on a private screen with a screenshot of the start page.
demo: deps
	cmake --preset win64 && cmake --build --preset win64 --target QNBootRepair-sim
	scripts/demo.sh

clean:
	rm -rf build

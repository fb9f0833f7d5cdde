# Quorvex Client: the two commands are `make run` and `make test`.
# Both install what is missing (Debian 12, as root) and build first.
# Tests and packages are always built here, whatever a tree's cache says.
QX_ALL       := -DQUORVEX_TESTS=ON -DQUORVEX_PACKAGES=ON
CMAKE_NATIVE := cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo $(QX_ALL)
CMAKE_WIN    := cmake -S . -B build/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(QX_ALL)
# Where the machine runs no 32-bit code, the Win32 tests run on a 64-bit build
# of the same sources (scripts/wine-env); what is shipped is build/win.
CMAKE_WIN64  := cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(QX_ALL)
WIN_TREE      = $(shell bash -c '. scripts/wine-env && echo $$QX_WIN_TREE')
JOBS         ?= 2

.PHONY: all setup native win build test run bench soak clean

all: build

setup:
	@scripts/setup

native: setup
	@$(CMAKE_NATIVE) > build-native-configure.log 2>&1 || { cat build-native-configure.log; exit 1; }
	@rm -f build-native-configure.log
	@cmake --build build/native -j$(JOBS)

win: setup
	@$(CMAKE_WIN) > build-win-configure.log 2>&1 || { cat build-win-configure.log; exit 1; }
	@rm -f build-win-configure.log
	@cmake --build build/win -j$(JOBS)
	@if [ "$(WIN_TREE)" = win64 ]; then \
	  $(CMAKE_WIN64) > build-win64-configure.log 2>&1 || { cat build-win64-configure.log; exit 1; }; \
	  rm -f build-win64-configure.log; cmake --build build/win64 -j$(JOBS); fi

build: native win

test: build
	@scripts/test

run: build
	@scripts/run

bench: build
	@scripts/bench

# Not part of test or bench: an hour (SOAK_SECONDS) against the demo.
soak: build
	@scripts/soak

clean:
	rm -rf build

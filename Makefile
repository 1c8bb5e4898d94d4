# Thin driver over CMake. `make run` and `make test` install what is missing
# (Debian packages), build, and run.
SHELL := /bin/bash
ROOT := $(abspath .)
B := $(ROOT)/build
JOBS ?= $(shell nproc)

DEB_PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools \
    wine wine64 xvfb xauth python3 python3-dbf libdbd-xbase-perl locales faketime ccache xdotool socat netpbm \
    imagemagick unixodbc libsqliteodbc cups printer-driver-cups-pdf poppler-utils

.PHONY: all deps build native win64 win32 test unit interop e2e run bench dist fuzz clean

all: build

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	@# Wine takes its regional settings from the Unix locale: the end-to-end
	@# tests need the German one (date order, decimal and thousands characters).
	@if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$$'; then \
	  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen; \
	  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen; \
	  locale-gen >/dev/null; \
	fi

# ccache lets several work trees and rebuilds share compiled objects.
CCACHE := $(shell command -v ccache 2>/dev/null)
CMAKE_LAUNCHER := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE))

$(B)/native/build.ninja:
	cmake -S . -B $(B)/native $(CMAKE_LAUNCHER) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVEN_SANITIZE=ON
$(B)/win64/build.ninja:
	cmake -S . -B $(B)/win64 $(CMAKE_LAUNCHER) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
$(B)/win32/build.ninja:
	cmake -S . -B $(B)/win32 $(CMAKE_LAUNCHER) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release
$(B)/release/build.ninja:
	cmake -S . -B $(B)/release $(CMAKE_LAUNCHER) -G Ninja -DCMAKE_BUILD_TYPE=Release

native: $(B)/native/build.ninja
	cmake --build $(B)/native -j$(JOBS)
win64: $(B)/win64/build.ninja
	cmake --build $(B)/win64 -j$(JOBS)
win32: $(B)/win32/build.ninja
	cmake --build $(B)/win32 -j$(JOBS)

build: deps
	$(MAKE) native win64 win32

unit: native
	cd $(B)/native && ctest --output-on-failure -j$(JOBS)

e2e: native win64
	python3 tests/e2e/run_e2e.py

interop: $(B)/release/build.ninja
	sh tests/interop/run.sh $(B)/release

# Everything: native unit tests under ASan/UBSan, the dBase interoperability
# checks, then the end-to-end tests under Wine; fails when any test fails.
test: build
	@set -o pipefail; rc=0; \
	$(MAKE) --no-print-directory unit || rc=1; \
	$(MAKE) --no-print-directory interop || rc=1; \
	python3 tests/e2e/run_e2e.py || rc=1; \
	if [ $$rc -eq 0 ]; then echo "ALL TESTS PASSED"; else echo "TESTS FAILED"; fi; exit $$rc

# A first run builds only what it needs: the assembler (without sanitizers)
# and the 64-bit runtime. The picture lets a machine without a display show
# what the window looked like.
# PROGRAM=examples/aufgaben.tvl runs another listing (in build/run/, where
# the files it makes land).
PROGRAM ?= examples/hello.tvl
RUN_NAME = $(basename $(notdir $(PROGRAM)))
run: deps $(B)/release/build.ninja $(B)/win64/build.ninja
	cmake --build $(B)/release -j$(JOBS) --target tolvasm
	cmake --build $(B)/win64 -j$(JOBS) --target tolvrun
	mkdir -p $(B)/run
	$(B)/release/tolvasm asm $(PROGRAM) $(B)/run/$(RUN_NAME).tvc
	python3 tools/run_program.py --picture $(B)/$(RUN_NAME).png $(B)/run/$(RUN_NAME).tvc

bench: deps $(B)/release/build.ninja win64
	cmake --build $(B)/release -j$(JOBS)
	python3 bench/run_bench.py
	python3 bench/dbase_bench.py
	python3 bench/drawing_bench.py
	python3 bench/odbc_bench.py
	python3 bench/print_bench.py
	python3 bench/wait_bench.py

# A zip to hand to a Windows user: both runtimes, the tools built for
# Windows, the README, docs/ and the examples (build/dist/tolven-*.zip).
dist: deps win64 win32
	python3 tools/make_dist.py

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(B)/fuzz -G Ninja -DTOLVEN_FUZZ=ON -DTOLVEN_SANITIZE=ON
	cmake --build $(B)/fuzz -j$(JOBS)

clean:
	rm -rf $(B)

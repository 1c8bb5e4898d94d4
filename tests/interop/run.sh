#!/bin/sh
# Interoperability checks of the dBase engine against python3-dbf and
# XBase::Index (Debian packages python3-dbf and libdbd-xbase-perl).
#
#   sh tests/interop/run.sh [BUILD_DIR]
#
# Builds the library and ndxcheck in BUILD_DIR (default build/interop), links
# the driver against the library and runs the checks.
set -e
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build/interop}
cmake -S "$ROOT" -B "$BUILD" -G Ninja > /dev/null
cmake --build "$BUILD" --target tolven_portable ndxcheck -j2 > /dev/null
${CXX:-g++} -std=c++20 -O1 -I"$ROOT" "$ROOT/tests/interop/dbase_driver.cpp" \
    "$BUILD/libtolven_portable.a" -o "$BUILD/dbase_driver"
exec /usr/bin/python3 "$ROOT/tests/interop/check_interop.py" "$BUILD/dbase_driver" "$BUILD/ndxcheck"

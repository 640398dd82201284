#!/usr/bin/env bash
# Builds the libraries the browser build links, with emscripten, from Debian 12's own source packages:
# zlib and libpng as static WebAssembly libraries (emscripten's own ports download at build time, which
# this build never does). They are built once and cached (scripts/debian-sources.sh). Prints their folder
# on standard output; everything else goes to standard error.
set -euo pipefail

# Exactly the source versions Debian 12 ships.
sources=(
  libpng1.6=1.6.39-2+deb12u5
  zlib=1:1.2.13.dfsg-1
)
# Raise it whenever a change below changes what gets built.
recipe=1
cache_name=web-deps
tag=web-deps
source "$(dirname "$0")/debian-sources.sh"
# Debian's emcc finds its JavaScript parser only here.
export NODE_PATH=/usr/share/nodejs

open_cache
echo "Building the browser libraries once into $prefix (logs in $work/logs while it runs)" >&2
fetch_sources

jobs=$(nproc)
step configure-zlib env -C "$work/src/zlib" emconfigure ./configure --static --prefix="$stage"
step build-zlib emmake make -C "$work/src/zlib" -j "$jobs" libz.a
step install-zlib emmake make -C "$work/src/zlib" install

step configure-libpng emcmake cmake -S "$work/src/libpng1.6" -B "$work/build-libpng" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$stage" -DZLIB_LIBRARY="$stage/lib/libz.a" -DZLIB_INCLUDE_DIR="$stage/include" \
  -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF
step build-libpng cmake --build "$work/build-libpng" -j "$jobs"
step install-libpng cmake --install "$work/build-libpng"

finish_cache
echo "Browser libraries built in $((SECONDS - started)) s" >&2
echo "$prefix"

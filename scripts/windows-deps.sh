#!/usr/bin/env bash
# Builds the libraries the Windows programs link, with mingw-w64, from Debian 12's own source packages:
# SDL2 and mpg123 as DLLs (mpg123 is LGPL: a user can replace it), libpng, zlib and GLEW as static
# libraries. They are built once and cached (scripts/debian-sources.sh). Prints their folder on standard
# output; everything else goes to standard error.
set -euo pipefail

# Exactly the source versions Debian 12 ships.
sources=(
  libsdl2=2.26.5+dfsg-1
  mpg123=1.31.2-1+deb12u1
  libpng1.6=1.6.39-2+deb12u5
  zlib=1:1.2.13.dfsg-1
  glew=2.2.0-4
)
# Raise it whenever a change below or in cmake/mingw-w64.cmake changes what gets built.
recipe=2
cache_name=windows-deps
tag=windows-deps
source "$(dirname "$0")/debian-sources.sh"

open_cache
echo "Building the Windows libraries once into $prefix (logs in $work/logs while it runs)" >&2
fetch_sources

host=x86_64-w64-mingw32
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
# Configure scripts must see only what is built here, never the build machine's libraries.
export PKG_CONFIG_LIBDIR=$stage/lib/pkgconfig PKG_CONFIG_PATH=
jobs=$(nproc)
cmake_build() {
  local name=$1 dir=$2
  shift 2
  step "configure-$name" cmake -S "$dir" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DQUESSALY_WINDOWS_DEPS="$stage" \
    -DCMAKE_INSTALL_PREFIX="$stage" "$@"
  step "build-$name" cmake --build "$work/build-$name" -j "$jobs"
  step "install-$name" cmake --install "$work/build-$name"
}

step configure-zlib env -C "$work/src/zlib" CHOST=$host ./configure --static --prefix="$stage"
step build-zlib make -C "$work/src/zlib" -j "$jobs" libz.a
step install-zlib make -C "$work/src/zlib" install

cmake_build libpng "$work/src/libpng1.6" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF

cmake_build glew "$work/src/glew/build/cmake" -DBUILD_SHARED_LIBS=OFF -DBUILD_UTILS=OFF

# Only the decoder library, as a DLL with its own runtime (-static-libgcc) and without network code.
step configure-mpg123 env -C "$work/src/mpg123" ./configure --host=$host --prefix="$stage" \
  --enable-shared --disable-static --enable-network=no --with-audio=dummy --enable-modules=no \
  LDFLAGS=-static-libgcc
step build-mpg123 make -C "$work/src/mpg123" -j "$jobs" src/libmpg123/libmpg123.la libmpg123.pc
install_mpg123() (
  cd "$work/src/mpg123"
  mkdir -p "$stage/lib/pkgconfig" "$stage/include"
  ./libtool --mode=install install -c src/libmpg123/libmpg123.la "$stage/lib"
  install -m 644 src/libmpg123/mpg123.h src/libmpg123/fmt123.h "$stage/include"
  install -m 644 libmpg123.pc "$stage/lib/pkgconfig"
)
step install-mpg123 install_mpg123

cmake_build sdl2 "$work/src/libsdl2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
  -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON

step strip "$host-strip" --strip-unneeded "$stage"/bin/*.dll
# pkg-config files name the staging folder; make them find their libraries wherever the folder lives.
sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$stage"/lib/pkgconfig/*.pc
finish_cache
echo "Windows libraries built in $((SECONDS - started)) s" >&2
echo "$prefix"

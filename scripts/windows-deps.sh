#!/usr/bin/env bash
# Builds the libraries the Windows programs link, with mingw-w64, from Debian 12's own source packages:
# SDL2 and mpg123 as DLLs (mpg123 is LGPL: a user can replace it), libpng, zlib and GLEW as static
# libraries. They are built once and kept under ~/.cache/quessaly/windows-deps/<key>, the key made from
# the pinned versions below and the recipe revision, so every clone on the machine shares them. Prints
# that folder on standard output; everything else goes to standard error.
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
mirror=${QUESSALY_DEBIAN_MIRROR:-http://deb.debian.org/debian}

repo=$(cd "$(dirname "$0")/.." && pwd)
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/quessaly/windows-deps
key=$(printf '%s\n' "${sources[@]}" "recipe $recipe" | sha256sum | cut -c1-16)
prefix=$cache_root/$key
[[ -f $prefix/.complete ]] && { echo "$prefix"; exit 0; }

mkdir -p "$cache_root"
exec 9>"$prefix.lock"
flock 9
[[ -f $prefix/.complete ]] && { echo "$prefix"; exit 0; }

started=$SECONDS
work=$(mktemp -d "$cache_root/build.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/prefix
mkdir -p "$stage" "$work/logs"
echo "Building the Windows libraries once into $prefix (logs in $work/logs while it runs)" >&2

# Runs a step with its output in a log, shown only when the step fails.
step() {
  local name=$1
  shift
  local begun=$SECONDS
  if ! "$@" >"$work/logs/$name.log" 2>&1; then
    tail -n 40 "$work/logs/$name.log" >&2
    echo "windows-deps: $name failed" >&2
    exit 1
  fi
  echo "  $name: $((SECONDS - begun)) s" >&2
}

# A private apt state with the deb-src entries, so the machine's own apt configuration stays as it is.
apt_options=(
  -o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
  -o Debug::NoLocking=1 -o "APT::Sandbox::User=$(id -un)"
)
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
for suite in bookworm bookworm-updates; do
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main"
done >"$work/apt/sources.list"
step apt-update apt-get "${apt_options[@]}" update

for source in "${sources[@]}"; do
  name=${source%%=*}
  version=${source#*=}
  offered=$(apt-cache "${apt_options[@]}" showsrc "$name" | sed -n 's/^Version: //p' | sort -u | tr '\n' ' ')
  if [[ " $offered " != *" $version "* ]]; then
    echo "windows-deps: Debian no longer offers $name $version (it offers: $offered); update the pin in $0" >&2
    exit 1
  fi
done

# Upstream signatures (.asc) are not needed to unpack and the archive does not always serve them, so
# apt's verdict is replaced by our own: every other file the .dsc lists is present with its SHA-256.
(cd "$work/src" && apt-get "${apt_options[@]}" source --download-only "${sources[@]}" >"$work/logs/download.log" 2>&1) || true
unpack() {
  local dsc
  dsc=$(ls "$work/src/$1"_*.dsc)
  (cd "$work/src" &&
    awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && $3 !~ /\.asc$/ { print $1 "  " $3 }' "$dsc" |
    sha256sum --check --quiet) || { cat "$work/logs/download.log" >&2; echo "windows-deps: $1 did not download" >&2; exit 1; }
  grep -v '\.asc$' "$dsc" >"$work/src/unpack-$1.dsc"
  step "unpack-$1" dpkg-source --no-check -x "$work/src/unpack-$1.dsc" "$work/src/$1"
}
for source in "${sources[@]}"; do
  unpack "${source%%=*}"
done

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
for source in "${sources[@]}"; do
  name=${source%%=*}
  mkdir -p "$stage/licenses/$name"
  cp "$work/src/$name/debian/copyright" "$stage/licenses/$name/copyright"
done
printf '%s\n' "${sources[@]}" >"$stage/versions.txt"
touch "$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
echo "Windows libraries built in $((SECONDS - started)) s" >&2
echo "$prefix"

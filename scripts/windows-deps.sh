#!/usr/bin/env bash
# What the Windows build needs beyond the project: Debian's MinGW-w64 cross
# compiler and Wine, and libxml2 and SQLite cross-built from Debian's source
# packages into one fixed place outside any build tree (RT_WINDOWS_DEPS,
# /opt/rt-windows-deps by default). Does nothing when that place is complete.
# GoogleTest is built inside the cross build from /usr/src/googletest.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$PWD"
prefix="${RT_WINDOWS_DEPS:-/opt/rt-windows-deps}"
stamp="$prefix/.complete-1"
[ -e "$stamp" ] && exit 0

packages=(g++-mingw-w64-x86-64-posix wine wine64 cmake ninja-build dpkg-dev tcl gcc make xz-utils libgtest-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
# apt-get source needs the source entries of the binary ones the machine has.
sources=/etc/apt/sources.list.d/rt-windows-deps-src.sources
have_sources=yes
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  have_sources=no
  if [ -e /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/rt-windows-deps-src.list
  fi
fi
if [ "${#missing[@]}" -gt 0 ] || [ "$have_sources" = no ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [ "${#missing[@]}" -gt 0 ] && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source -qq --download-only libxml2 sqlite3 >/dev/null 2>&1
for dsc in libxml2_*.dsc sqlite3_*.dsc; do dpkg-source --no-check -x "$dsc" >/dev/null; done
rm -rf "$prefix"
mkdir -p "$prefix/bin" "$prefix/lib" "$prefix/include"
toolchain="$source_dir/cmake/MinGW64.cmake"

# libxml2: the reader interface rtrun uses, nothing that needs another library.
cmake -S libxml2-*/ -B xml-build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF \
  -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF \
  -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_MODULES=OFF >/dev/null
cmake --build xml-build --parallel 2 >/dev/null
cmake --install xml-build >/dev/null

# SQLite: its one-file form is made from the source tree by the build's own
# (native) tools, then compiled for Windows as sqlite3.dll.
mkdir sqlite-build
(cd sqlite-build && ../sqlite3-*/configure --disable-tcl >/dev/null && make -j2 sqlite3.c >/dev/null)
x86_64-w64-mingw32-gcc-posix -O2 -shared -DSQLITE_API='__declspec(dllexport)' -DSQLITE_THREADSAFE=1 -o "$prefix/bin/sqlite3.dll" sqlite-build/sqlite3.c \
  -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a"
cp sqlite-build/sqlite3.h "$prefix/include/"
touch "$stamp"
echo "windows-deps: libxml2 and SQLite for Windows in $prefix"

#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine and builds
# the libraries (libpng, SQLite, GoogleTest, Google Benchmark) into .deps/.
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/mingw"
toolchain="$root/cmake/mingw-w64.cmake"

need_pkgs=(
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine64 wine fonts-wine xvfb xauth imagemagick xdotool x11-utils bc
  cmake ninja-build make g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev dpkg-dev zlib1g-dev tcl python3
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)

# --- Debian source packages, through a private apt configuration.
# The machine's own sources are read, never changed: we derive a deb-src list
# from them into .deps/apt and point apt-get at that folder only.
apt_dir="$deps/apt"
apt_opts=(
  -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
  -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Get::List-Cleanup=0"
  -o "APT::Sandbox::User=root"
)
source_lists_ready=0
prepare_source_lists() {
  [ "$source_lists_ready" = 1 ] && return 0
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
  : > "$apt_dir/sources.list"
  local out="$apt_dir/sources.list.d/debian-src.sources"
  : > "$out"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Rewrite each deb822 stanza that serves Debian binaries into a deb-src one.
    awk '
      BEGIN { RS=""; FS="\n" }
      {
        isdeb = 0; keep = ""
        for (i = 1; i <= NF; i++) {
          line = $i
          if (line ~ /^#/) continue
          if (line ~ /^Types:/) { if (line ~ /[ \t]deb([ \t]|$)/) isdeb = 1; continue }
          keep = keep line "\n"
        }
        if (isdeb && keep ~ /debian/) printf "Types: deb-src\n%s\n", keep
      }' "$f" >> "$out"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | grep debian \
      | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' > "$apt_dir/sources.list" || true
  fi
  apt-get "${apt_opts[@]}" update -q > "$deps/apt-update.log" 2>&1 \
    || { cat "$deps/apt-update.log" >&2; exit 1; }
  source_lists_ready=1
}
# Unpacks Debian's source package $1 into $deps/src/$1/tree.
fetch_source() {
  local name=$1 src="$deps/src/$1"
  prepare_source_lists
  echo "setup: fetching $name's Debian source package"
  rm -rf "$src"
  mkdir -p "$src"
  # A mirror can list a version whose files it no longer serves (a security
  # update superseded by a point release), so try each listed version in turn.
  local fetched=0 v
  for v in $(apt-cache "${apt_opts[@]}" showsrc "$name" | sed -n 's/^Version: //p' | sort -u -r -V); do
    rm -f "$src"/*
    if (cd "$src" && apt-get "${apt_opts[@]}" source --download-only -q "$name=$v" \
          >> "$deps/apt-source.log" 2>&1); then
      echo "setup: $name $v fetched"
      fetched=1; break
    fi
  done
  [ "$fetched" = 1 ] || { cat "$deps/apt-source.log" >&2; echo "setup: could not fetch $name's source package" >&2; exit 1; }
  (cd "$src" && dpkg-source -x --no-check ./*.dsc tree > /dev/null)
}

# --- libpng for MinGW-w64.
if [ ! -f "$prefix/lib/libpng16.a" ] && [ ! -f "$prefix/lib/libpng.a" ]; then
  fetch_source libpng1.6
  echo "setup: building libpng for MinGW-w64"
  cmake -S "$deps/src/libpng1.6/tree" -B "$deps/build/libpng" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_FRAMEWORK=OFF -DSKIP_INSTALL_PROGRAMS=ON > "$deps/build-libpng.log"
  cmake --build "$deps/build/libpng" -j "$jobs" >> "$deps/build-libpng.log"
  cmake --install "$deps/build/libpng" >> "$deps/build-libpng.log"
fi

# --- SQLite, for MinGW-w64 and natively, from one amalgamation.
# Debian's source package holds SQLite's canonical source tree, not the
# single-file amalgamation; the tree's own makefile generates sqlite3.c with
# tclsh and small native tools. Both builds compile that one file with the
# same options, so the native tests exercise the library quorvel.exe links.
sqlite_build="$deps/build/sqlite3"
sqlite_flags=(
  -O2 -DNDEBUG -DSQLITE_THREADSAFE=1 -DSQLITE_DQS=0 -DSQLITE_DEFAULT_MEMSTATUS=0
  -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_OMIT_DEPRECATED -DSQLITE_OMIT_SHARED_CACHE
  -DSQLITE_DEFAULT_FOREIGN_KEYS=1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS
)
# Linux has pread/pwrite (one system call per page instead of a seek and a
# read) and usleep (without it the busy handler sleeps in whole seconds).
sqlite_posix_flags=(-fPIC -DHAVE_PREAD=1 -DHAVE_PWRITE=1 -DHAVE_USLEEP=1 -DHAVE_FDATASYNC=1)
# Each library is rebuilt when the options it was built with change.
sqlite_stamp() { echo "$* ${sqlite_flags[*]}"; }
sqlite_current() {  # sqlite_current <prefix> [extra flags...]
  local dest=$1; shift
  [ -f "$dest/lib/libsqlite3.a" ] && [ "$(cat "$dest/lib/libsqlite3.flags" 2>/dev/null)" = "$(sqlite_stamp "$@")" ]
}
build_sqlite() {  # build_sqlite <cc> <ar> <prefix> [extra flags...]
  local cc=$1 ar=$2 dest=$3; shift 3
  local obj="$sqlite_build/sqlite3-$(basename "$dest").o"
  "$cc" "${sqlite_flags[@]}" "$@" -c "$sqlite_build/sqlite3.c" -o "$obj"
  mkdir -p "$dest/lib" "$dest/include"
  rm -f "$dest/lib/libsqlite3.a"
  "$ar" rcs "$dest/lib/libsqlite3.a" "$obj"
  cp "$sqlite_build/sqlite3.h" "$dest/include/sqlite3.h"
  sqlite_stamp "$@" > "$dest/lib/libsqlite3.flags"
}
if ! sqlite_current "$prefix" || ! sqlite_current "$deps/native" "${sqlite_posix_flags[@]}"; then
  if [ ! -f "$sqlite_build/sqlite3.c" ]; then
    fetch_source sqlite3
    echo "setup: generating SQLite's amalgamation"
    rm -rf "$sqlite_build"
    mkdir -p "$sqlite_build"
    (cd "$sqlite_build" && "$deps/src/sqlite3/tree/configure" --disable-tcl --disable-readline \
        > "$deps/build-sqlite3.log" 2>&1 \
      && make -j "$jobs" sqlite3.c >> "$deps/build-sqlite3.log" 2>&1) \
      || { tail -n 30 "$deps/build-sqlite3.log" >&2; echo "setup: could not generate sqlite3.c" >&2; exit 1; }
  fi
  echo "setup: building SQLite for MinGW-w64 and natively"
  sqlite_current "$prefix" || build_sqlite x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-ar "$prefix"
  sqlite_current "$deps/native" "${sqlite_posix_flags[@]}" \
    || build_sqlite clang ar "$deps/native" "${sqlite_posix_flags[@]}"
fi

# --- Google Benchmark, natively, as a release library. Debian's own
# libbenchmark is built without NDEBUG, and the library then says so on every
# run ("Library was built as DEBUG. Timings may be affected").
native_prefix="$deps/native"
if [ ! -f "$native_prefix/lib/libbenchmark.a" ]; then
  fetch_source benchmark
  echo "setup: building Google Benchmark (release)"
  # Debian's patches take the version from the changelog, not from git.
  bm_version=$(cd "$deps/src/benchmark/tree" && dpkg-parsechangelog -S Version | sed 's/-[^-]*$//')
  rm -rf "$deps/build/benchmark"
  cmake -S "$deps/src/benchmark/tree" -B "$deps/build/benchmark" -G Ninja -DGIT_VERSION="$bm_version" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_INSTALL_PREFIX="$native_prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
    -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_INSTALL_DOCS=OFF > "$deps/build-benchmark.log"
  cmake --build "$deps/build/benchmark" -j "$jobs" >> "$deps/build-benchmark.log"
  cmake --install "$deps/build/benchmark" >> "$deps/build-benchmark.log"
fi

# --- GoogleTest for MinGW-w64, from the sources Debian's googletest package installs.
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "setup: building GoogleTest for MinGW-w64"
  cmake -S /usr/src/googletest -B "$deps/build/googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
    -DBUILD_GMOCK=ON > "$deps/build-googletest.log"
  cmake --build "$deps/build/googletest" -j "$jobs" >> "$deps/build-googletest.log"
  cmake --install "$deps/build/googletest" >> "$deps/build-googletest.log"
fi

echo "setup: ready"

#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine and builds
# the cross-compiled libraries (libpng, GoogleTest) into .deps/.
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/mingw"
toolchain="$root/cmake/mingw-w64.cmake"

need_pkgs=(
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine64 wine xvfb xauth imagemagick xdotool x11-utils
  cmake ninja-build make g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev dpkg-dev zlib1g-dev
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

# --- libpng, from Debian's source package, through a private apt configuration.
# The machine's own sources are read, never changed: we derive a deb-src list
# from them into .deps/apt and point apt-get at that folder only.
if [ ! -f "$prefix/lib/libpng16.a" ] && [ ! -f "$prefix/lib/libpng.a" ]; then
  apt_dir="$deps/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
  : > "$apt_dir/sources.list"
  out="$apt_dir/sources.list.d/debian-src.sources"
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
  apt_opts=(
    -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
    -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Get::List-Cleanup=0"
    -o "APT::Sandbox::User=root"
  )
  echo "setup: fetching libpng's Debian source package"
  apt-get "${apt_opts[@]}" update -q > "$deps/apt-update.log" 2>&1 \
    || { cat "$deps/apt-update.log" >&2; exit 1; }
  src="$deps/src"
  rm -rf "$src/libpng"
  mkdir -p "$src/libpng"
  # A mirror can list a version whose files it no longer serves (a security
  # update superseded by a point release), so try each listed version in turn.
  fetched=0
  for v in $(apt-cache "${apt_opts[@]}" showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -u -r -V); do
    rm -f "$src/libpng"/*
    if (cd "$src/libpng" && apt-get "${apt_opts[@]}" source --download-only -q "libpng1.6=$v" \
          >> "$deps/apt-source.log" 2>&1); then
      echo "setup: libpng1.6 $v fetched"
      fetched=1; break
    fi
  done
  [ "$fetched" = 1 ] || { cat "$deps/apt-source.log" >&2; echo "setup: could not fetch libpng's source package" >&2; exit 1; }
  (cd "$src/libpng" && dpkg-source -x --no-check ./*.dsc tree > /dev/null)
  echo "setup: building libpng for MinGW-w64"
  cmake -S "$src/libpng/tree" -B "$deps/build/libpng" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_FRAMEWORK=OFF -DSKIP_INSTALL_PROGRAMS=ON > "$deps/build-libpng.log"
  cmake --build "$deps/build/libpng" -j "$jobs" >> "$deps/build-libpng.log"
  cmake --install "$deps/build/libpng" >> "$deps/build-libpng.log"
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

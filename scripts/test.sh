#!/usr/bin/env bash
# Builds every target and runs every test suite: the native build, the sanitizer build,
# a bounded run of each fuzz target, and the Windows program's tests under Wine. First
# installs, from Debian's packages, whatever a fresh machine lacks; where it cannot
# install, it says what to install and stops rather than skip a suite.
set -euo pipefail
cd "$(dirname "$0")/.."

have() { command -v "$1" >/dev/null 2>&1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
have cmake || missing+=(cmake)
have g++ || missing+=(g++)
have clang++ || missing+=(clang)
installed libclang-rt-14-dev || missing+=(libclang-rt-14-dev)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
have i686-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-i686-posix)
have x86_64-w64-mingw32-g++-posix || missing+=(g++-mingw-w64-x86-64-posix)
installed wine || missing+=(wine)
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
installed wine32:i386 || missing+=(wine32:i386)
have tmux || missing+=(tmux)
have python3 || missing+=(python3)

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ] || ! have apt-get; then
    echo "Missing: ${missing[*]}" >&2
    echo "Install them as root, with the i386 architecture added for wine32:" >&2
    echo "  dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "== installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2

run() {  # configure, build and test one preset
  echo "== $1: build"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
  echo "== $1: test"
  ctest --preset "$1"
}

run linux
run sanitize

# Each fuzz target for 10 s over a copy of its seed corpus, so that what it adds stays
# in the build tree; a crash, a sanitizer report or a broken invariant fails the run.
echo "== fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
for seeds in fuzz/corpus/*/; do
  name=$(basename "$seeds")
  echo "== fuzz: $name"
  corpus=build/fuzz/corpus/$name
  rm -rf "$corpus" && mkdir -p "$corpus" && cp "$seeds"* "$corpus"
  if ! "build/fuzz/fuzz/$name" -max_total_time=10 -timeout=5 -artifact_prefix=build/fuzz/ "$corpus" \
      >"build/fuzz/$name.log" 2>&1; then
    tail -n 40 "build/fuzz/$name.log" >&2
    exit 1
  fi
done

# The product: the 32-bit Windows console program. Its tests run under Wine where this
# machine can execute 32-bit code; where it cannot (a kernel without 32-bit user mode),
# the same code's tests run as a 64-bit build under the 64-bit Wine instead.
echo "== windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "== windows: package"
(cd build/windows && cpack >/dev/null)
python3 -m zipfile -l build/windows/regdump-*-win32.zip | grep -w regdump.exe
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "== windows: test"
  ctest --preset windows
else
  echo "== windows: this machine cannot run 32-bit programs; its Windows tests run on the 64-bit build"
fi
run windows64
echo "== all suites passed"

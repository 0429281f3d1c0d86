#!/usr/bin/env bash
# Shows the whole tool at work without a controller or a cable: builds the native program
# and the controller simulator where they are missing or out of date, then runs regdump in
# this terminal with ctlsim playing the controller on a pseudo-terminal as COM1. Type 1 and
# Enter at the prompt; the report goes into the current directory. Options are passed on
# to ctlsim, e.g. scripts/try.sh --turnaround 20 or scripts/try.sh --silent.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

have() { command -v "$1" >/dev/null 2>&1; }

missing=()
have cmake || missing+=(cmake)
have g++ || missing+=(g++)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ] || ! have apt-get; then
    echo "Missing: ${missing[*]}" >&2
    echo "Install them as root: apt-get update && apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
(
  cd "$root"
  [ -f build/linux/CMakeCache.txt ] || cmake --preset linux >/dev/null
  cmake --build --preset linux --target regdump ctlsim -j "$jobs" >/dev/null
)

exec "$root/build/linux/tools/ctlsim/ctlsim" "$@" --com 1 -- "$root/build/linux/regdump/regdump"

#!/usr/bin/env bash
# Yomika's one entry point for people and CI. Every mode first installs the
# Debian packages that are missing, then builds and lays out the program
# directory (build/dist). Safe to re-run: the program directory keeps what it
# has gathered (yomika.ini, append files, the filled dic/kotokarc).
#
#   ./setup.sh run     set up, build, and open the window
#   ./setup.sh test    set up, build, and run every test (what CI runs)
#   ./setup.sh bench   set up, build, and run every benchmark
set -euo pipefail

mode=${1:-run}
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

# Keep in step with the package list in README.md.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libmecab-dev mecab mecab-ipadic-utf8
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-noto-cjk
  xdg-utils
)
test_packages=(
  clang libclang-rt-14-dev
  xvfb xauth openbox xdotool xclip wmctrl x11-utils imagemagick
  manpages-ja hyperfine libxcb1-dev libx11-dev libxfixes-dev
)

say() { printf '\n== %s\n' "$*"; }

install_packages() {
  local wanted=("$@") missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

build() { # build DIR [cmake options...] [--target NAME]
  local dir=$1 target=() options=()
  shift
  while [ $# -gt 0 ]; do
    if [ "$1" = --target ]; then target=("$2"); shift 2; else options+=("$1"); shift; fi
  done
  say "building in $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
  ninja -C "$dir" -j "$jobs" "${target[@]}"
}

case "$mode" in
  run)
    install_packages "${packages[@]}"
    build build
    say "starting build/dist/yomika"
    exec build/dist/yomika
    ;;
  test)
    install_packages "${packages[@]}" "${test_packages[@]}"
    build build

    say "fuzzing, a bounded time for each target"
    build build-fuzz -DYOMIKA_FUZZ=ON -DYOMIKA_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ \
        -DYOMIKA_DIST_DIR="$here/build-fuzz/dist" --target fuzzers
    (cd build-fuzz && ctest --output-on-failure -j "$jobs" -L fuzz)

    say "tests with AddressSanitizer and UndefinedBehaviorSanitizer"
    build build-asan -DYOMIKA_SANITIZE=ON -DYOMIKA_BENCH=OFF -DYOMIKA_DIST_DIR="$here/build-asan/dist"
    (cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 900 -LE 'fuzz|slow')

    say "tests"
    (cd build && ctest --output-on-failure -j "$jobs" --timeout 900 -LE fuzz)
    ;;
  bench)
    install_packages "${packages[@]}" "${test_packages[@]}"
    build build
    bench/run-all.sh build
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac

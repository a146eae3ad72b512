#!/usr/bin/env bash
# Yomika's one entry point for people and CI. Every mode first installs the
# Debian packages that are missing, then builds and lays out the program
# directory (build/dist). Safe to re-run: the program directory keeps what it
# has gathered (yomika.ini, append files, the filled dic/kotokarc).
#
#   ./setup.sh run     set up, build, and open the window
#   ./setup.sh test    set up, build, and run every test (what CI runs)
#   ./setup.sh bench   set up, build, and run every benchmark
#   ./setup.sh package build the Debian package into build-package/ and check it
#   ./setup.sh windows build for Windows with MinGW (the toolchain from Debian's
#                      source packages, once, into a cache), run the Windows
#                      tests under Wine, and pack build-windows/'s zip and installer
set -euo pipefail

mode=${1:-run}
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

# Every package the project installs, in one place; keep in step with the
# package list in README.md. The clang runtime (sanitizers, libFuzzer) comes
# for the clang that is installed: see install_clang_runtime.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libmecab-dev mecab mecab-ipadic-utf8
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-noto-cjk
  xdg-utils
)
test_packages=(
  clang
  xvfb xauth openbox xdotool xclip wmctrl x11-utils
  g++-mingw-w64-x86-64-posix
  manpages-ja hyperfine libxcb1-dev mecab-utils parallel
)
clang_runtime_package=libclang-rt-%s-dev # %s: clang's major version
package_packages=(
  debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream
)

windows_packages=(
  wine wine64 xvfb xauth openbox xdotool xclip wmctrl x11-utils imagemagick nsis zip unzip
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

# The sanitizer and libFuzzer runtimes must match the compiler's version,
# which only the installed clang knows.
install_clang_runtime() {
  local major
  major=$(clang -dumpversion | cut -d. -f1)
  [ -n "$major" ] || { echo "cannot tell the version of clang" >&2; return 1; }
  # shellcheck disable=SC2059
  install_packages "$(printf "$clang_runtime_package" "$major")"
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

# YOMIKA_WINDOWS_TESTS=1 has the test mode run the Windows tests too.
# Whether the cache holds a Windows toolchain built from exactly what this
# machine would build it from: its stamp lists the source packages, the
# compiler packages and the build files. Only then does the test mode run
# the Windows tests, since building the toolchain takes a quarter of an hour
# to an hour.
windows_toolchain_cached() {
  local root=${YOMIKA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/yomika-windows} stamp line ok
  command -v wine >/dev/null && command -v makensis >/dev/null || return 1
  for stamp in "$root"/*/stamp; do
    [ -f "$stamp" ] || continue
    ok=1
    while read -r line; do
      case "$line" in
      "file: "*)
        set -- $line
        [ "$(sha256sum < "windows/$2" 2>/dev/null | cut -c1-64)" = "$3" ] || ok= ;;
      "package: "*)
        set -- $line
        [ "$(dpkg-query -W -f='${Version}' "$2" 2>/dev/null)" = "$3" ] || ok= ;;
      "qt6-base: "* | "mecab: "*)
        set -- $line
        apt-get source --print-uris "${1%:}" 2>/dev/null | grep -qF "$2 $3 $4" || ok= ;;
      esac
    done < "$stamp"
    [ -n "$ok" ] && return 0
  done
  return 1
}

# The Windows build: the toolchain (built when missing), the cross build, the
# tests under Wine, then the zip and the installer and a session with them.
# Needs the Linux build in build/ (its kotoka is the Windows one's reference).
windows_build() {
  local toolchain
  toolchain=$(windows/toolchain.sh | tail -n 1)
  build build-windows -DCMAKE_TOOLCHAIN_FILE="$toolchain/mingw-w64-x86_64.cmake" \
      -DCMAKE_PREFIX_PATH="$toolchain/qt;$toolchain/mecab" -DQT_HOST_PATH=/usr \
      -DYOMIKA_BENCH=OFF -DYOMIKA_REFERENCE_KOTOKA="$here/build/dist/kotoka"
  local status=0
  say "Windows tests under Wine"
  (cd build-windows && ctest --output-on-failure -j "$jobs" --timeout 900) || status=1
  say "the Windows zip and installer"
  windows/package.sh build-windows "$toolchain" || return 1
  say "a session under Wine with the installer and the zip"
  windows/session.sh build-windows || status=1
  return $status
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
    install_clang_runtime
    # Two builds. The clang one instruments everything for both sanitizers
    # and for coverage, so it serves the unit tests under the sanitizers and
    # the fuzz targets alike; the main one runs the tests as users build.
    build build -DYOMIKA_BENCH=OFF
    # It is built as sanitizer builds usually are, -O1 with line tables only:
    # much quicker to build, and the reports still name file and line.
    build build-asan -DCMAKE_CXX_COMPILER=clang++ -DYOMIKA_SANITIZE=ON -DYOMIKA_FUZZ=ON \
        -DYOMIKA_BENCH=OFF -DYOMIKA_FUZZ_SECONDS="${YOMIKA_FUZZ_SECONDS:-15}" \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
        -DYOMIKA_DIST_DIR="$here/build-asan/dist"

    status=0
    if [ "${YOMIKA_WINDOWS_TESTS:-}" = 1 ] && windows_toolchain_cached; then
      install_packages "${windows_packages[@]}"
      windows_build || status=1
    else
      say "no Windows toolchain in the cache (./setup.sh windows builds it): the Windows sources, compiled for syntax"
      bash .ci/windows-syntax.sh || status=1
    fi

    say "unit tests with AddressSanitizer and UndefinedBehaviorSanitizer, and fuzzing"
    (cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 900 -LE 'gui-session|package|dictionaries') ||
      status=1

    # Last, so that its summary closes the output.
    say "tests"
    (cd build && ctest --output-on-failure -j "$jobs" --timeout 900 -LE 'fuzz|package|dictionaries') || status=1
    exit $status
    ;;
  bench)
    install_packages "${packages[@]}" "${test_packages[@]}"
    build build -DYOMIKA_BENCH=ON
    bench/run-all.sh build
    ;;
  package)
    install_packages "${packages[@]}" "${package_packages[@]}"
    # dpkg-buildpackage writes beside the tree it builds, so it builds a
    # copy inside build-package/ and the checkout stays clean.
    rm -rf build-package && mkdir -p build-package/yomika
    tar --exclude='./build*' --exclude=./.git -cf - . | tar -C build-package/yomika -xf -
    say "building the Debian package"
    (cd build-package/yomika && dpkg-buildpackage -b -us -uc >../build.log 2>&1) ||
      { tail -n 30 build-package/build.log; exit 1; }
    say "checking it"
    desktop-file-validate ship/linux/org.yomika.Yomika.desktop
    appstreamcli validate --no-net ship/linux/org.yomika.Yomika.metainfo.xml
    lintian --fail-on error,warning build-package/yomika_*.deb
    ls build-package/yomika_*.deb
    ;;
  windows)
    install_packages "${packages[@]}" "${test_packages[@]}" "${windows_packages[@]}"
    # The whole Linux tree: its kotoka is kotoka.exe's reference, and the
    # session drives its program and uses its drag probe.
    build build -DYOMIKA_BENCH=OFF
    windows_build
    ;;
  *)
    echo "usage: $0 run|test|bench|package|windows" >&2
    exit 2
    ;;
esac

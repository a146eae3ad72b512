#!/bin/bash
# Builds the Windows (x86-64) toolchain for cross-compiling Yomika on
# Debian 12: Qt 6 (qtbase) and MeCab, both from Debian's source packages,
# compiled with MinGW-w64 (POSIX threads) into a cache outside the tree.
#
#   windows/toolchain.sh            build if needed; last stdout line: path
#
# The cache folder is
#   ${YOMIKA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/yomika-windows}/KEY
# where KEY hashes what the build is made from: the source packages (their
# .dsc checksums), the MinGW compiler and runtime packages, Debian's host Qt
# (its moc, rcc and uic are used) and the files of windows/ that steer the
# build.  KEY/stamp is written last, after the build has been checked under
# Wine; without it the folder counts as unbuilt.  A second call with the
# same key only prints the path.
#
# In KEY/: qt/ (prefix for CMAKE_PREFIX_PATH), mecab/ (mecab.h, libmecab,
# mecab.exe, mecab-dict-index.exe), mingw-w64-x86_64.cmake (the toolchain
# file the Qt build used), toolchain.env (paths for packaging), logs/.
#
# Environment: YOMIKA_WINDOWS_CACHE (root of the cache),
# YOMIKA_WINDOWS_JOBS (parallel jobs, default: all cores),
# YOMIKA_WINDOWS_NO_VERIFY=1 (skip the Wine checks; not recommended).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
triple=x86_64-w64-mingw32
cache_root=${YOMIKA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/yomika-windows}
jobs=${YOMIKA_WINDOWS_JOBS:-$(nproc)}

say() { printf 'toolchain: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# Files whose content changes what gets built; they go into the key.
build_files=(toolchain.sh mingw-w64-x86_64.cmake mecab/config.h mecab/CMakeLists.txt)

# --- host packages ---------------------------------------------------------
packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  cmake ninja-build perl dpkg-dev xz-utils
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  wine wine64 xvfb xauth nsis
  mecab mecab-utils mecab-ipadic mecab-ipadic-utf8 fonts-ipafont-gothic
)

apt_updated=
apt_update() {
  [ -n "$apt_updated" ] && return 0
  say "apt-get update"
  apt-get update -qq >&2
  apt_updated=1
}

need_root() {
  [ "$(id -u)" = 0 ] || die "$1 needs root (run as root or install it by hand)"
}

ensure_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == *'ok installed' ]] ||
      missing+=("$p")
  done
  [ ${#missing[@]} = 0 ] && return 0
  need_root "installing ${missing[*]}"
  apt_update
  say "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >&2
}

# True when some apt source already has deb-src for bookworm main, in the
# one-line form (sources.list, *.list) or the deb822 form (*.sources).
have_deb_src() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    grep -Eq '^[[:space:]]*deb-src([[:space:]]+\[[^]]*\])?[[:space:]]+[^[:space:]]+[[:space:]]+bookworm[[:space:]].*\bmain\b' "$f" &&
      return 0
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function check() {
        if (types ~ /(^| )deb-src( |$)/ && suites ~ /(^| )bookworm( |$)/ &&
            comps ~ /(^| )main( |$)/ && enabled !~ /^no$/) found = 1
        types = suites = comps = enabled = ""
      }
      /^[[:space:]]*$/ { check(); next }
      /^[[:space:]]*#/ { next }
      tolower($1) == "types:"      { $1 = ""; types = $0 }
      tolower($1) == "suites:"     { $1 = ""; suites = $0 }
      tolower($1) == "components:" { $1 = ""; comps = $0 }
      tolower($1) == "enabled:"    { enabled = $2 }
      END { check(); exit found ? 0 : 1 }' "$f" && return 0
  done
  return 1
}

# The archive that the existing bookworm "deb" entry uses.
bookworm_uri() {
  local uri
  uri=$(awk '
    /^[[:space:]]*$/ { if (deb && bw && uri != "") { print uri; exit } deb = bw = 0; uri = "" }
    tolower($1) == "types:" && / deb( |$)/ { deb = 1 }
    tolower($1) == "suites:" && /[[:space:]]bookworm( |$)/ { bw = 1 }
    tolower($1) == "uris:" { uri = $2 }
    END { if (deb && bw && uri != "") print uri }' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }
               $1 == "deb" && $2 ~ /^\[/ && $4 == "bookworm" { print $3; exit }' \
               /etc/apt/sources.list)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

ensure_deb_src() {
  have_deb_src && return 0
  need_root "adding a deb-src entry"
  local uri
  uri=$(bookworm_uri)
  say "adding deb-src for bookworm main ($uri)"
  if [ -f /etc/apt/sources.list ] && grep -Eq '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list &&
     ! ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    echo "deb-src $uri bookworm main" > /etc/apt/sources.list.d/yomika-deb-src.list
  else
    cat > /etc/apt/sources.list.d/yomika-deb-src.sources <<EOF
Types: deb-src
URIs: $uri
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  apt_updated=
  apt_update
}

# "FILE SIZE SHA256:..." lines of what `apt-get source PKG` would fetch.
source_uris() {
  apt-get source --print-uris "$1" 2>/dev/null | sed -n "s/^'[^']*' //p"
}

ensure_packages
ensure_deb_src

qt_uris=$(source_uris qt6-base)
mecab_uris=$(source_uris mecab)
[ -n "$qt_uris" ] || { apt_update; qt_uris=$(source_uris qt6-base); }
[ -n "$mecab_uris" ] || { apt_update; mecab_uris=$(source_uris mecab); }
[ -n "$qt_uris" ] && [ -n "$mecab_uris" ] ||
  die "apt knows no source of qt6-base or mecab"
qt_dsc=$(awk '$1 ~ /\.dsc$/ { print $1 }' <<<"$qt_uris")
mecab_dsc=$(awk '$1 ~ /\.dsc$/ { print $1 }' <<<"$mecab_uris")
mecab_orig=$(awk '$1 ~ /\.orig\.tar\./ { print $1 }' <<<"$mecab_uris")

# --- the key ---------------------------------------------------------------
cxx=$triple-g++-posix
key_material() {
  echo "qt6-base: $(grep -F "$qt_dsc" <<<"$qt_uris")"
  echo "mecab: $(grep -F "$mecab_dsc" <<<"$mecab_uris")"
  echo "compiler: $($cxx --version | head -n1)"
  dpkg-query -W -f='package: ${Package} ${Version}\n' \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime \
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 qt6-base-dev-tools
  local f
  for f in "${build_files[@]}"; do
    echo "file: $f $(sha256sum < "$here/$f" | cut -c1-64)"
  done
}
material=$(key_material)
key=$(sha256sum <<<"$material" | cut -c1-12)
out=$cache_root/$key

if [ -f "$out/stamp" ]; then
  echo "$out"
  exit 0
fi

mkdir -p "$cache_root"
exec 9>"$cache_root/.lock-$key"
if ! flock -n 9; then
  say "waiting for another build of $key"
  flock 9
fi
if [ -f "$out/stamp" ]; then
  echo "$out"
  exit 0
fi

started=$(date +%s)
say "building $out"
mkdir -p "$out/logs"
build=$cache_root/build-$key
mkdir -p "$build"

# Run a long step with its output in a log; show the log's end on failure.
logged() {
  local log=$1; shift
  if ! "$@" > "$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $* (log: $log)"
  fi
}

# --- sources -----------------------------------------------------------------
src=$cache_root/src
mkdir -p "$src"
fetch_sources() {
  need_root "apt-get source"
  say "apt-get source qt6-base mecab"
  # apt-get source as root drops to the _apt user for downloading unless told
  # otherwise; the cache may be in a folder that user cannot write.
  (cd "$src" && apt-get -o APT::Sandbox::User=root source --download-only \
     qt6-base mecab) > "$out/logs/apt-source.log" 2>&1 || true
}
verify_file() { # NAME from the "FILE SIZE SHA256:X" lines
  local line sum
  line=$(grep -F "$1 " <<<"$qt_uris
$mecab_uris" | head -n1)
  sum=${line##*SHA256:}
  [ -f "$src/$1" ] && [ "$(sha256sum < "$src/$1" | cut -c1-64)" = "$sum" ]
}
all_present() {
  local f
  for f in $(awk '{ print $1 }' <<<"$1"); do verify_file "$f" || return 1; done
}
all_present "$qt_uris" && verify_file "$mecab_orig" || fetch_sources
all_present "$qt_uris" ||
  die "qt6-base source incomplete (see $out/logs/apt-source.log)"
verify_file "$mecab_orig" ||
  die "mecab source missing (see $out/logs/apt-source.log)"

qt_src=$src/${qt_dsc%.dsc}
if [ ! -f "$qt_src/.yomika-unpacked" ]; then
  rm -rf "$qt_src"
  say "unpacking $qt_dsc (with Debian's patches)"
  logged "$out/logs/dpkg-source-qt.log" \
    dpkg-source --no-check -x "$src/$qt_dsc" "$qt_src"
  touch "$qt_src/.yomika-unpacked"
fi
# MeCab is built from the upstream tarball that the .dsc names (checked
# against its checksum): Debian's patches serve its Linux packaging, and
# its debian.tar.xz is not always on the mirror.
mecab_src=$src/${mecab_dsc%.dsc}
if [ ! -f "$mecab_src/.yomika-unpacked" ]; then
  rm -rf "$mecab_src"
  mkdir -p "$mecab_src"
  say "unpacking $mecab_orig"
  tar -xf "$src/$mecab_orig" -C "$mecab_src" --strip-components=1
  touch "$mecab_src/.yomika-unpacked"
fi

# --- toolchain file --------------------------------------------------------
# The installed Qt refers to the toolchain file it was built with
# (qt.toolchain.cmake chain-loads it), so it gets a copy that stays put.
cp "$here/mingw-w64-x86_64.cmake" "$out/mingw-w64-x86_64.cmake"
toolchain_file=$out/mingw-w64-x86_64.cmake

# --- qtbase ------------------------------------------------------------------
qt_prefix=$out/qt
qt_build=$build/qt
if [ ! -f "$qt_build/build.ninja" ]; then
  rm -rf "$qt_build"
  mkdir -p "$qt_build"
  say "configuring qtbase"
  # Only what the program uses: Core, Gui, Widgets, Test, the windows and
  # offscreen platforms, the windowsvista style.  Third-party code is Qt's
  # bundled copy (the MinGW sysroot has almost none of it).
  #  tabletevent off: Debian's source lacks src/3rdparty/wintab.
  #  opengl_dynamic off with INPUT_opengl=no: else qwindowswindow.cpp wants
  #    QOpenGLStaticContext.
  #  direct2d stays on: qwindows.dll links QWindowsDirectWriteFontDatabase.
  logged "$out/logs/qt-configure.log" \
    cmake -G Ninja -S "$qt_src" -B "$qt_build" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" \
      -DQT_HOST_PATH=/usr \
      -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
      -DBUILD_SHARED_LIBS=ON \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
      -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
      -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF \
      -DFEATURE_opengl_desktop=OFF -DFEATURE_vulkan=OFF \
      -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_tabletevent=OFF \
      -DFEATURE_pkg_config=OFF -DFEATURE_jpeg=OFF \
      -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF \
      -DFEATURE_harfbuzz=ON -DFEATURE_system_harfbuzz=OFF \
      -DFEATURE_png=ON -DFEATURE_system_png=OFF -DFEATURE_system_zlib=OFF \
      -DFEATURE_pcre2=ON -DFEATURE_system_pcre2=OFF \
      -DFEATURE_doubleconversion=ON -DFEATURE_system_doubleconversion=OFF \
      -DFEATURE_direct2d=ON -DFEATURE_testlib=ON \
      -DFEATURE_gui=ON -DFEATURE_widgets=ON
fi
say "building qtbase ($jobs jobs, nice 10; about 15 minutes on 2 cores)"
logged "$out/logs/qt-build.log" nice -n 10 cmake --build "$qt_build" -j "$jobs"
logged "$out/logs/qt-install.log" cmake --install "$qt_build"
[ -f "$qt_prefix/bin/Qt6Widgets.dll" ] &&
  [ -f "$qt_prefix/plugins/platforms/qwindows.dll" ] &&
  [ -f "$qt_prefix/plugins/platforms/qoffscreen.dll" ] &&
  [ -f "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" ] &&
  [ -f "$qt_prefix/bin/Qt6Test.dll" ] ||
  die "qtbase installed without a needed library or plugin"

# --- MeCab -------------------------------------------------------------------
mecab_prefix=$out/mecab
mecab_build=$build/mecab
say "building MeCab"
logged "$out/logs/mecab-configure.log" \
  cmake -G Ninja -S "$here/mecab" -B "$mecab_build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" \
    -DCMAKE_BUILD_TYPE=Release \
    -DMECAB_SOURCE_DIR="$mecab_src" \
    -DCMAKE_INSTALL_PREFIX="$mecab_prefix"
logged "$out/logs/mecab-build.log" nice -n 10 cmake --build "$mecab_build" -j "$jobs"
logged "$out/logs/mecab-install.log" cmake --install "$mecab_build"

# --- paths for later steps ---------------------------------------------------
runtime_dirs=
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  f=$($triple-gcc-posix -print-file-name=$dll)
  [ -f "$f" ] || die "MinGW runtime $dll not found"
  d=$(cd "$(dirname "$f")" && pwd)
  case ":$runtime_dirs:" in *":$d:"*) ;; *) runtime_dirs=${runtime_dirs:+$runtime_dirs:}$d ;; esac
done
qm=$(dpkg -L qt6-translations-l10n | grep '/qtbase_ja\.qm$' | head -n1)
cat > "$out/toolchain.env" <<EOF
# Sourced by packaging scripts: where the Windows build's parts are.
YOMIKA_WIN_TOOLCHAIN_FILE='$toolchain_file'
YOMIKA_WIN_QT_PREFIX='$qt_prefix'
YOMIKA_WIN_MECAB_PREFIX='$mecab_prefix'
YOMIKA_WIN_PREFIX_PATH='$qt_prefix;$mecab_prefix'
# Directories of libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll.
YOMIKA_WIN_RUNTIME_DIRS='$runtime_dirs'
# Qt's Japanese texts for its standard dialogs, from Debian's
# qt6-translations-l10n (.qm files are the same on every platform).
YOMIKA_WIN_QTBASE_JA_QM='$qm'
EOF

# --- check under Wine, then stamp -------------------------------------------
if [ "${YOMIKA_WINDOWS_NO_VERIFY:-}" != 1 ]; then
  say "checking under Wine"
  "$here/verify.sh" "$out" >&2 || die "the Wine checks failed"
fi

{
  echo "# Windows toolchain for Yomika, built $(date -u +%Y-%m-%dT%H:%M:%SZ) in $(( $(date +%s) - started )) s"
  echo "key: $key"
  echo "$material"
} > "$out/stamp.tmp"
mv "$out/stamp.tmp" "$out/stamp"
rm -rf "$build"
say "done: $(du -sh "$out" | cut -f1) in $out"
echo "$out"

#!/usr/bin/env bash
# Compiles every Windows-only source file (*_win.cc) for syntax only with the
# MinGW-w64 cross compiler, against this machine's Qt headers, so that a typo
# in code no Linux build compiles shows before it reaches a Windows machine.
# It checks names, types and calls against the Windows and Qt headers; it
# does not link, and it runs nothing: what a call does on Windows stays
# untested here.
#
# Usage: .ci/windows-syntax.sh [file.cc ...]   (default: every *_win.cc)
# Exits 0 when every file passes; otherwise names each failing file and
# exits 1. Needs the package g++-mingw-w64-x86-64-posix.
set -uo pipefail
cd "$(dirname "$0")/.."

compiler=${MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
qt=${QT_INCLUDE_DIR:-/usr/include/x86_64-linux-gnu/qt6}
if ! command -v "$compiler" >/dev/null; then
  echo "windows-syntax: $compiler not found (package g++-mingw-w64-x86-64-posix)" >&2
  exit 2
fi

# The Linux Qt headers serve for the declarations; Qt marks its functions
# dllimport on Windows, which they repeat inconsistently in places
# (-Wno-attributes). No other Linux include folder is added: MinGW's own
# system headers must be the ones found.
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Wno-attributes
       -DQT_NO_CAST_FROM_ASCII -DQT_NO_NARROWING_CONVERSIONS_IN_CONNECT -DYOMIKA_VERSION='"0"'
       -I. -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets")

if [ $# -gt 0 ]; then
  files=("$@")
else
  # find, not git: a tree copied without its history (or a machine without
  # git) has the same files.
  mapfile -t files < <(find core gui kotoka app -name '*_win.cc' | sort)
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "windows-syntax: no Windows source found" >&2
  exit 1
fi

failed=()
for file in "${files[@]}"; do
  if output=$("$compiler" "${flags[@]}" "$file" 2>&1) && [ -z "$output" ]; then
    echo "ok      $file"
  else
    echo "FAILED  $file"
    printf '%s\n' "$output" | sed 's/^/    /'
    failed+=("$file")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "windows-syntax: ${#failed[@]} of ${#files[@]} files failed: ${failed[*]}" >&2
  exit 1
fi
echo "windows-syntax: all ${#files[@]} files pass"

#!/bin/bash
# Prints the full paths of the DLLs that Windows binaries (.exe, .dll) need
# and that Windows itself does not have: Qt's, libmecab.dll and the MinGW
# runtime (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll),
# followed recursively, each once, sorted.  For packaging: windeployqt
# cannot inspect a cross build on Linux, so the import tables are read
# with objdump.
#
#   windows/dlls.sh [-v] BINARY...
#
# A needed DLL is looked for in the folder of the binary that imports it,
# then in YOMIKA_DLL_PATH (colon-separated folders), then in the
# toolchain's qt/bin and mecab/bin and the MinGW runtime folders.  The
# toolchain is YOMIKA_WINDOWS_TOOLCHAIN (a cache folder of toolchain.sh),
# else what windows/toolchain.sh prints.  A DLL found nowhere is taken for
# a Windows DLL (KERNEL32.dll, USER32.dll, api-ms-win-...); -v names those
# on stderr.  Exits 1 when a binary cannot be read.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
triple=x86_64-w64-mingw32
objdump=$triple-objdump

verbose=
if [ "${1:-}" = -v ]; then verbose=1; shift; fi
if [ $# = 0 ]; then
  echo "usage: $0 [-v] BINARY..." >&2
  exit 2
fi

toolchain=${YOMIKA_WINDOWS_TOOLCHAIN:-}
if [ -z "$toolchain" ]; then
  toolchain=$("$here/toolchain.sh" | tail -n1)
fi

search=()
IFS=: read -r -a extra <<<"${YOMIKA_DLL_PATH:-}"
for d in "${extra[@]}"; do [ -n "$d" ] && search+=("$d"); done
search+=("$toolchain/qt/bin" "$toolchain/mecab/bin")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  f=$($triple-gcc-posix -print-file-name=$dll)
  [ -f "$f" ] && search+=("$(cd "$(dirname "$f")" && pwd)")
done

# Finds NAME (case does not matter on Windows) in folder DIR.
find_in() {
  local dir=$1 name=${2,,} f base
  [ -d "$dir" ] || return 1
  for f in "$dir"/*; do
    base=${f##*/}
    if [ "${base,,}" = "$name" ] && [ -f "$f" ]; then
      printf '%s\n' "$f"
      return 0
    fi
  done
  return 1
}

imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'
}

declare -A seen=() system=()
queue=()
for b in "$@"; do
  [ -r "$b" ] || { echo "dlls.sh: cannot read $b" >&2; exit 1; }
  queue+=("$(cd "$(dirname "$b")" && pwd)/${b##*/}")
  base=${b##*/}
  seen[${base,,}]=1   # named on the command line: not printed again
done

found=()
while [ ${#queue[@]} -gt 0 ]; do
  bin=${queue[0]}
  queue=("${queue[@]:1}")
  names=$(imports "$bin") || { echo "dlls.sh: objdump cannot read $bin" >&2; exit 1; }
  while IFS= read -r name; do
    [ -n "$name" ] || continue
    lower=${name,,}
    [ -n "${seen[$lower]:-}" ] && continue
    [ -n "${system[$lower]:-}" ] && continue
    path=
    for dir in "$(dirname "$bin")" "${search[@]}"; do
      path=$(find_in "$dir" "$name") && break
      path=
    done
    if [ -n "$path" ]; then
      seen[$lower]=1
      found+=("$path")
      queue+=("$path")
    else
      system[$lower]=1
      [ -n "$verbose" ] && echo "dlls.sh: taken for a Windows DLL: $name" >&2
    fi
  done <<<"$names"
done

[ ${#found[@]} -gt 0 ] && printf '%s\n' "${found[@]}" | sort
exit 0

#!/bin/bash
# Runs a Windows test program of the build under Wine, as CTest's emulator:
# finds the DLLs and plugins of the cross toolchain, points Qt's offscreen
# platform at a Japanese font, and passes the program's exit status through.
#
#   windows/wine-test.sh [--qtest] PROGRAM.exe [ARGUMENTS...]
#
# Qt runs offscreen. --qtest: a Qt Test program; Qt Test writes nothing to a pipe
# when there is no console, so its report goes through a file and is printed.
# The toolchain is YOMIKA_WIN_QT and YOMIKA_WIN_MECAB (prefixes of the cross
# Qt and MeCab); Wine's prefix is YOMIKA_WINEPREFIX.
set -uo pipefail

qtest=
if [ "${1:-}" = --qtest ]; then qtest=1; shift; fi
[ $# -ge 1 ] || { echo "usage: $0 [--qtest] PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
: "${YOMIKA_WIN_QT:?the cross Qt prefix}" "${YOMIKA_WIN_MECAB:?the cross MeCab prefix}"

winpath() { printf 'Z:%s' "${1//\//\\}"; }

export WINEPREFIX=${YOMIKA_WINEPREFIX:?Wine prefix}
export WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
export WINEDLLOVERRIDES='mscoree,mshtml='
runtime=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$(winpath "$YOMIKA_WIN_QT/bin");$(winpath "$YOMIKA_WIN_MECAB/bin");$(winpath "$runtime");$(winpath "$pthread")"
# Wine hands a program the variables named WINE<name> as <name>.
export WINEQT_PLUGIN_PATH=$(winpath "$YOMIKA_WIN_QT/plugins")
export WINEQT_QPA_PLATFORM=offscreen
export WINEQT_QPA_FONTDIR=$(winpath /usr/share/fonts/opentype/ipafont-gothic)

program=$1
shift
if [ -z "$qtest" ]; then
  exec wine "$program" "$@"
fi
report=$(mktemp "${TMPDIR:-/tmp}/yomika-qtest.XXXXXX")
trap 'rm -f "$report"' EXIT
# Ended from outside (CTest's timeout), the report so far still shows where
# the program was.
trap 'tr -d "\r" < "$report"; echo "wine-test: ended by a signal" >&2; exit 143' TERM INT
wine "$program" -o "$(winpath "$report"),txt" "$@" &
wait $!
status=$?
tr -d '\r' < "$report"
exit $status

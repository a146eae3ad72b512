#!/bin/bash
# kotoka.exe under Wine against the Linux kotoka, its reference: both
# analyze the same Japanese prose from the manual pages (manpages-ja) with
# the same options, and their outputs must be the same bytes, but for the
# line ends: LF on Linux, CR LF on Windows. The speed of both is printed for
# information only.
#
#   tests/reference/kotoka_reference.sh LINUX_KOTOKA WINDOWS_KOTOKA.exe DICTIONARY
#
# DICTIONARY is the compiled IPADIC folder both read. Exit status 77
# (skipped) with the reason when there is no Linux kotoka or no manual page.
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: $0 LINUX_KOTOKA WINDOWS_KOTOKA.exe DICTIONARY" >&2; exit 2; }
linux=$1 windows=$2 dictionary=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$linux" ]; then
  echo "skipped: no Linux kotoka at $linux (build the Linux tree, or set YOMIKA_REFERENCE_KOTOKA)"
  exit 77
fi
winpath() { printf 'Z:%s' "${1//\//\\}"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/yomika-reference.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# About 2 MB of prose.
. "$here/../support/prose.sh"
gather_prose 2000000 "$work/prose.txt" || { echo "skipped"; exit 77; }
bytes=$(stat -c %s "$work/prose.txt")
printf 'dicdir %s\n' "$dictionary" > "$work/linux.rc"
printf 'dicdir %s\r\n' "$(winpath "$dictionary")" > "$work/windows.rc"

# MB/s for `bytes` in `nanoseconds`.
speed() { awk -v b="$bytes" -v ns="$1" 'BEGIN { printf "%.2f", (ns > 0 ? b / 1e6 / (ns / 1e9) : 0) }'; }

six='%m\t%M\t%y1\t%a1\t%P-\t%U(%T*)\t%F*\n'
failed=0
for options in "" "-F $six" "-j 2" "-F $six -j 2"; do
  read -ra words <<< "$options"
  start=$(date +%s%N)
  "$linux" -r "$work/linux.rc" -o "$work/linux.out" "${words[@]}" "$work/prose.txt"
  linuxStatus=$?
  middle=$(date +%s%N)
  bash "$here/../../windows/wine-test.sh" "$windows" -r "$(winpath "$work/windows.rc")" \
    -o "$(winpath "$work/windows.out")" "${words[@]}" "$(winpath "$work/prose.txt")"
  windowsStatus=$?
  end=$(date +%s%N)
  label=${options:-the default output}
  if [ $linuxStatus -ne 0 ] || [ $windowsStatus -ne 0 ]; then
    echo "FAIL $label: exit status $linuxStatus on Linux, $windowsStatus on Windows"
    failed=1
    continue
  fi
  lines=$(wc -l < "$work/linux.out")
  if [ "$lines" -eq 0 ]; then
    echo "FAIL $label: the reference wrote nothing"
    failed=1
    continue
  fi
  # The reference's LF line ends as CR LF: the rest must be the same bytes.
  if sed 's/$/\r/' "$work/linux.out" | cmp -s - "$work/windows.out"; then
    echo "ok   $label: $lines lines the same; Linux $(speed $((middle - start))) MB/s, Wine $(speed $((end - middle))) MB/s (with Wine's start)"
  else
    echo "FAIL $label: the outputs differ ($lines lines on Linux, $(stat -c %s "$work/windows.out") bytes on Windows)"
    sed 's/$/\r/' "$work/linux.out" | cmp - "$work/windows.out" | head -3
    failed=1
  fi
done
exit $failed

#!/bin/bash
# kotoka writes the same bytes for a text whether it is analyzed whole or
# cut at line ends into pieces analyzed apart and joined in order: what
# lets GNU parallel (or Hadoop or Spark streaming) spread a corpus over
# machines. parallel's local workers stand in for the machines here, on
# manual-page prose with one line longer than kotoka's piece bound, against
# kotoka alone on the whole text.
#
#   tests/corpora/parallel.sh KOTOKA DICTIONARY
#
# Exit status 77 (skipped) with the reason when parallel or the manual
# pages are not installed.
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 KOTOKA DICTIONARY" >&2; exit 2; }
kotoka=$1 dictionary=$2
here=$(cd "$(dirname "$0")" && pwd)
command -v parallel >/dev/null || { echo "skipped: GNU parallel is not installed"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/yomika-parallel.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
. "$here/../support/prose.sh"
gather_prose 3000000 "$work/lines.txt" || { echo "skipped"; exit 77; }
# One line of about 900 KB (the prose's first lines joined) in the middle,
# cut in at a line end so that the text stays UTF-8: kotoka cuts it at its
# own bound, where parallel keeps it whole.
half=$(( $(wc -l < "$work/lines.txt") / 2 ))
{ head -n "$half" "$work/lines.txt"; head -n 12000 "$work/lines.txt" | tr -d '\n'; echo; tail -n +$((half + 1)) "$work/lines.txt"; } \
  > "$work/prose.txt"
printf 'dicdir %s\n' "$dictionary" > "$work/kotokarc"
echo "text: $(stat -c %s "$work/prose.txt") bytes, its longest line $(awk '{ if (length($0) > n) n = length($0) } END { print n }' "$work/prose.txt") bytes"

failed=0
six='%m\t%M\t%y1\t%a1\t%P-\t%U(%T*)\t%F*\n'
for format in "" "$six"; do
  options=(-r "$work/kotokarc" -j1 ${format:+-F "$format"})
  "$kotoka" "${options[@]}" "$work/prose.txt" > "$work/whole.out" || { echo "FAIL: kotoka alone failed"; exit 1; }
  for block in 4k 256k 10M; do
    label="${format:+six fields, }block $block"
    parallel --will-cite --pipe --keep-order --block "$block" -S 2/: "$kotoka" "${options[@]@Q}" \
      < "$work/prose.txt" > "$work/pieces.out" 2> "$work/parallel.err" # it warns as it grows a block for the long line
    status=$?
    if [ $status -ne 0 ]; then
      echo "FAIL $label: parallel exited with $status: $(cat "$work/parallel.err")" && failed=1
    elif cmp -s "$work/whole.out" "$work/pieces.out"; then
      echo "ok   $label: $(wc -l < "$work/whole.out") lines, the same bytes"
    else
      echo "FAIL $label: the outputs differ"
      cmp "$work/whole.out" "$work/pieces.out" | head -3
      failed=1
    fi
  done
done
exit $failed

#!/usr/bin/env bash
# Runs every benchmark of the build and prints one table: each figure beside
# what it is compared with, and their ratio.
#
#   bench/run-all.sh BUILD_DIR
#
# Every executable in BUILD_DIR/bench is a benchmark, except the helpers the
# benchmarks start themselves (names ending in _minimal or _helper). A benchmark reports
# a figure with a line
#   RESULT|figure|value|unit|compared with|value|unit[|goal]
# and the lines that the benchmarks printed
# before that format are read as well. Whatever a benchmark prints that
# gives no row is shown after the table. Exits with 1 when a benchmark failed
# or missed a goal it checks itself.
set -uo pipefail

build=${1:-}
if [ -z "$build" ] || [ ! -d "$build/bench" ]; then
    echo "usage: $0 BUILD_DIR (a build with its benchmarks built in BUILD_DIR/bench)" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/yomika-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
rows="$work/rows"
: >"$rows"
status=0
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# The rows a benchmark's output gives, as "bench|figure|value|unit|compared|value|unit|goal".
rows_of() {
    local bench=$1 output=$2
    # The agreed format first: any benchmark may print it.
    awk -v b="$bench" -F'|' '/^RESULT\|/ { printf "%s|%s|%s|%s|%s|%s|%s|%s\n", b, $2, $3, $4, $5, $6, $7, $8 }' "$output"
    grep -q '^RESULT|' "$output" && return 0
    # The formats the benchmarks print of their own.
    case "$bench" in
    runner_bench)
        awk -v b="$bench" '
            /^1 KB|^1 MB/ { printf "%s|analyzer run, %s %s of text|%s|ms|analyzer started directly|%s|ms|<= %s ms %s\n", b, $1, $2, $3, $4, $6, $7 }
            /front-end CPU/ { match($0, /= [0-9.]+ %/); v = substr($0, RSTART + 2, RLENGTH - 4)
                              printf "%s|front-end CPU while a 2 s analyzer runs|%s|%%|the goal|2|%%|%s\n", b, v, $NF }' "$output" ;;
    pane_bench)
        awk -v b="$bench" '
            /setText \+ text\(\):/ { printf "%s|full pane setText + text()|%s|ms|the goal|%s|ms|< %s ms\n", b, $4, $8, $8 }
            /^Scaling/ { scaling = 1; next }
            scaling && $1 ~ /^[0-9]+$/ { printf "%s|setText + text(), %s characters|%s|ms|bare QPlainTextEdit|%s|ms|\n", b, $1, $3, $NF }' "$output" ;;
    startup_bench)
        awk -v b="$bench" '
            /without a settings file/ { none = $5 }
            /with a history of/ { printf "%s|window start with %s history entries (in process)|%s|ms|without a settings file|%s|ms|\n", b, $5, $7, none }' "$output" ;;
    fileio_bench)
        awk -v b="$bench" '
            /^read \(|^write \(/ { n = split($0, f, /  +/); printf "%s|%s|%s|ms|iconv|%s|ms|%s\n", b, f[1], f[2], f[3], f[5] }' "$output" ;;
    textfile_bench)
        awk -v b="$bench" '
            /^Windows-932|^UTF-8/ { n = split($0, f, /  +/); split(f[1], what, / vs /)
                                    printf "%s|opening a text file, %s|%s|ms|%s|%s|ms|<= %s x\n", b, what[1], f[2], what[2], f[3], f[5] }' "$output" ;;
    kotoka_bench)
        awk -v b="$bench" '
            /^  kotoka / { k = $4 } /^  mecab / { m = $4 }
            /^Ratio kotoka\/mecab/ { printf "%s|kotoka throughput|%s|MB/s|mecab|%s|MB/s|>= %s x\n", b, k, m, substr($(NF - 1), 1, length($(NF - 1)) - 2) }' "$output" ;;
    esac
}

found=0
for program in "$build"/bench/*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    name=$(basename "$program")
    case "$name" in *_minimal|*_helper) continue ;; esac
    found=$((found + 1))
    echo "== $name" >&2
    output="$work/$name.out"
    started=$(date +%s)
    timeout 1200 "$program" >"$output" 2>"$work/$name.err"
    code=$?
    echo "   $(($(date +%s) - started)) s, status $code" >&2
    before=$(wc -l <"$rows")
    rows_of "$name" "$output" >>"$rows"
    if [ "$code" -ne 0 ]; then
        status=1
        echo "$name|(ended with status $code: a failure or a missed goal)|||||" >>"$rows"
    fi
    if [ "$(wc -l <"$rows")" -eq "$before" ]; then
        {
            echo "--- $name gave no row; what it printed:"
            cat "$output"
            grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR "$work/$name.err"
        } >>"$work/unparsed"
    fi
done
[ "$found" -gt 0 ] || { echo "no benchmark in $build/bench" >&2; exit 2; }

echo
awk -F'|' '
    function ratio(a, b) { return (b + 0 != 0 && a != "" && b != "") ? sprintf("%.2f", a / b) : "" }
    BEGIN { printf "%-18s %-52s %12s  %-44s %12s  %6s  %s\n", "benchmark", "figure", "value", "compared with", "value", "ratio", "goal"
            printf "%s\n", "-----------------------------------------------------------------------------------------------------------------------------------------------------------------" }
    {
        v = ($3 == "") ? "" : $3 " " $4
        c = ($6 == "") ? "" : $6 " " $7
        printf "%-18s %-52s %12s  %-44s %12s  %6s  %s\n", $1, $2, v, $5, c, ratio($3, $6), $8
    }' "$rows"
if [ -s "$work/unparsed" ]; then
    echo
    cat "$work/unparsed"
fi
exit $status

#!/usr/bin/env bash
# A large Windows-932 text file (100 MB of manual-page prose by default,
# E2E_LARGE_BYTES) dropped onto the window after クリア: the too-large
# question, OK, the whole text through kotoka, the result-too-large
# question, OK, the Save dialog: the saved file equals, byte for byte,
# kotoka's output when run by hand on the same file. The program's peak
# memory may be at most ten times the file's size above the idle program.
source "$(dirname "$0")/session.sh"

size=${E2E_LARGE_BYTES:-100000000}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
ls /usr/share/man/ja/*/*.gz >/dev/null 2>&1 || skip "manpages-ja is not installed"

# Real Japanese prose: the Japanese manual pages without their roff lines,
# in Windows-932 with CR LF line ends, repeated up to the size and cut at a
# line end.
find /usr/share/man/ja -name '*.gz' -print0 | sort -z | xargs -0 zcat 2>/dev/null |
    grep -v "^[.']" | sed 's/\\f[BIRP]//g; s/\\-/-/g; s/\\(..//g; s/\\//g; s/$/\r/' |
    iconv -c -f UTF-8 -t CP932 >"$WORK/prose.cp932" 2>/dev/null || true
[ -s "$WORK/prose.cp932" ] || skip "no prose could be made from manpages-ja"
large="$WORK/large text.txt"
while [ "$(stat -c %s "$WORK/prose.cp932")" -lt "$size" ]; do
    cat "$WORK/prose.cp932" "$WORK/prose.cp932" >"$WORK/prose2" && mv "$WORK/prose2" "$WORK/prose.cp932"
done
head -c "$size" "$WORK/prose.cp932" | sed '$d' >"$large"
rm -f "$WORK/prose.cp932"
bytes=$(stat -c %s "$large")
say "the file: $bytes bytes"

copy_program
# kotoka by hand on the same file, the program's default option string.
start_display
start_program
started=$(now)
kotoka_direct "$large" "$WORK/direct.out" '%m\n'
direct_seconds=$(since "$started")
say "kotoka by hand: $(stat -c %s "$WORK/direct.out") bytes of output in ${direct_seconds} s"

activate_window
idle_kb=$(awk '/VmRSS/ { print $2 }' "/proc/$APP_PID/status")
click Clear
started=$(now)
drag_drop Sentence 0.5 0.5 files "$large"
expect_message_box ask 'テキストが大きすぎて全体を表示できません。\r\n今すぐ解析を行いますか？' too-large-text
say "the first question after $(since "$started") s"
answer_box Return
expect_message_box ask '結果が大きすぎて全体を表示できません。\r\n今すぐ結果を保存しますか？' too-large-result
say "the second question after $(since "$started") s"
answer_box Return
saved="$WORK/saved result.txt"
choose_file '解析結果を名前を付けて保存' "$saved"
wait_for 600 sh -c '[ "$(stat -c %s "$1" 2>/dev/null)" = "$(stat -c %s "$2")" ]' _ "$saved" "$WORK/direct.out" ||
    fail "the saved file did not reach kotoka's output size"
total_seconds=$(since "$started")
expect_same "$WORK/direct.out" "$saved" "the saved result against kotoka's own output"
[ "$(caption)" = "Yomika - $saved" ] || fail "caption \"$(caption)\" after saving the large result"

peak_kb=$(awk '/VmHWM/ { print $2 }' "/proc/$APP_PID/status")
growth_kb=$((peak_kb - idle_kb))
say "RESULT|e2e_large|drop to saved result, $bytes bytes|${total_seconds}|s|kotoka by hand|${direct_seconds}|s"
say "RESULT|e2e_large|peak memory above idle|$((growth_kb / 1024))|MiB|10 x file size|$((10 * bytes / 1048576))|MiB"
[ $((growth_kb * 1024)) -le $((10 * bytes)) ] ||
    fail "peak memory $((growth_kb / 1024)) MiB above idle exceeds ten times the file ($((10 * bytes / 1048576)) MiB)"

wmctrl -i -c "$WIN"
wait_program_end 120 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
say "passed"

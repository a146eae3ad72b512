#!/usr/bin/env bash
# A large text through the real program in a real X session, as a user runs
# it: the file opened (Ctrl+O), both questions answered OK, the whole result
# saved. Timed from the open to the saved file against kotoka alone on the
# same file with the same fields, and the program's peak memory above its
# idle size. The saved file must equal kotoka's own output byte for byte.
#   large_run.sh [MEGABYTES]     (default 100; the window's six fields)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=${YOMIKA_DIST:-$here/../dist}
megabytes=${1:-${YOMIKA_LARGE_MB:-100}}
for tool in Xvfb openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "large_run: $tool is missing" >&2; exit 0; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/yomika-large.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "large_run: $*" >&2; cat "$work/program.log" >&2 2>/dev/null; exit 1; }
wait_for() { # SECONDS COMMAND...: polls the condition until it holds
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.05; done
}

"$here/prose_helper" "$work/text.txt" "$megabytes"
cp -r "$dist" "$work/program"
program=$work/program
# All six fields ticked, the delimiter a tab.
printf ' 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n(タブ)\r\n\r\n' >"$program/yomika.ini"

# A display of its own: the first number no other server holds.
display=300
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
Xvfb "$DISPLAY" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xserver=$!
wait_for 10 xdotool getmouselocation || fail "no X display"
kill -0 "$xserver" 2>/dev/null || fail "display $DISPLAY is taken"
openbox >/dev/null 2>&1 &
# A window mapped while the window manager starts may never be managed.
wait_for 10 wmctrl -m || fail "no window manager"
"$program/yomika" >"$work/program.log" 2>&1 &
pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Yomika$' || fail "no window"
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Yomika$' | head -n 1)"
idle=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
question() { xdotool search --onlyvisible --name '^Yomika 2000$' >/dev/null && ! pgrep -f "$program/kotoka" >/dev/null; }

start=$(date +%s.%N)
xdotool key ctrl+o
wait_for 20 xdotool search --onlyvisible --name 'テキストファイルを開く' || fail "no open dialog"
xdotool type --delay 5 "$work/text.txt"
xdotool key Return
wait_for 120 question || fail "no question for the large text"
xdotool key Return
wait_for 10 pgrep -f "$program/kotoka" || fail "the analyzer did not start"
wait_for 3600 question || fail "no question for the large result"
xdotool key Return
wait_for 20 xdotool search --onlyvisible --name '解析結果を名前を付けて保存' || fail "no save dialog"
xdotool type --delay 5 "$work/saved.txt"
xdotool key Return
wait_for 3600 xdotool search --name "^Yomika - $work/saved.txt\$" || fail "the result was not saved"
end=$(date +%s.%N)
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
wmctrl -c Yomika
wait_for 20 sh -c "! kill -0 $pid" || fail "the program did not end"

options=$(sed -n '9p' "$program/yomika.ini" | tr -d '\r')
format=${options#-F \"}
format=${format%\"}
kstart=$(date +%s.%N)
"$program/kotoka" -r "$program/dic/kotokarc" -o "$work/direct.txt" -F "$format" "$work/text.txt"
kend=$(date +%s.%N)
cmp -s "$work/direct.txt" "$work/saved.txt" || fail "the saved result differs from kotoka's own output"

awk -v mb="$megabytes" -v t="$start $end" -v k="$kstart $kend" \
    -v peak="$peak" -v idle="$idle" -v out="$(stat -c %s "$work/saved.txt")" 'BEGIN {
    split(t, a, " "); t = a[2] - a[1]; split(k, b, " "); k = b[2] - b[1]
    printf "RESULT|%d MB opened, analyzed and saved (six fields, %.1f GB out)|%.2f|s|kotoka alone|%.2f|s|<= 1.15 x\n", mb, out / 1e9, t, k
    printf "RESULT|peak memory of the program above idle|%.0f|MiB|the limit|256|MiB|\n", (peak - idle) / 1024 }'

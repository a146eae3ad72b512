#!/usr/bin/env bash
# A large text through the real program in a real X session, as a user runs
# it: the file dropped on the sentence pane from another program, both
# questions answered OK, the whole result saved. The program's time (from
# the drop to the first question, from each answer to what follows, from the
# saved name to the file in place; not the time this script takes to answer)
# against kotoka alone on the same file with the same fields, and the
# program's peak memory above its idle size. The saved file must equal
# kotoka's own output byte for byte.
#   large_run.sh [MEGABYTES]     (default 100; the window's six fields)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=${YOMIKA_DIST:-$here/../dist}
probe=${E2E_PROBE:-$here/../tests/e2e/e2eprobe}
megabytes=${1:-${YOMIKA_LARGE_MB:-100}}
for tool in Xvfb openbox xdotool wmctrl xwininfo; do
    command -v "$tool" >/dev/null || { echo "large_run: $tool is missing" >&2; exit 0; }
done
[ -x "$probe" ] || { echo "large_run: no drag source at $probe" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/yomika-large.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "large_run: $*" >&2; cat "$work/program.log" >&2 2>/dev/null; exit 1; }
# Polls a condition until it holds; the polls are cheap, since the program
# shares the machine's cores with them.
wait_for() { # SECONDS COMMAND...
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.01; done
}
now() { date +%s.%N; }
program_time=0
phases=
# took START WHAT: adds the time since START to the program's time.
took() {
    local t
    t=$(awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }')
    program_time=$(awk -v a="$t" -v t="$program_time" 'BEGIN { print t + a }')
    phases="$phases${phases:+, }$2 $t s"
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
# kotoka alone, before the program's run (once the program has filled in
# the resource file) and again after it, the mean of the two times being the
# baseline: the machine's speed drifts. The same fields
# as the program's six (the output must equal the saved result).
kotoka_alone() { # FORMAT OUTPUT: the seconds it takes
    local start
    sync
    start=$(now)
    "$program/kotoka" -r "$program/dic/kotokarc" -o "$2" -F "$1" "$work/text.txt" >&2
    awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }'
}

"$program/yomika" >"$work/program.log" 2>&1 &
pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Yomika$' || fail "no window"
window=$(xdotool search --onlyvisible --name '^Yomika$' | head -n 1)
xdotool windowactivate --sync "$window"
idle=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
kbefore=$(kotoka_alone '%m\t%M\t%y1\t%a1\t%U(%P-)\t%T \t%F \n' "$work/before.txt")
question() { xdotool search --onlyvisible --name '^Yomika 2000$'; }
analyzer() { pgrep -f "^$program/kotoka" >"$work/analyzer"; }

# The drag source, and the middle of the sentence pane (the window's client
# area is 592 x 450 pixels under its menu bar; the pane's top left corner is
# at 84, 4 and it is 504 x 81).
"$probe" files "$work/text.txt" >"$work/drag.out" 2>&1 &
wait_for 20 xdotool search --onlyvisible --name '^e2e drag source$' || fail "no drag source"
source=$(xdotool search --onlyvisible --name '^e2e drag source$' | head -n 1)
read -r x y <<<"$(xwininfo -id "$window" | awk '/Absolute upper-left/ { printf "%s ", $NF }')"
menu=$(($(xwininfo -id "$window" | awk '/Height:/ { print $2 }') - 450))
x=$((x + 84 + 252)) y=$((y + menu + 4 + 40))
# The pane emptied first, as a user does who analyzes only the file.
xdotool mousemove "$x" "$y" click 1 key ctrl+a Delete
xdotool mousemove --window "$source" 60 40 mousedown 1
wait_for 20 grep -q '^dragging' "$work/drag.out" || fail "the drag did not start"
wait_for 20 sh -c "xdotool mousemove $((x + 1)) $y mousemove $x $y && grep -q '^accepted' '$work/drag.out'" ||
    fail "the program did not take the drag"

# Both runs start with nothing waiting to be written to disk.
sync
start=$(now)
xdotool mouseup 1
wait_for 120 question || fail "no question for the large text"
took "$start" "to the first question"
mark=$(now)
xdotool key Return
wait_for 60 analyzer || fail "the analyzer did not start"
# While the analyzer works, one process that looks every 20 ms whether it
# still runs: polls that start processes would take the analyzer's cores.
tail --pid="$(head -n 1 "$work/analyzer")" -s 0.02 -f /dev/null
wait_for 60 question || fail "no question for the large result"
took "$mark" "analysis"
mark=$(now)
xdotool key Return
wait_for 20 xdotool search --onlyvisible --name '解析結果を名前を付けて保存' || fail "no save dialog"
took "$mark" "to the save dialog"
xdotool type --delay 5 "$work/saved.txt"
mark=$(now)
xdotool key Return
# The saved file takes its name only when it is complete.
wait_for 3600 test -e "$work/saved.txt" || fail "the result was not saved"
took "$mark" "saving"
wait_for 20 xdotool search --name "^Yomika - $work/saved.txt\$" || fail "the caption does not name the saved file"
end=$(now)
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
wmctrl -c Yomika
wait_for 20 sh -c "! kill -0 $pid" || fail "the program did not end"

options=$(sed -n '9p' "$program/yomika.ini" | tr -d '\r')
format=${options#-F \"}
format=${format%\"}
kafter=$(kotoka_alone "$format" "$work/direct.txt")
cmp -s "$work/direct.txt" "$work/saved.txt" || fail "the saved result differs from kotoka's own output"
cmp -s "$work/before.txt" "$work/saved.txt" || fail "the first run of kotoka alone had other fields"

awk -v mb="$megabytes" -v t="$program_time" -v w="$start $end" -v k="$kbefore $kafter" \
    -v peak="$peak" -v phases="$phases" -v idle="$idle" -v out="$(stat -c %s "$work/saved.txt")" 'BEGIN {
    split(w, a, " "); w = a[2] - a[1]; split(k, b, " "); k = (b[1] + b[2]) / 2
    printf "RESULT|%d MB dropped, analyzed and saved: the program'"'"'s time (six fields, %.1f GB out)|%.2f|s|kotoka alone|%.2f|s|<= 1.15 x\n", mb, out / 1e9, t, k
    printf "RESULT|the same from the drop to the saved file, answers included|%.2f|s|kotoka alone|%.2f|s|\n", w, k
    printf "the program'"'"'s time: %s; kotoka alone %.2f s before, %.2f s after\n", phases, b[1], b[2]
    printf "RESULT|peak memory of the program above idle|%.0f|MiB|the limit|256|MiB|\n", (peak - idle) / 1024 }'

# The end-to-end scenarios' common part, sourced by each: a private X display
# (Xvfb) with a small window manager (openbox), a copy of the laid-out
# program directory in a folder whose path holds a blank, and the program
# driven only from outside, as a person would. Text other than ASCII comes in
# through the X clipboard, never typed: xdotool types it by remapping keys,
# which loses and doubles key presses. Nothing waits a fixed time: every wait
# is for a condition, with a deadline that fails the scenario.
#
# From CTest's environment: E2E_DIST (the build's program directory),
# E2E_PROBE (the drag source), E2E_KOTOKARC (kotoka's resource file as it
# ships). A scenario that lacks a tool of the X session exits 77 (skipped).

set -euo pipefail

SCENARIO=$(basename "$0" .sh)
say() { printf '[%s %s] %s\n' "$SCENARIO" "$(date +%T)" "$*"; }
fail() { say "FAILED: $*"; exit 1; }

for tool in Xvfb xauth openbox xdotool xclip wmctrl xprop xwininfo iconv; do
    command -v "$tool" >/dev/null || { say "SKIPPED: $tool is not installed"; exit 77; }
done
[ -x "${E2E_DIST:-}/yomika" ] && [ -x "${E2E_PROBE:-}" ] || fail "run the scenarios through ctest"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/yomika-e2e-$SCENARIO.XXXXXX")
PROG="$WORK/program dir"
PIDS=()
APP_PID=
MARKS=0

cleanup() {
    local status=$? pid
    set +e
    [ $status -eq 0 ] || { say "program's error output:"; tail -n 40 "$WORK/yomika.err" 2>/dev/null; }
    for pid in $APP_PID "${PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    if [ $status -eq 0 ]; then rm -rf "$WORK"; else say "work folder kept: $WORK"; fi
    exit $status
}
trap cleanup EXIT

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_for() {
    local deadline=$(($(date +%s) + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -le "$deadline" ] || return 1
        sleep 0.05
    done
}

# The display is private: a number far from the usual ones, and a cookie that
# a server other than ours refuses. A number that is taken is passed over.
# The server never resets: a reset when the first client leaves would turn
# away the next one meanwhile.
start_display() {
    local number server cookie
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    export XAUTHORITY="$WORK/xauthority"
    for number in $(seq $((200 + $$ % 700)) $((205 + $$ % 700))); do
        export DISPLAY=":$number"
        xauth -q add "$DISPLAY" . "$cookie"
        Xvfb "$DISPLAY" -auth "$XAUTHORITY" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
        server=$!
        PIDS+=($server)
        wait_for 20 sh -c "! kill -0 $server || xprop -root" && kill -0 $server && break
        kill -KILL $server 2>/dev/null || true
    done
    export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
    openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
    PIDS+=($!)
    wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
}

# A fresh copy of the program directory as a user unpacks it.
copy_program() {
    mkdir -p "$PROG"
    cp -r "$E2E_DIST"/. "$PROG"/
    rm -f "$PROG/yomika.ini" "$PROG/input.tmp" "$PROG/output.tmp"
    cp "$E2E_KOTOKARC" "$PROG/dic/kotokarc"
}

# find_window SECONDS PID TITLE: the id of a shown window of the process. (A
# search that waits by itself ends with an X error when a window it looks at
# goes away meanwhile, as windows do while a program starts.)
find_window() {
    wait_for "$1" sh -c "xdotool search --onlyvisible --pid $2 --name '$3' >'$WORK/found'" || return 1
    head -n 1 "$WORK/found"
}

# Starts the program from another working folder and waits until its window has the focus.
start_program() {
    (cd "$WORK" && exec "$PROG/yomika") >>"$WORK/yomika.out" 2>>"$WORK/yomika.err" &
    APP_PID=$!
    WIN=$(find_window 60 "$APP_PID" '^Yomika') || fail "the window did not appear"
    timeout 20 xdotool windowactivate --sync "$WIN" || true
    wait_for 20 sh -c "[ \"\$(xdotool getactivewindow)\" = $WIN ]" || fail "the window has no focus"
    # The window is sized to its design client area of 8880 x 6750 twips
    # (592 x 450 pixels) plus the menu bar.
    MENU_H=$(($(xwininfo -id "$WIN" | awk '/Height:/ { print $2 }') - 450))
}

# close_program: the window manager's close request; the program must end with status 0.
close_program() {
    wmctrl -i -c "$WIN"
    wait_for 30 sh -c "! kill -0 $APP_PID" || fail "the program did not end after the close request"
    wait "$APP_PID" || fail "the program ended with status $?"
    APP_PID=
}

# Left, top, width, height in twips (15 to a pixel) in the client area.
declare -A CONTROL=(
    [Sentence]="1260 60 7560 1215" [Surface]="120 1320 1100 375" [BaseForm]="1320 1320 1100 375"
    [Reading]="2520 1320 900 375" [PartOfSpeech]="4800 1320 900 375" [Inflection]="5940 1320 900 375"
    [Delimiter]="7620 1320 1200 360" [OptionList]="1260 1740 7560 360"
)

# point NAME: the screen point a third into a control, where its text is.
point() {
    local left top width height x y
    read -r left top width height <<<"${CONTROL[$1]}"
    read -r x y < <(xwininfo -id "$WIN" | awk '/Absolute upper-left/ { printf "%s ", $NF }')
    echo $((x + (left + width / 3) / 15)) $((y + MENU_H + (top + height / 2) / 15))
}

click() { xdotool mousemove $(point "$1") click 1; }

# set_clipboard FILE: another program (xclip) owns the clipboard with FILE's UTF-8 text.
set_clipboard() {
    xclip -quiet -selection clipboard -target UTF8_STRING -i "$1" >/dev/null 2>&1 &
    PIDS+=($!)
    wait_for 10 sh -c "xclip -o -selection clipboard -target UTF8_STRING | cmp -s - '$1'" ||
        fail "xclip does not own the clipboard"
}

# clipboard_after_keys OUT KEYS...: a marker on the clipboard, the keys pressed,
# and the clipboard in OUT once the program has put something else there.
clipboard_after_keys() {
    local out=$1
    shift
    MARKS=$((MARKS + 1))
    printf 'e2e-marker-%s' "$MARKS" >"$WORK/marker"
    set_clipboard "$WORK/marker"
    xdotool key "$@"
    wait_for 5 sh -c "xclip -o -selection clipboard -target UTF8_STRING >'$out' && ! cmp -s '$out' '$WORK/marker'"
}

# read_control NAME OUT: a text control's text, selected and copied as a person would.
read_control() {
    click "$1"
    clipboard_after_keys "$2" ctrl+a ctrl+c || fail "copying from $1 gave nothing"
}

# read_result OUT: the result through 解析結果をコピー (Ctrl+I), pressed until an
# analysis has brought one (an empty result copies nothing).
read_result() { wait_for 60 clipboard_after_keys "$1" ctrl+i || fail "no result came back"; }

# drag_drop CONTROL PROBE-ARGS...: a drag from the probe's window, let go over
# CONTROL once the program has said it takes the drop.
drag_drop() {
    local control=$1 probe source x y
    shift
    "$E2E_PROBE" "$@" >"$WORK/drag.out" 2>"$WORK/drag.err" &
    probe=$!
    PIDS+=($probe)
    source=$(find_window 30 "$probe" '^e2e drag source$') || fail "the drag source did not appear"
    xdotool mousemove --window "$source" 60 40 mousedown 1
    wait_for 20 grep -q '^dragging' "$WORK/drag.out" || fail "the drag did not start"
    read -r x y <<<"$(point "$control")"
    # Each move sends the target a position, which it answers.
    wait_for 20 sh -c "xdotool mousemove $((x + 1)) $y mousemove $x $y && grep -q '^accepted' '$WORK/drag.out'" ||
        fail "the program did not take the drag"
    xdotool mouseup 1
    wait_for 20 grep -q '^drop-action [1-9]' "$WORK/drag.out" || fail "the drop was refused: $(cat "$WORK/drag.out")"
}

# kotoka_direct INPUT OUTPUT FORMAT: kotoka run by hand the way the program runs it.
kotoka_direct() { "$PROG/kotoka" -r "$PROG/dic/kotokarc" -o "$2" -F "$3" "$1"; }

# expect_same EXPECTED ACTUAL WHAT: byte-for-byte equality.
expect_same() {
    cmp -s "$1" "$2" && return 0
    say "expected:" && od -c "$1" | head -n 12
    say "actual:" && od -c "$2" | head -n 12
    fail "$3 differs"
}

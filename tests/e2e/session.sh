# The end-to-end tests' common part, sourced by every scenario: a private X
# display (Xvfb) with a small window manager (openbox), a copy of the laid-out
# program directory, and the program driven only from outside, as a person
# would, with xdotool, xclip and wmctrl.
#
# The scenario gets these from CTest's environment:
#   E2E_DIST         the program directory laid out by the build (build/dist)
#   E2E_PROBE        tests/e2e's helper program (drag source, message boxes, pointer)
#   E2E_FAKE         the fake analyzer, put in place of kotoka by the fault scenarios
#   E2E_KOTOKARC     kotoka's resource file as it ships, with its placeholder
#   E2E_SCREENSHOTS  where screenshots are kept for a person to look at
# A scenario that lacks a tool of the X session exits 77, which CTest counts as skipped.

set -euo pipefail

readonly SKIPPED=77
readonly SCENARIO=${SCENARIO:-$(basename "$0" .sh)}
# The client area at its design size: 8880 x 6750 twips, 15 twips to a pixel.
readonly DESIGN_W=592
readonly DESIGN_H=450

say() { printf '[%s %s] %s\n' "$SCENARIO" "$(date +%T)" "$*"; }

skip() {
    say "SKIPPED: $*"
    exit $SKIPPED
}

for tool in Xvfb openbox xdotool xclip wmctrl xwininfo xprop import compare iconv; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
for var in E2E_DIST E2E_PROBE E2E_SCREENSHOTS; do
    [ -n "${!var:-}" ] || { echo "$var is not set: run the scenarios through ctest" >&2; exit 2; }
done
[ -x "$E2E_DIST/yomika" ] || { echo "no program in $E2E_DIST" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/yomika-e2e-$SCENARIO.XXXXXX")
PROG="$WORK/program dir" # a blank in the path, as users have
SHOTS="$E2E_SCREENSHOTS"
mkdir -p "$SHOTS"
rm -f "$SHOTS/$SCENARIO"-*.png # this scenario's pictures of an earlier run
XVFB_PID=
WM_PID=
APP_PID=
WIN=
MENU_H=
EXTRA_PIDS=()
CLEANUPS=()

cleanup() {
    local status=$?
    set +e
    if [ $status -ne 0 ] && [ $status -ne $SKIPPED ] && [ -n "${DISPLAY:-}" ]; then
        import -window root "$SHOTS/$SCENARIO-failure.png" 2>/dev/null &&
            say "screen at the failure: $SHOTS/$SCENARIO-failure.png"
        [ -s "$WORK/yomika.err" ] && { say "program's error output:"; tail -n 40 "$WORK/yomika.err"; }
    fi
    local pid
    for pid in "${EXTRA_PIDS[@]}" $APP_PID $WM_PID $XVFB_PID; do
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    done
    local fn
    for fn in "${CLEANUPS[@]}"; do $fn; done
    wait 2>/dev/null
    [ $status -eq 0 ] || [ $status -eq $SKIPPED ] || say "work folder kept: $WORK"
    [ $status -eq 0 ] && rm -rf "$WORK"
    exit $status
}
trap cleanup EXIT

fail() {
    say "FAILED: $*"
    exit 1
}

# wait_for SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds.
wait_for() {
    local limit=$1
    shift
    local deadline=$(($(date +%s%N) + limit * 1000000000))
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# ---------------------------------------------------------------- the display

start_display() {
    local displayfile="$WORK/display"
    : >"$displayfile"
    # -displayfd picks a free display number, so scenarios can run side by side.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayfile" \
        >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_for 20 grep -q '[0-9]' "$displayfile" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$(tr -dc 0-9 <"$displayfile")"
    export QT_QPA_PLATFORM=xcb
    export LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    wait_for 10 xprop -root -display "$DISPLAY" || fail "display $DISPLAY does not answer"
    openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        fail "openbox did not start"
    say "display $DISPLAY with openbox"
}

# ---------------------------------------------------------------- the program

# A fresh copy of the program directory, as a user unpacks it: no settings,
# no temporary files, the resource file with its placeholder.
copy_program() {
    local target=${1:-$PROG}
    rm -rf "$target"
    mkdir -p "$target"
    cp -r "$E2E_DIST"/. "$target"/
    rm -f "$target/yomika.ini" "$target/input.tmp" "$target/output.tmp"
    # The build's own program directory may have been started already and
    # its placeholder filled in: a user's copy starts from the template.
    if [ -n "${E2E_KOTOKARC:-}" ] && [ -d "$target/dic" ]; then
        cp "$E2E_KOTOKARC" "$target/dic/kotokarc"
    fi
}

# start_program [DIR]: starts the program and waits for its window.
start_program() {
    local dir=${1:-$PROG}
    # The program takes no arguments and reads no variables of its own; the
    # working folder is elsewhere, so nothing may depend on it.
    (cd "$WORK" && exec "$dir/yomika") >"$WORK/yomika.out" 2>>"$WORK/yomika.err" &
    APP_PID=$!
    WIN=
    wait_for 60 find_main_window || fail "the window did not appear"
    WIN=$(find_main_window)
    wait_for 10 window_viewable "$WIN" || fail "the window is not shown"
    activate_window
    MENU_H=$(find_menu_height) || fail "the top of the client area cannot be found"
    say "program $APP_PID, window $WIN, caption \"$(caption)\", menu bar $MENU_H px"
}

find_main_window() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Yomika( - .*)?$' 2>/dev/null); do
        echo "$id"
        return 0
    done
    return 1
}

# The height of the menu bar, found in a screenshot: the client area starts
# 4 pixels (60 twips) above the top edge of Sentence, whose white inside
# begins right under that edge.
find_menu_height() {
    local shot="$WORK/menu-probe.png"
    grab_settled "$WIN" "$shot" || return 1
    local top
    top=$(convert "$shot" -crop "1x120+560+0" +repage -depth 8 txt:- |
        awk -F'[ ,:]+' 'NR > 1 { match($0, /#[0-9A-Fa-f]+/); c[$2] = toupper(substr($0, RSTART, RLENGTH)) }
            END { for (y = 1; y < 119; ++y) if (c[y + 1] ~ /^#FFFFFF/ && c[y] !~ /^#FFFFFF/ && c[y] != c[y - 1]) { print y; exit } }')
    [ -n "$top" ] || return 1
    echo $((top - 4))
}

window_viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }

# window_field ID FIELD: a number from xwininfo (Width, Height, Absolute upper-left X ...).
window_field() { xwininfo -id "$1" | awk -v f="$2:" 'index($0, f) { print $NF; exit }'; }

activate_window() {
    xdotool windowactivate --sync "$WIN" >/dev/null 2>&1 || xdotool windowfocus --sync "$WIN"
}

program_running() { kill -0 "$APP_PID" 2>/dev/null; }

# wait_program_end SECONDS: waits for the program to end; its exit status in APP_STATUS.
wait_program_end() {
    wait_for "$1" sh -c "! kill -0 $APP_PID 2>/dev/null" || return 1
    APP_STATUS=0
    wait "$APP_PID" || APP_STATUS=$?
    APP_PID=
}

caption() { xdotool getwindowname "$WIN"; }

# ---------------------------------------------------------------- controls

# Left, top, width, height in twips, relative to the client area.
declare -A CONTROL=(
    [AnalyzeAll]="60 60 1095 375"
    [AnalyzePartial]="60 480 1095 375"
    [Clear]="60 900 1095 375"
    [Sentence]="1260 60 7560 1215"
    [Surface]="120 1320 1100 375"
    [BaseForm]="1320 1320 1100 375"
    [Reading]="2520 1320 900 375"
    [Pronounciation]="3660 1320 900 375"
    [PartOfSpeech]="4800 1320 900 375"
    [Inflection]="5940 1320 900 375"
    [Delimiter]="7620 1320 1200 360"
    [OptionList]="1260 1740 7560 360"
    [Result]="60 2160 8760 4530"
    [区切り]="6840 1380 735 255"
    [Label1]="120 1800 1035 255"
)

# control_point NAME [FX FY]: the screen point at fractions FX, FY (default
# the centre) of a control at its design place.
control_point() {
    local name=$1 fx=${2:-0.5} fy=${3:-0.5}
    read -r left top width height <<<"${CONTROL[$name]}"
    local x y
    x=$(window_field "$WIN" 'Absolute upper-left X')
    y=$(window_field "$WIN" 'Absolute upper-left Y')
    awk -v x="$x" -v y="$((y + MENU_H))" -v l="$left" -v t="$top" -v w="$width" -v h="$height" \
        -v fx="$fx" -v fy="$fy" 'BEGIN { printf "%d %d\n", x + (l + w * fx) / 15, y + (t + h * fy) / 15 }'
}

click() { # click NAME [FX FY]
    local point
    point=$(control_point "$@")
    # shellcheck disable=SC2086
    xdotool mousemove $point sleep 0.1 click 1
    sleep 0.2
}

key() { xdotool key --delay 80 "$@"; sleep 0.3; }

# type_text TEXT: Japanese goes through xdotool's key remapping, which needs
# a slow pace without an input method.
type_text() { xdotool type --delay 100 -- "$1"; sleep 0.3; }

# ---------------------------------------------------------------- the clipboard

# set_clipboard FILE: another program (xclip) owns the clipboard with the
# UTF-8 text of FILE until someone else takes it.
set_clipboard() {
    xclip -quiet -selection clipboard -target UTF8_STRING -i "$1" >/dev/null 2>&1 &
    EXTRA_PIDS+=($!)
    wait_for 5 sh -c "xclip -o -selection clipboard -target UTF8_STRING >/dev/null" ||
        fail "xclip does not own the clipboard"
}

# read_clipboard OUT: the clipboard's UTF-8 text, as another process sees it.
read_clipboard() {
    timeout 10 xclip -o -selection clipboard -target UTF8_STRING >"$1" 2>/dev/null
}

# clipboard_after_keys OUT KEYS...: puts a marker on the clipboard, presses
# the keys, and waits until the program has replaced the marker.
clipboard_after_keys() {
    local out=$1
    shift
    local attempt i
    # A key press can be lost while the keyboard map is being changed back
    # after typed Japanese; a person would press again, and so do we.
    for attempt in 1 2 3; do
        printf 'e2e-marker-%s' "$RANDOM" >"$WORK/marker"
        set_clipboard "$WORK/marker"
        key "$@"
        for i in $(seq 30); do
            if read_clipboard "$out" && ! cmp -s "$out" "$WORK/marker"; then
                [ $attempt -eq 1 ] || say "(the keys $* took $attempt presses)"
                return 0
            fi
            sleep 0.1
        done
    done
    return 1
}

# read_control NAME OUT: the text of a text control, through select all and
# copy, as a person would carry it into another program.
read_control() {
    click "$1" 0.5 0.9
    clipboard_after_keys "$2" ctrl+a ctrl+c || fail "copying from $1 gave nothing"
}

# read_result OUT [SECONDS]: the whole result, through 解析結果をコピー (Ctrl+I),
# pressed again until a result has come (an empty result copies nothing).
read_result() {
    local out=$1 limit=${2:-60}
    local deadline=$(($(date +%s) + limit))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        clipboard_after_keys "$out" ctrl+i && return 0
    done
    return 1
}

# expect_result EXPECTED WHAT [SECONDS]: waits until the result, read through
# Ctrl+I, equals the file EXPECTED (an analysis may still be under way).
expect_result() {
    local expected=$1 what=$2 limit=${3:-60}
    local deadline=$(($(date +%s) + limit))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        if read_result "$WORK/result-now.txt" 10 && cmp -s "$expected" "$WORK/result-now.txt"; then
            return 0
        fi
        sleep 0.3
    done
    expect_same "$expected" "$WORK/result-now.txt" "$what"
}

# expect_result_soon OUT: the first non-empty result, read through Ctrl+I.
expect_result_soon() { read_result "$1" 60; }

# ---------------------------------------------------------------- message boxes

# wait_message_box [SECONDS]: the id of the program's message box ("Yomika 2000").
wait_message_box() {
    local limit=${1:-20} id
    wait_for "$limit" sh -c "xdotool search --all --onlyvisible --pid $APP_PID --name '^Yomika 2000\$'" ||
        return 1
    id=$(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Yomika 2000$' | head -n 1)
    echo "$id"
}

no_message_box() {
    ! xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Yomika 2000$' >/dev/null 2>&1
}

# grab_settled ID OUT: a screenshot of a window once two grabs agree (it has painted).
grab_settled() {
    local id=$1 out=$2 i
    sleep 0.3
    import -window "$id" "$out.a.png" 2>/dev/null || return 1
    for i in $(seq 20); do
        sleep 0.2
        import -window "$id" "$out.b.png" 2>/dev/null || return 1
        if [ "$(compare -metric AE "$out.a.png" "$out.b.png" null: 2>&1)" = 0 ]; then
            mv "$out.b.png" "$out"
            rm -f "$out.a.png"
            return 0
        fi
        mv "$out.b.png" "$out.a.png"
    done
    mv "$out.a.png" "$out"
}

# expect_message_box ok|ask TEXT NAME: waits for the program's message box and
# checks, pixel for pixel, that it is the box the program's own dialog code
# shows for TEXT with those buttons (drawn by the probe on the same display).
# Leaves the box open; its id is in BOX.
expect_message_box() {
    local kind=$1 text=$2 name=$3
    BOX=$(wait_message_box 60) || fail "no message box for $name"
    # The pointer out of the way, so that no button is drawn as hovered.
    xdotool mousemove 1279 1023
    grab_settled "$BOX" "$SHOTS/$SCENARIO-$name.png" || fail "cannot grab the message box"
    "$E2E_PROBE" msgbox "$kind" "$text" >/dev/null 2>&1 &
    local probe=$!
    EXTRA_PIDS+=($probe)
    local ref
    wait_for 20 sh -c "xdotool search --all --onlyvisible --pid $probe --name '^Yomika 2000\$'" ||
        fail "the probe's message box did not appear"
    ref=$(xdotool search --all --onlyvisible --pid "$probe" --name '^Yomika 2000$' | head -n 1)
    grab_settled "$ref" "$WORK/expected-$name.png" || fail "cannot grab the probe's box"
    kill "$probe" 2>/dev/null
    wait "$probe" 2>/dev/null || true
    local diff
    diff=$(compare -metric AE "$SHOTS/$SCENARIO-$name.png" "$WORK/expected-$name.png" \
        "$WORK/diff-$name.png" 2>&1) || true
    if [ "$diff" != 0 ]; then
        cp "$WORK/expected-$name.png" "$SHOTS/$SCENARIO-$name-expected.png"
        fail "message box $name differs from the expected \"$text\" ($diff pixels;" \
            "see $SHOTS/$SCENARIO-$name.png and -expected.png)"
    fi
    say "message box $name: \"$text\""
    # The program's box must have the focus again for the answer.
    xdotool windowactivate --sync "$BOX" >/dev/null 2>&1 || true
}

# answer_box KEY: answers the open box (Return = OK, Escape = Cancel) and waits for it to go.
answer_box() {
    xdotool windowactivate --sync "$BOX" >/dev/null 2>&1 || true
    xdotool key "$1"
    # This box goes; another may follow at once.
    wait_for 10 sh -c "! xwininfo -id $BOX 2>/dev/null | grep -q IsViewable" ||
        fail "the message box did not close"
    sleep 0.3
}

# ---------------------------------------------------------------- file dialogs

# wait_dialog TITLE: the id of the program's window with that caption.
wait_dialog() {
    local title=$1
    wait_for 20 sh -c "xdotool search --all --onlyvisible --pid $APP_PID --name '^$title\$'" || return 1
    xdotool search --all --onlyvisible --pid "$APP_PID" --name "^$title\$" | head -n 1
}

# choose_file TITLE PATH: in the open file dialog, types PATH into the file
# name field by keyboard (names with other than ASCII come in through the
# clipboard, as a person would paste them) and accepts.
choose_file() {
    local title=$1 path=$2 dialog
    dialog=$(wait_dialog "$title") || fail "no dialog \"$title\""
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
    sleep 0.3
    key ctrl+a BackSpace
    if LC_ALL=C grep -q '[^ -~]' <<<"$path"; then
        printf '%s' "$path" >"$WORK/dialog-name"
        set_clipboard "$WORK/dialog-name"
        key ctrl+v
    else
        xdotool type --delay 20 -- "$path"
    fi
    sleep 0.3
    key Return
    wait_for 10 sh -c "! xdotool search --all --onlyvisible --pid $APP_PID --name '^$title\$'" ||
        fail "the dialog \"$title\" stayed open"
}

# ---------------------------------------------------------------- drag and drop

# drag_drop CONTROL FX FY PROBE-ARGS...: a drag from another process (the
# probe's drag source) onto a point of a control, the pointer moved in steps
# as a hand moves it. BEFORE_DROP, when set, is run while the drag hovers
# over the target, just before the button is let go. The answer the target
# gave (a Qt::DropAction number, 0 when refused) is left in DROP_ACTION.
drag_drop() {
    local control=$1 fx=$2 fy=$3
    shift 3
    "$E2E_PROBE" drag "$@" >"$WORK/drag.out" 2>"$WORK/drag.err" &
    local probe=$!
    EXTRA_PIDS+=($probe)
    wait_for 20 sh -c "xdotool search --all --onlyvisible --pid $probe --name '^e2e drag source\$'" ||
        fail "the drag source did not appear"
    local source sx sy sw sheight tx ty
    source=$(xdotool search --all --onlyvisible --pid "$probe" --name '^e2e drag source$' | head -n 1)
    sx=$(window_field "$source" 'Absolute upper-left X')
    sy=$(window_field "$source" 'Absolute upper-left Y')
    sw=$(window_field "$source" Width)
    sheight=$(window_field "$source" Height)
    read -r tx ty <<<"$(control_point "$control" "$fx" "$fy")"
    local x=$((sx + sw / 2)) y=$((sy + sheight / 2))
    xdotool mousemove "$x" "$y"
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    local i steps=12
    for i in $(seq 1 $steps); do
        xdotool mousemove $((x + (tx - x) * i / steps)) $((y + (ty - y) * i / steps))
        sleep 0.08
    done
    # The last moves over the target let it answer the position messages.
    xdotool mousemove "$((tx + 1))" "$ty"
    sleep 0.2
    xdotool mousemove "$tx" "$ty"
    sleep 0.4
    if [ -n "${BEFORE_DROP:-}" ]; then
        eval "$BEFORE_DROP"
        sleep 0.2
    fi
    xdotool mouseup 1
    wait_for 20 grep -q '^drop-action' "$WORK/drag.out" ||
        fail "the drag source reported no answer: $(cat "$WORK/drag.err")"
    DROP_ACTION=$(awk '/^drop-action/ { print $2 }' "$WORK/drag.out")
    # The source serves the data while the target takes it, then ends by itself.
    wait_for 20 sh -c "! kill -0 $probe 2>/dev/null" || fail "the drag source did not end"
    wait "$probe" 2>/dev/null || true
}

# ---------------------------------------------------------------- processes

# Processes started from the program directory (the analyzer, or what stands
# in its place), other than the program itself.
leftover_processes() {
    local p exe
    for p in /proc/[0-9]*; do
        exe=$(readlink "$p/exe" 2>/dev/null) || continue
        case "$exe" in
        "$PROG"/yomika) ;;
        "$PROG"/*) echo "${p#/proc/} $exe" ;;
        esac
    done
}

no_leftover() { [ -z "$(leftover_processes)" ]; }

expect_no_leftover() {
    wait_for 10 no_leftover || true
    local left
    left=$(leftover_processes)
    [ -z "$left" ] || fail "processes left behind: $left"
}

# pointer_image: the pointer image shown now, as the probe reads it ("" where it cannot).
pointer_image() { "$E2E_PROBE" cursor 2>/dev/null || true; }

# ---------------------------------------------------------------- data

# to_cp932 < UTF-8 > Windows-932, as a Japanese system keeps its text files.
to_cp932() { iconv -f UTF-8 -t CP932; }
from_cp932() { iconv -f CP932 -t UTF-8; }

# kotoka_direct INPUT OUTPUT FORMAT: kotoka run by hand on a file, the way the
# program runs it (its resource file, the format after -F).
kotoka_direct() {
    "$PROG/kotoka" -r "$PROG/dic/kotokarc" -o "$2" -F "$3" "$1"
}

# expect_same EXPECTED ACTUAL WHAT: byte-for-byte equality, with a short diff on failure.
expect_same() {
    if ! cmp -s "$1" "$2"; then
        say "expected ($1):"
        od -c "$1" | head -n 12
        say "actual ($2):"
        od -c "$2" | head -n 12
        fail "$3 differs"
    fi
}

# screenshot NAME: the window (client area with the menu bar) as a PNG for a person.
screenshot() {
    grab_settled "$WIN" "$SHOTS/$SCENARIO-$1.png" || fail "cannot take a screenshot"
    say "screenshot $SHOTS/$SCENARIO-$1.png"
}

#!/usr/bin/env bash
# The analyzer misbehaving, as a user meets it: missing, not executable,
# crashing, ending without output, flooding its output, hanging, holding
# output.tmp open. Each gives its message or is cancelled with Esc; the
# pointer comes back, the window answers, and no process is left behind.
# A fake analyzer stands in for kotoka; words in the text choose its fault.
source "$(dirname "$0")/session.sh"

[ -n "${E2E_FAKE:-}" ] && [ -x "$E2E_FAKE" ] || skip "no fake analyzer"
copy_program
cp "$E2E_FAKE" "$PROG/kotoka"
start_display
start_program

# The pointer as it looks over a button when nothing runs.
read -r px py <<<"$(control_point Clear 0.5 0.5)"
xdotool mousemove "$px" "$py"
sleep 0.3
idle_pointer=$(pointer_image)
[ -n "$idle_pointer" ] || say "the pointer image cannot be read here: pointer checks are left out"

expect_idle_pointer() {
    [ -n "$idle_pointer" ] || return 0
    xdotool mousemove "$px" "$py"
    wait_for 5 sh -c '[ "$("$E2E_PROBE" cursor)" = "$1" ]' _ "$idle_pointer" ||
        fail "$1: the pointer is $(pointer_image), not the default $idle_pointer"
}
expect_busy_pointer() {
    [ -n "$idle_pointer" ] || return 0
    xdotool mousemove "$px" "$py"
    wait_for 5 sh -c '[ "$("$E2E_PROBE" cursor)" != "$1" ]' _ "$idle_pointer" ||
        fail "$1: the pointer is not the busy pointer while the analyzer works"
}

# The window still answers: typing into a cleared sentence comes back.
expect_responsive() {
    key ctrl+l
    xdotool type --delay 30 "alive $1"
    read_control Sentence "$WORK/alive.txt"
    printf 'alive %s' "$1" >"$WORK/expected-alive.txt"
    expect_same "$WORK/expected-alive.txt" "$WORK/alive.txt" "the sentence typed after $1"
}

# analyze TEXT: clears, types TEXT (ASCII), analyzes with Ctrl+E.
analyze() {
    key ctrl+l
    xdotool type --delay 30 "$1"
    sleep 0.2
    key ctrl+e
}

expect_failure_message() { # expect_failure_message NUMBER NAME
    expect_message_box ok "解析中にエラーが発生しました $1" "$2"
    answer_box Return
    expect_idle_pointer "$2"
    expect_no_leftover
    expect_responsive "$2"
}

# A crash: "解析中にエラーが発生しました 1004".
analyze 'crash here @crash'
expect_failure_message 1004 crash

# Ended without output, with exit status 3: 1100 + 3.
analyze 'no output @nooutput @exit=3'
expect_failure_message 1103 no-output

# A flood of 8 MB on each of standard output and error does not stall the run.
analyze 'flood @flood'
expect_result_soon "$WORK/flood.txt" || fail "no result after the flood"
grep -q '^flood @flood' "$WORK/flood.txt" || fail "the flooded run's result is not its output"
no_message_box || fail "a message after the flood"
expect_idle_pointer flood
expect_no_leftover

# Hanging past the user's patience, then Esc: no message, the process ends.
for fault in 'hang @slow=600000' 'holds output.tmp @hold=600000'; do
    analyze "$fault"
    sleep 1
    [ -n "$(leftover_processes)" ] || fail "$fault: the analyzer is not running"
    expect_busy_pointer "$fault"
    screenshot "busy-${fault%% *}"
    activate_window
    key Escape
    expect_idle_pointer "$fault"
    expect_no_leftover
    sleep 0.5
    no_message_box || fail "$fault: Esc brought a message"
    expect_responsive "${fault%% *}"
done

# Not executable: 1002.
chmod a-x "$PROG/kotoka"
analyze 'not executable'
expect_failure_message 1002 not-executable
printf 'not executable' | to_cp932 >"$WORK/input.cp932"
expect_same "$WORK/input.cp932" "$PROG/input.tmp" "input.tmp for the failed start"

# Missing: 1001, and output.tmp is gone.
rm -f "$PROG/kotoka"
analyze 'missing analyzer'
expect_failure_message 1001 missing
[ ! -e "$PROG/output.tmp" ] || fail "output.tmp is still there after a run without analyzer"

wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
say "passed"

#!/usr/bin/env bash
# Choices made by clicks and keys, an append file chosen in its dialog and
# filled with Ctrl+W, the window closed through the window manager's close
# request: yomika.ini holds them byte for byte, and the next start shows them.
# The second close goes through 終了 in the menu, by its access keys.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

# 表層語 off, 基本形 and 読み on, a delimiter of the user's own.
click Surface
click BaseForm
click Reading
click Delimiter 0.3 0.5
key ctrl+a
type_text '::'

# The append file, chosen through ファイル > 追加ファイルの指定 by its access keys.
collect="$WORK/集めた 結果.txt"
key alt+u
key t
choose_file '追加ファイルの指定' "$collect"
[ "$(caption)" = "Yomika - $collect" ] || fail "caption \"$(caption)\" after choosing the append file"
[ ! -e "$collect" ] || fail "choosing the append file created it"

# Analyze the hint text twice, appending the result each time.
printf 'クリアを押してから文を入力してください。\r\nドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n' |
    to_cp932 >"$WORK/hint.cp932"
kotoka_direct "$WORK/hint.cp932" "$WORK/direct.cp932" '%M::%y1\n'
from_cp932 <"$WORK/direct.cp932" >"$WORK/direct.txt"
for round in 1 2; do
    key ctrl+e
    expect_result "$WORK/direct.txt" "the result of round $round"
    key ctrl+w
    cat "$WORK/direct.cp932" >>"$WORK/collected.cp932"
    wait_for 10 cmp -s "$WORK/collected.cp932" "$collect" || true
    expect_same "$WORK/collected.cp932" "$collect" "the append file after round $round"
done

# 表層語 on again: the option string now differs from the one last used.
click Surface
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m::%M::%y1\n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string before closing"

wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"

# Six states, the delimiter, the append file, then the history: the string
# in the box at closing first, then the one the analyses used.
{
    printf ' 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n::\r\n%s\r\n' "$collect"
    printf '%s\r\n' '-F "%m::%M::%y1\n"' '-F "%M::%y1\n"'
} | to_cp932 >"$WORK/expected.ini"
expect_same "$WORK/expected.ini" "$PROG/yomika.ini" "yomika.ini after the close request"

# The next start shows the append file at once and the last option string.
start_program
[ "$(caption)" = "Yomika - $collect" ] || fail "caption \"$(caption)\" after the restart"
read_control OptionList "$WORK/option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string after the restart"
# The boxes and the delimiter came back: ticking 活用 rebuilds from all of them.
click Inflection
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m::%M::%y1::%T ::%F \n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string rebuilt after the restart"
# The history came back: its last entry is the string the analyses used.
click OptionList 0.5 0.5
key alt+Down
key End Return
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%M::%y1\n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the oldest history entry"
screenshot restarted

# 終了 by its access keys: the same shut-down as the close request.
key alt+u
key x
wait_program_end 30 || fail "the program did not end after 終了"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
{
    printf ' 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n::\r\n%s\r\n' "$collect"
    printf '%s\r\n' '-F "%M::%y1\n"' '-F "%m::%M::%y1\n"'
} | to_cp932 >"$WORK/expected.ini"
expect_same "$WORK/expected.ini" "$PROG/yomika.ini" "yomika.ini after 終了"
expect_no_leftover
say "passed"

#!/usr/bin/env bash
# Choices made by clicks and typed keys, the window closed through the window
# manager: yomika.ini holds them byte for byte, and the next start shows them.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

option_is() { # option_is STRING WHAT
    printf '%s' "$1" >"$WORK/expected.txt"
    read_control OptionList "$WORK/option.txt"
    expect_same "$WORK/expected.txt" "$WORK/option.txt" "$2"
}

# 表層語 off, 基本形 and 読み on, a delimiter of the user's own; analyzed so
# that the option string goes into the history.
click Surface
click BaseForm
click Reading
click Delimiter
xdotool key ctrl+a
xdotool type '::'
option_is '-F "%M::%y1\n"' "the option string before the analysis"
xdotool key ctrl+e
read_result "$WORK/result.txt"
click Surface
option_is '-F "%m::%M::%y1\n"' "the option string before closing"
close_program

# Six states, the delimiter, the append file (none), then the history: the
# string in the box at closing first, then the one the analysis used.
printf ' 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n::\r\n\r\n%s\r\n%s\r\n' \
    '-F "%m::%M::%y1\n"' '-F "%M::%y1\n"' >"$WORK/expected.ini"
expect_same "$WORK/expected.ini" "$PROG/yomika.ini" "yomika.ini after the close request"

start_program
option_is '-F "%m::%M::%y1\n"' "the option string after the restart"
# The boxes and the delimiter came back: ticking 活用 rebuilds from all of them.
click Inflection
option_is '-F "%m::%M::%y1::%T ::%F \n"' "the option string rebuilt after the restart"
close_program
say "passed"

#!/usr/bin/env bash
# A person types Japanese into Sentence, ticks fields and changes the
# delimiter with clicks and keys, analyzes with Ctrl+E through the real
# kotoka, analyzes a selection with Ctrl+P, undoes, and carries the result
# into another program through Ctrl+I and the X clipboard.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program
screenshot start

# Clear, then type. The text goes through the keyboard, a key at a time.
sentence='すもももももももものうち。今日は良い天気です'
click Clear
type_text "$sentence"
read_control Sentence "$WORK/sentence.txt"
printf '%s' "$sentence" >"$WORK/typed.txt"
expect_same "$WORK/typed.txt" "$WORK/sentence.txt" "the typed sentence"

# Fields by clicks: 読み and 品詞 beside the ticked 表層語.
click Reading
click PartOfSpeech
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m\t%y1\t%U(%P-)\n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string after two clicks"

# The delimiter from its list by keys: (空白) is the second item.
click Delimiter 0.3 0.5
key alt+Down
key Home Down Return
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m %y1 %U(%P-)\n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string with (空白)"

# A typed delimiter: select the delimiter's text and type a comma over it.
click Delimiter 0.3 0.5
key ctrl+a
type_text ','
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m,%y1,%U(%P-)\n"' >"$WORK/expected-option.txt"
expect_same "$WORK/expected-option.txt" "$WORK/option.txt" "the option string with a typed comma"

# Analyze all with Ctrl+E; the result goes to another program with Ctrl+I.
click Sentence
key ctrl+e
expect_result_soon "$WORK/result.txt" || fail "no result came back"
printf '%s' "$sentence" | to_cp932 >"$WORK/input.cp932"
expect_same "$WORK/input.cp932" "$PROG/input.tmp" "input.tmp (the text handed to kotoka)"
kotoka_direct "$WORK/input.cp932" "$WORK/direct.cp932" '%m,%y1,%U(%P-)\n'
from_cp932 <"$WORK/direct.cp932" >"$WORK/direct.txt"
expect_same "$WORK/direct.txt" "$WORK/result.txt" "the result against kotoka run by hand"
grep -q 'すもも,スモモ,名詞-一般' "$WORK/result.txt" || fail "the result does not look analyzed"
screenshot analyzed

# Analyze a selection: the first six characters, selected with the keyboard.
click Sentence
key ctrl+Home shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right
key ctrl+p
part='すもももももも'
part=${part:0:6}
printf '%s' "$part" | to_cp932 >"$WORK/part.cp932"
wait_for 30 cmp -s "$WORK/part.cp932" "$PROG/input.tmp" || fail "the selection did not reach kotoka"
kotoka_direct "$WORK/part.cp932" "$WORK/part-direct.cp932" '%m,%y1,%U(%P-)\n'
from_cp932 <"$WORK/part-direct.cp932" >"$WORK/part-direct.txt"
expect_result "$WORK/part-direct.txt" "the selection's result"

# Undo brings back the whole text's result; the sentence was never changed.
key ctrl+z
expect_result "$WORK/direct.txt" "the result after undo"
read_control Sentence "$WORK/sentence-after.txt"
expect_same "$WORK/typed.txt" "$WORK/sentence-after.txt" "the sentence after the analyses"

# Closing through the window manager ends the program cleanly.
wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
expect_no_leftover
say "passed"

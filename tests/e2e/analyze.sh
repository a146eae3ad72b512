#!/usr/bin/env bash
# A person brings Japanese in from another program (文を貼り付け, Ctrl+J),
# drops a file onto Sentence from another process, ticks fields by clicks,
# analyzes with Ctrl+E through the real kotoka and carries the result out
# through Ctrl+I and the X clipboard: it is what kotoka run by hand gives.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

printf 'すもももももももものうち。\r\n今日は良い天気です' >"$WORK/sentence.txt"
set_clipboard "$WORK/sentence.txt"
xdotool key ctrl+j
read_control Sentence "$WORK/read.txt"
expect_same "$WORK/sentence.txt" "$WORK/read.txt" "the sentence pasted with Ctrl+J"

# A file in the code page, with a blank and Japanese in its name, is added at the end.
printf '。ファイルの文、二行目。\r\n' >"$WORK/file.txt"
iconv -f UTF-8 -t CP932 <"$WORK/file.txt" >"$WORK/落とす ファイル.txt"
drag_drop Sentence files "$WORK/落とす ファイル.txt"
cat "$WORK/file.txt" >>"$WORK/sentence.txt"
read_control Sentence "$WORK/read.txt"
expect_same "$WORK/sentence.txt" "$WORK/read.txt" "the sentence after the drop"

click Reading
click PartOfSpeech
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m\t%y1\t%U(%P-)\n"' >"$WORK/expected.txt"
expect_same "$WORK/expected.txt" "$WORK/option.txt" "the option string after two clicks"

xdotool key ctrl+e
read_result "$WORK/result.txt"
iconv -f UTF-8 -t CP932 <"$WORK/sentence.txt" >"$WORK/input.cp932"
expect_same "$WORK/input.cp932" "$PROG/input.tmp" "the text handed to kotoka"
kotoka_direct "$WORK/input.cp932" "$WORK/direct.cp932" '%m\t%y1\t%U(%P-)\n'
iconv -f CP932 -t UTF-8 <"$WORK/direct.cp932" >"$WORK/direct.txt"
expect_same "$WORK/direct.txt" "$WORK/result.txt" "the result against kotoka run by hand"
grep -q 'すもも	スモモ	名詞-一般' "$WORK/result.txt" || fail "the result does not look analyzed"

close_program
say "passed"

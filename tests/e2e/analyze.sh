#!/usr/bin/env bash
# A person brings Japanese in from another program (文を貼り付け, Ctrl+J),
# drops a file onto Sentence from another process, ticks fields by clicks,
# analyzes with Ctrl+E through the real kotoka and carries the result out
# through Ctrl+I and the X clipboard: it is what kotoka run by hand gives.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

printf 'すもももももももものうち。\r\n𠮟られた髙橋さんは😀と言った' >"$WORK/sentence.txt"
set_clipboard "$WORK/sentence.txt"
xdotool key ctrl+j
read_control Sentence "$WORK/read.txt"
expect_same "$WORK/sentence.txt" "$WORK/read.txt" "the sentence pasted with Ctrl+J"

# A file of an older version, in Windows-932, with a blank and Japanese in its
# name, is added at the end.
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
expect_same "$WORK/sentence.txt" "$PROG/input.tmp" "the text handed to kotoka, in UTF-8"
kotoka_direct "$WORK/sentence.txt" "$WORK/direct.txt" '%m\t%y1\t%U(%P-)\n'
expect_same "$WORK/direct.txt" "$WORK/result.txt" "the result against kotoka run by hand"
grep -q 'すもも	スモモ	名詞-一般' "$WORK/result.txt" || fail "the result does not look analyzed"
grep -q '^😀	' "$WORK/result.txt" || fail "a character beyond Windows-932 was lost"

close_program
say "passed"

#!/usr/bin/env bash
# Text copied in another program comes in with Ctrl+J; files come in through
# the Open dialog, driven by the keyboard alone, including names with blanks,
# Japanese characters and a leading dash, and files that cannot be read.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

# Another program owns the clipboard; Ctrl+J puts its text into Sentence,
# line ends and all, and empties Result.
printf 'クリップボードから来た文です。\r\n二行目、ＡＢＣ abc。' >"$WORK/copied.txt"
set_clipboard "$WORK/copied.txt"
key ctrl+j
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/copied.txt" "$WORK/sentence.txt" "the sentence pasted with Ctrl+J"

# Open by keyboard: Ctrl+O, the name typed, Enter. The file is in the code
# page, with CR LF line ends and no line end at its end.
printf '開いたファイルの一行目。\r\n二行目です。' >"$WORK/opened.txt"
to_cp932 <"$WORK/opened.txt" >"$WORK/opened.cp932"
key ctrl+o
choose_file 'テキストファイルを開く' "$WORK/opened.cp932"
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/opened.txt" "$WORK/sentence.txt" "the sentence after Open"

# A name with a leading dash, blanks and Japanese characters.
odd="$WORK/-日本語の 名前 -n.txt"
printf '変わった名前のファイル。' >"$WORK/odd.txt"
to_cp932 <"$WORK/odd.txt" >"$odd"
key ctrl+o
choose_file 'テキストファイルを開く' "$odd"
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/odd.txt" "$WORK/sentence.txt" "the sentence from a file with an odd name"

# A file that does not exist: "データを読み込めません " and the error number,
# and nothing changes.
key ctrl+o
choose_file 'テキストファイルを開く' "$WORK/missing.txt"
expect_message_box ok 'データを読み込めません 2' missing-file
answer_box Return
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/odd.txt" "$WORK/sentence.txt" "the sentence after a failed Open"

# A file above what is read (a sparse file of 2 GiB): refused at once.
truncate -s 2G "$WORK/huge.txt"
key ctrl+o
choose_file 'テキストファイルを開く' "$WORK/huge.txt"
expect_message_box ok 'データを読み込めません 223' huge-file
answer_box Return
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/odd.txt" "$WORK/sentence.txt" "the sentence after refusing a huge file"

# Undo brings back the text of the first Open (the failed ones pushed nothing).
key ctrl+z
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/opened.txt" "$WORK/sentence.txt" "the sentence after undo"

wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
say "passed"

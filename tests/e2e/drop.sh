#!/usr/bin/env bash
# Files and text dragged from another process and dropped onto the window,
# through the real X drag-and-drop protocol: onto the panes, a button, a
# check box and the window itself they are added to the end of Sentence; onto
# a label nothing happens. A folder brings its message, a file that vanishes
# between the drag and the drop adds nothing.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

expect_sentence() { # expect_sentence FILE WHAT
    read_control Sentence "$WORK/sentence.txt"
    expect_same "$1" "$WORK/sentence.txt" "$2"
}
expect_action() { # expect_action N WHAT
    [ "$DROP_ACTION" = "$1" ] || fail "$2: the drop was answered with action $DROP_ACTION, not $1"
}

mkdir -p "$WORK/files"
a="$WORK/files/a.txt"
b="$WORK/files/-名前に 空白 -b.txt"
printf 'ファイルＡの一行目。\r\n二行目、終わりに改行なし' >"$WORK/a.utf8"
printf 'ファイルＢの本文。\r\n' >"$WORK/b.utf8"
to_cp932 <"$WORK/a.utf8" >"$a"
to_cp932 <"$WORK/b.utf8" >"$b"

# Right after start, a dropped file goes after the hint text.
printf 'クリアを押してから文を入力してください。\r\nドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n' \
    >"$WORK/expected.txt"
drag_drop Sentence 0.3 0.7 files "$a"
expect_action 1 "a file onto Sentence"
cat "$WORK/a.utf8" >>"$WORK/expected.txt"
expect_sentence "$WORK/expected.txt" "the hint followed by the dropped file"
screenshot dropped-on-hint

# Two files onto Result, in the source's order, nothing between them (the
# first has no line end at its end, so the second continues its last line).
key ctrl+l
drag_drop Result 0.5 0.5 files "$a" "$b"
expect_action 1 "two files onto Result"
cat "$WORK/a.utf8" "$WORK/b.utf8" >"$WORK/expected.txt"
expect_sentence "$WORK/expected.txt" "two dropped files"

# Text onto a button, onto a check box and onto the window between the option
# box and Result: each is added at the end.
drag_drop AnalyzeAll 0.5 0.5 text 'ボタンへ落とした文。'
expect_action 1 "text onto 全文解析"
printf 'ボタンへ落とした文。' >>"$WORK/expected.txt"
drag_drop Inflection 0.3 0.5 text '\r\nチェックボックスへ。'
expect_action 1 "text onto 活用"
printf '\r\nチェックボックスへ。' >>"$WORK/expected.txt"
drag_drop OptionList 0.5 1.6 text '窓へ。'
expect_action 1 "text onto the window itself"
printf '窓へ。' >>"$WORK/expected.txt"
expect_sentence "$WORK/expected.txt" "the text dropped onto a button, a check box and the window"

# Onto the labels nothing drops. (What the source is told back is the
# toolkit's: the label takes the drag so that it goes no further.)
drag_drop 区切り 0.5 0.5 text 'ラベルへ'
say "a drop onto 区切り was answered with action $DROP_ACTION"
drag_drop Label1 0.5 0.5 files "$a"
say "a drop onto オプション was answered with action $DROP_ACTION"
expect_sentence "$WORK/expected.txt" "the sentence after drops onto labels"
no_message_box || fail "a drop onto a label brought a message"

# A folder with a file: the folder's message, then the file is still added.
mkdir -p "$WORK/files/フォルダ"
drag_drop Sentence 0.5 0.5 files "$WORK/files/フォルダ" "$b"
expect_message_box ok "$WORK/files/フォルダ\\r\\nはディレクトリです" folder
answer_box Return
cat "$WORK/b.utf8" >>"$WORK/expected.txt"
expect_sentence "$WORK/expected.txt" "the sentence after dropping a folder and a file"

# A file that vanishes between the drag and the drop adds nothing, quietly;
# the other file of the same drop still comes.
gone="$WORK/files/gone.txt"
printf 'gone' >"$gone"
BEFORE_DROP="rm -f '$gone'" drag_drop Result 0.5 0.5 files "$gone" "$a"
sleep 1
no_message_box || fail "a vanished file brought a message"
cat "$WORK/a.utf8" >>"$WORK/expected.txt"
expect_sentence "$WORK/expected.txt" "the sentence after a vanished file"

# The drops went through the undo ring like any load: one step back.
key ctrl+z
head -c -"$(stat -c %s "$WORK/a.utf8")" "$WORK/expected.txt" >"$WORK/before-last.txt"
expect_sentence "$WORK/before-last.txt" "the sentence after undoing the last drop"

wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
say "passed"

#!/usr/bin/env bash
# Files that are not proper text: a binary file, bytes the code page does not
# map, a lead byte alone at the end, a sparse file of 1 GB of zero bytes. The
# program decodes what it can as Windows does, asks before it shows too much,
# and goes on working.
source "$(dirname "$0")/session.sh"

copy_program
start_display
start_program

open_file() {
    key ctrl+o
    choose_file 'テキストファイルを開く' "$1"
}

# A binary file: the start of the program itself. Its bytes come in as
# characters (0x7F 'E' 'L' 'F' 0x02 0x01 0x01 0x00 ...), and nothing breaks.
head -c 2000 "$PROG/yomika" >"$WORK/binary.bin"
open_file "$WORK/binary.bin"
read_control Sentence "$WORK/sentence.bin"
printf '\177ELF\002\001\001' >"$WORK/elf-start.bin"
[ "$(head -c 7 "$WORK/sentence.bin" | od -An -tx1)" = "$(od -An -tx1 <"$WORK/elf-start.bin")" ] ||
    fail "the binary file's first bytes did not come in as characters: $(head -c 16 "$WORK/sentence.bin" | od -An -tx1)"
no_message_box || fail "a binary file brought a message"

# Bytes the code page does not map, and a lead byte alone at the end:
#   前, 81 20 (a lead byte with a bad trail: U+FFFD, then the blank),
#   A0 FD FE FF 80 (Windows' own single bytes: U+F8F0..U+F8F3, U+0080), 後, 82.
{
    printf '前' | to_cp932
    printf '\201\040\240\375\376\377\200'
    printf '後' | to_cp932
    printf '\202'
} >"$WORK/invalid.txt"
printf '前\357\277\275 \357\243\260\357\243\261\357\243\262\357\243\263\302\200後\357\277\275' \
    >"$WORK/invalid-expected.txt"
open_file "$WORK/invalid.txt"
read_control Sentence "$WORK/sentence.txt"
expect_same "$WORK/invalid-expected.txt" "$WORK/sentence.txt" "the text of a file with unmapped bytes"

# The same text analyzed: kotoka gets the characters back in the code page.
key ctrl+e
expect_result_soon "$WORK/result.txt" || fail "no result for the unmapped bytes"
grep -q '前' "$WORK/result.txt" && grep -q '後' "$WORK/result.txt" ||
    fail "the analysis of the unmapped bytes lost the text around them"

# A lone lead byte at the end, dropped: everything before it arrives whole.
{ printf 'あい' | to_cp932; printf '\202'; } >"$WORK/lone-lead.txt"
key ctrl+l
drag_drop Sentence 0.5 0.5 files "$WORK/lone-lead.txt"
read_control Sentence "$WORK/sentence.txt"
printf 'あい\357\277\275' >"$WORK/lone-expected.txt"
expect_same "$WORK/lone-expected.txt" "$WORK/sentence.txt" "a file ending in a lone lead byte"

# 1 GB of zero bytes (sparse) dropped on an empty sentence: the too-large
# question; Cancel shows the first 32767 characters.
key ctrl+l
truncate -s 1000000000 "$WORK/gigabyte.txt"
started=$(date +%s)
drag_drop Sentence 0.5 0.5 files "$WORK/gigabyte.txt"
expect_message_box ask 'テキストが大きすぎて全体を表示できません。\r\n今すぐ解析を行いますか？' gigabyte
say "the question came $(($(date +%s) - started)) s after the drop of 1 GB;" \
    "the program's peak memory: $(awk '/VmHWM/ { print $2, $3 }' "/proc/$APP_PID/status")"
answer_box Escape
read_control Sentence "$WORK/sentence.bin"
head -c 32767 /dev/zero >"$WORK/zeros.bin"
expect_same "$WORK/zeros.bin" "$WORK/sentence.bin" "the first 32767 characters of 1 GB of zeros"
rm -f "$WORK/gigabyte.txt"

# Still working: a text typed after all this comes back.
key ctrl+l
xdotool type --delay 30 'still here'
read_control Sentence "$WORK/sentence.txt"
printf 'still here' >"$WORK/expected.txt"
expect_same "$WORK/expected.txt" "$WORK/sentence.txt" "the sentence typed at the end"

wmctrl -i -c "$WIN"
wait_program_end 60 || fail "the program did not end after the close request"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
say "passed"

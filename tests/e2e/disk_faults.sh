#!/usr/bin/env bash
# The program directory on a small disk of its own (a tmpfs in a private
# mount namespace): full while saving, appending, writing input.tmp and
# writing yomika.ini at shut-down; then read-only. Each failure brings its
# message (none at shut-down), and no file that was there before is damaged.

# A mount namespace of our own, so the small disk goes away with the test
# whatever happens. As root that is all it takes; otherwise a user namespace.
if [ -z "${E2E_IN_NAMESPACE:-}" ]; then
    export E2E_IN_NAMESPACE=1
    if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2>/dev/null; then
        exec unshare --mount --propagation private bash "$0" "$@"
    elif unshare --user --map-root-user --mount true 2>/dev/null; then
        exec unshare --user --map-root-user --mount bash "$0" "$@"
    fi
    echo "[disk_faults] SKIPPED: no mount namespace can be made here"
    exit 77
fi
source "$(dirname "$0")/session.sh"

[ -n "${E2E_FAKE:-}" ] && [ -x "$E2E_FAKE" ] || skip "no fake analyzer"
DISK="$WORK/disk"
mkdir -p "$DISK"
program_bytes=$(du -sb "$E2E_DIST" | cut -f1)
# Room for the program, its temporary files and the results, and little more.
mount -t tmpfs -o size=$((program_bytes + 4 * 1024 * 1024)) tmpfs "$DISK" ||
    skip "a tmpfs cannot be mounted here"
unmount_disk() { umount -l "$DISK" 2>/dev/null; }
CLEANUPS+=(unmount_disk)
PROG="$DISK/program dir"
copy_program "$PROG"
# The fake analyzer answers with as many bytes as asked (@big=N).
cp "$E2E_FAKE" "$PROG/kotoka"

# A settings file from an earlier run, large enough that writing it anew
# cannot finish on a full disk: 3000 history entries.
{
    printf ' 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n(タブ)\r\n\r\n'
    for i in $(seq 3000); do printf -- '-F "%%m\\t%%y1\\n" --entry=%04d\r\n' "$i"; done
} | to_cp932 >"$PROG/yomika.ini"
cp "$PROG/yomika.ini" "$WORK/old.ini"

start_display
start_program

# fill_disk BYTES: leaves only BYTES free on the small disk.
fill_disk() {
    rm -f "$DISK/filler"
    sync
    local avail
    avail=$(df -B1 --output=avail "$DISK" | tail -n 1)
    fallocate -l $((avail - $1)) "$DISK/filler" 2>/dev/null ||
        dd if=/dev/zero of="$DISK/filler" bs=4096 count=$(((avail - $1) / 4096)) status=none
    say "free on the small disk: $(df -B1 --output=avail "$DISK" | tail -n 1) bytes"
}

analyze() { # analyze TEXT: the sentence becomes TEXT (ASCII), then Ctrl+E
    key ctrl+l
    xdotool type --delay 20 "$1"
    sleep 0.2
    key ctrl+e
}

# A result of 30 000 bytes, saved, then a second one appended: saved.txt
# holds both; it is also the append file now.
saved="$DISK/saved.txt"
analyze 'first @big=30000'
expect_result_soon "$WORK/r1.txt" || fail "no first result"
key ctrl+s
choose_file '解析結果を名前を付けて保存' "$saved"
wait_for 10 test -s "$saved" || fail "saved.txt was not written"
cp "$saved" "$WORK/saved-before.bin"
analyze 'second @big=30000'
expect_result_soon "$WORK/r2.txt" || fail "no second result"
key ctrl+w
cat "$WORK/r1.txt" "$WORK/r2.txt" | to_cp932 >"$WORK/both.cp932"
wait_for 10 cmp -s "$WORK/both.cp932" "$saved" || expect_same "$WORK/both.cp932" "$saved" "saved.txt after the append"
cp "$saved" "$WORK/saved-before.bin"

# A third result, then the disk fills up, leaving 16 KiB: less than the result.
analyze 'third @big=30000'
expect_result_soon "$WORK/r3.txt" || fail "no third result"
cp "$PROG/input.tmp" "$WORK/input-before.bin"
fill_disk 16384

# Append on a full disk: the message, the file as it was, the result kept.
key ctrl+w
expect_message_box ok '保存中にエラーが発生しました 112' append-full
answer_box Return
expect_same "$WORK/saved-before.bin" "$saved" "saved.txt after the failed append"
read_result "$WORK/kept.txt" 10 || fail "the result is gone after the failed append"
expect_same "$WORK/r3.txt" "$WORK/kept.txt" "the result after the failed append"

# Save over the same file on a full disk: the message, the old contents whole.
key ctrl+s
choose_file '解析結果を名前を付けて保存' "$saved"
expect_message_box ok '保存中にエラーが発生しました 112' save-full
answer_box Return
expect_same "$WORK/saved-before.bin" "$saved" "saved.txt after the failed save"
[ "$(caption)" = "Yomika - $saved" ] || fail "caption \"$(caption)\" after the failed save"

# input.tmp on a full disk: a text of 300 000 characters from the clipboard,
# analyzed at once; the run deletes the old output.tmp first, which frees
# less than the new input needs.
head -c 300000 /dev/zero | tr '\0' 'x' >"$WORK/long.txt"
set_clipboard "$WORK/long.txt"
fill_disk 0
key ctrl+j
expect_message_box ask 'テキストが大きすぎて全体を表示できません。\r\n今すぐ解析を行いますか？' too-large
answer_box Return
expect_message_box ok '解析中にエラーが発生しました 112' input-full
answer_box Return
expect_same "$WORK/input-before.bin" "$PROG/input.tmp" "input.tmp after the failed write"
ls "$PROG" | grep -v -x -e yomika -e kotoka -e dic -e README.TXT -e yomika.ini -e input.tmp \
    -e output.tmp >"$WORK/strays.txt" || true
[ ! -s "$WORK/strays.txt" ] || fail "files left in the program directory: $(cat "$WORK/strays.txt")"

# Shut-down on a full disk: no message, the window closes, yomika.ini as it was.
wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end on a full disk"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
expect_same "$WORK/old.ini" "$PROG/yomika.ini" "yomika.ini after a shut-down on a full disk"

# The program directory read-only: the run and the save give their messages,
# shut-down is quiet, nothing in it changes.
rm -f "$DISK/filler"
mount -o remount,ro "$DISK" || skip "the small disk cannot be made read-only"
ls -lR "$PROG" >"$WORK/listing-before.txt"
start_program
analyze 'read only'
expect_message_box ok '解析中にエラーが発生しました 19' input-read-only
answer_box Return
key ctrl+s
choose_file '解析結果を名前を付けて保存' "$DISK/new.txt"
expect_message_box ok '保存中にエラーが発生しました 19' save-read-only
answer_box Return
wmctrl -i -c "$WIN"
wait_program_end 30 || fail "the program did not end in a read-only directory"
[ "$APP_STATUS" -eq 0 ] || fail "the program ended with status $APP_STATUS"
ls -lR "$PROG" >"$WORK/listing-after.txt"
expect_same "$WORK/listing-before.txt" "$WORK/listing-after.txt" "the read-only program directory"
expect_same "$WORK/old.ini" "$PROG/yomika.ini" "yomika.ini in the read-only directory"
say "passed"

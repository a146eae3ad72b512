#!/usr/bin/env bash
# The Windows program as a user meets it, under Wine on a private X display:
# the installer run silently, then the installed program and the unpacked
# zip each started, Japanese pasted through the clipboard, analyzed with the
# real kotoka.exe and copied out, closed and started again. The Linux
# program, driven the same way on the same display, is the reference: the
# result and yomika.ini must be its bytes (the result with CR LF line ends,
# as kotoka writes them on Windows). F1 opens README.TXT in Wine's Notepad.
# The uninstaller removes what it installed and leaves the user's files.
#
#   windows/session.sh BUILD_DIR    (a MinGW build packed by windows/package.sh)
#
# Screenshots go to BUILD_DIR/session-*.png. Needs the Linux build in build/
# (the program and tests/e2e's drag probe) and the tools of tests/e2e.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
[ $# = 1 ] && [ -d "$1" ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
windows_build=$(cd "$1" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows_build/CMakeCache.txt")
zip=$windows_build/Yomika-$version-win64.zip
installer=$windows_build/Yomika-$version-setup.exe
[ -f "$zip" ] && [ -f "$installer" ] || { echo "session: pack the build first (windows/package.sh)" >&2; exit 2; }
toolchain=$(dirname "$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$windows_build/CMakeCache.txt")")

export E2E_DIST=$root/build/dist E2E_PROBE=$root/build/tests/e2e/e2eprobe E2E_KOTOKARC=$root/kotoka/kotokarc
source "$root/tests/e2e/session.sh"

# A Wine prefix of the session's own, copied from the toolchain's, so that
# what the installer registers goes when the session does.
export WINEPREFIX=$WORK/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
cp -a "$(dirname "$toolchain")/wine" "$WINEPREFIX"
WINE_USER=$(ls "$WINEPREFIX/drive_c/users" | grep -v '^Public$' | head -n 1)
APPDATA_DIR="$WINEPREFIX/drive_c/users/$WINE_USER/AppData/Roaming/Yomika"
INSTALLED="$WINEPREFIX/drive_c/Program Files/Yomika"
# The zip unpacked where the path holds a blank and Japanese.
PORTABLE="$WORK/ポータブル 版/Yomika-$version-win64"
trap 'status=$?; wineserver -k 2>/dev/null; (exit $status); cleanup' EXIT

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# start_wine FOLDER: the Windows program of FOLDER, its window focused.
start_wine() {
    local started=$(date +%s%N)
    (cd "$1" && exec wine "$1/yomika.exe") >>"$WORK/yomika.out" 2>>"$WORK/yomika.err" &
    APP_PID=$!
    WIN=$(find_window 120 "$APP_PID" '^Yomika') || fail "the Windows program's window did not appear"
    say "the window appeared $(( ($(date +%s%N) - started) / 1000000 )) ms after wine was started"
    timeout 20 xdotool windowactivate --sync "$WIN" || true
    wait_for 20 sh -c "[ \"\$(xdotool getactivewindow)\" = $WIN ]" || fail "the window has no focus"
    local width height
    width=$(xwininfo -id "$WIN" | awk '/Width:/ { print $2 }')
    height=$(xwininfo -id "$WIN" | awk '/Height:/ { print $2 }')
    [ "$width" = 592 ] || fail "the window is $width pixels wide, not the design's 592"
    MENU_H=$((height - 450))
    [ "$MENU_H" -gt 10 ] && [ "$MENU_H" -lt 40 ] || fail "the window is $height pixels high: no menu bar above 450"
}

# geometry WINDOW: its client area's left, top, width and height on the screen.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left/ { p = p $NF " " } /Width:|Height:/ { p = p $2 " " } END { print p }'
}

# screenshot NAME [WINDOW]: the window (the main one by default) as it is
# on the screen, once it shows more than a blank (a new window may not
# have painted yet).
screenshot() {
    local x y w h file=$windows_build/session-$1.png
    read -r x y w h < <(geometry "${2:-$WIN}")
    wait_for 20 sh -c "import -window root -crop '${w}x${h}+${x}+${y}' +repage '$file' &&
        [ \$(identify -format %k '$file') -gt 2 ]" || fail "the window $1 stayed blank"
    say "screenshot: $file"
}

# analyze_pasted OUT [WORK_FOLDER]: the sentence pasted with Ctrl+J, analyzed
# with Ctrl+E, the result copied out with Ctrl+I; with the folder of
# input.tmp and output.tmp, the text handed to kotoka.exe must be the
# sentence and its answer the Linux result with CR LF line ends. What xclip
# reads back has LF: Wine's clipboard gives X programs LF line ends.
analyze_pasted() {
    set_clipboard "$WORK/sentence.txt"
    xdotool key ctrl+j
    read_control Sentence "$WORK/read.txt"
    expect_same "$WORK/sentence.txt" "$WORK/read.txt" "the sentence pasted with Ctrl+J"
    click Reading
    click PartOfSpeech
    xdotool key ctrl+e
    read_result "$1"
    [ $# = 1 ] && return 0
    expect_same "$WORK/sentence.txt" "$2/input.tmp" "the text handed to kotoka.exe"
    expect_same "$WORK/linux-result-crlf.txt" "$2/output.tmp" "kotoka.exe's answer"
}

# One line: Wine's clipboard bridge to X changes line ends both ways.
printf 'すもももももももものうち。𠮟られた髙橋さんは😀と言った' >"$WORK/sentence.txt"
start_display
export LC_ALL=C.UTF-8

# --- the reference: the Linux program, the same steps ------------------------
copy_program
start_program
analyze_pasted "$WORK/linux-result.txt"
close_program
cp "$PROG/yomika.ini" "$WORK/linux.ini"
sed 's/$/\r/' "$PROG/output.tmp" >"$WORK/linux-result-crlf.txt"
grep -q 'すもも	スモモ	名詞-一般' "$WORK/linux-result.txt" || fail "the Linux result does not look analyzed"

# --- installed ---------------------------------------------------------------
say "installing with /S"
wine "$installer" /S >>"$WORK/yomika.out" 2>&1 || fail "the installer failed with status $?"
wineserver -w
[ -f "$INSTALLED/yomika.exe" ] && [ -f "$INSTALLED/dic/ipadic/sys.dic" ] && [ -f "$INSTALLED/uninstall.exe" ] ||
    fail "the installer did not lay out Program Files\\Yomika"
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Yomika.lnk" >/dev/null ||
    fail "no Start-menu entry"
start_wine "$INSTALLED"
screenshot installed
analyze_pasted "$WORK/installed-result.txt" "$APPDATA_DIR"
screenshot installed-result
expect_same "$WORK/linux-result.txt" "$WORK/installed-result.txt" "the installed program's result"
close_program
expect_same "$WORK/linux.ini" "$APPDATA_DIR/yomika.ini" "the installed program's yomika.ini in %APPDATA%\\Yomika"
[ ! -e "$INSTALLED/yomika.ini" ] && [ ! -e "$INSTALLED/input.tmp" ] || fail "the installed program wrote into its own folder"
start_wine "$INSTALLED"
read_control OptionList "$WORK/option.txt"
printf '%s' '-F "%m\t%y1\t%U(%P-)\n"' >"$WORK/expected.txt"
expect_same "$WORK/expected.txt" "$WORK/option.txt" "the option string after the restart"

# F1: the read-me in Notepad.
xdotool key F1
wait_for 60 sh -c "xdotool search --onlyvisible --name 'README' >'$WORK/notepad'" || fail "F1 opened no README.TXT"
NOTEPAD=$(head -n 1 "$WORK/notepad")
say "F1 opened: $(xdotool getwindowname "$NOTEPAD")"
wmctrl -i -c "$NOTEPAD"

close_program

say "uninstalling with /S"
printf 'mine' >"$INSTALLED/my notes.txt"
wine "$INSTALLED/uninstall.exe" /S >>"$WORK/yomika.out" 2>&1 || fail "the uninstaller failed"
wineserver -w
wait_for 60 sh -c "[ ! -e '$INSTALLED/yomika.exe' ]" || fail "the uninstaller left the program"
[ "$(ls -A "$INSTALLED")" = "my notes.txt" ] || fail "the uninstaller left or removed: $(ls -A "$INSTALLED")"
[ -f "$APPDATA_DIR/yomika.ini" ] || fail "the uninstaller removed the user's settings"

# --- portable ----------------------------------------------------------------
mkdir -p "$(dirname "$PORTABLE")"
(cd "$(dirname "$PORTABLE")" && unzip -q "$zip")
rm -rf "$APPDATA_DIR"
start_wine "$PORTABLE"
screenshot portable
analyze_pasted "$WORK/portable-result.txt" "$PORTABLE"
expect_same "$WORK/linux-result.txt" "$WORK/portable-result.txt" "the unpacked zip's result"
close_program
expect_same "$WORK/linux.ini" "$PORTABLE/yomika.ini" "the unpacked zip's yomika.ini beside it"
[ ! -e "$APPDATA_DIR" ] || fail "the portable program wrote into %APPDATA%"
start_wine "$PORTABLE"
read_control OptionList "$WORK/option.txt"
expect_same "$WORK/expected.txt" "$WORK/option.txt" "the portable option string after the restart"

# A text too large for the pane, opened from the File menu: the question,
# the progress window, and 中止. (Dropped, the question comes while Wine
# still handles the drop, and Wine gives the program no input until it is
# answered; Windows does.)
head -c 20000000 < <(yes 'すもももももももものうち。吾輩は猫である。名前はまだ無い。') >"$WORK/large.txt"
xdotool key ctrl+o
wait_for 60 xdotool search --onlyvisible --name 'テキストファイルを開く' || fail "no Open dialog"
xdotool type --delay 10 "$(winpath "$WORK/large.txt")"
xdotool key Return
wait_for 60 xdotool search --onlyvisible --name '^Yomika 2000$' || fail "no question for the large text"
xdotool key Return
wait_for 60 sh -c "xdotool search --onlyvisible --name '^解析中' >'$WORK/progress'" || fail "no progress window"
wait_for 20 pgrep -f 'kotoka[.]exe' || fail "kotoka.exe is not running under the progress window"
PROGRESS=$(head -n 1 "$WORK/progress")
screenshot portable-progress "$PROGRESS"
read -r x y w h < <(geometry "$PROGRESS")
xdotool mousemove $((x + w * 3 / 4)) $((y + h * 3 / 4)) click 1
wait_for 60 sh -c "! xdotool search --onlyvisible --name '^解析中'" || fail "中止 did not close the progress window"
wait_for 60 sh -c "! pgrep -f 'kotoka[.]exe'" || fail "中止 left kotoka.exe running"
say "中止 stopped the analysis of $(stat -c %s "$WORK/large.txt") bytes"
close_program
say "passed"

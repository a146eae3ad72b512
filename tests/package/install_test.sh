#!/usr/bin/env bash
# The Debian package as a user meets it. Run as root in a fresh Debian 12 root
# from a checkout (tests/package/CMakeLists.txt runs it through fresh-debian):
# the project builds its package, apt-get installs it, an ordinary user runs
# the program under Xvfb with the real kotoka, saves a result, closes and
# starts again with the choices kept; every file the program wrote lies in
# that user's folders; apt-get purge leaves nothing of the program behind.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" != --as-user ]; then
    ./setup.sh package
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -qq --no-install-recommends ./build-package/yomika_*.deb \
        xvfb xauth xdotool xclip wmctrl openbox >/dev/null
    desktop-file-validate /usr/share/applications/org.yomika.Yomika.desktop 2>/dev/null || true
    id tester >/dev/null 2>&1 || useradd -m tester
    marker=$(mktemp) && sleep 1
    cp "$0" /home/tester/session.sh && chmod 755 /home/tester/session.sh
    su tester -c "bash /home/tester/session.sh --as-user" || fail "the session as an ordinary user"
    written=$(find / -xdev -newer "$marker" -user tester -type f \
        -not -path '/home/tester/*' -not -path '/tmp/*' -not -path '/var/tmp/*' 2>/dev/null)
    [ -z "$written" ] || fail "files written outside the user's folders: $written"
    apt-get purge -y -qq yomika >/dev/null
    left=$(ls -d /usr/lib/yomika /usr/bin/yomika /usr/bin/kotoka /usr/share/doc/yomika \
        /usr/share/applications/org.yomika.Yomika.desktop 2>/dev/null || true)
    [ -z "$left" ] || fail "left after purge: $left"
    ! dpkg -l yomika 2>/dev/null | grep -q '^[ir]' || fail "still known to dpkg"
    echo "1 passed, 0 failed"
    exit 0
fi

# The ordinary user's session.
cd "$HOME"
export DISPLAY=:57 LANG=C.UTF-8
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
xserver=$!
trap 'kill $xserver 2>/dev/null' EXIT
# Waits up to 30 s for a condition, polling it.
wait_for() {
    local i
    for i in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
wait_for xdotool getmouselocation || fail "no X display"
openbox >/dev/null 2>&1 &
# A window mapped while the window manager starts may never be managed.
wait_for wmctrl -m || fail "no window manager"
window_named() { xdotool search --onlyvisible --name "$1"; }
start_program() { # start_program TITLE
    yomika >>program.log 2>&1 &
    wait_for window_named "$1" || { cat program.log >&2; fail "no window titled $1 (the choices not restored?)"; }
    xdotool windowactivate --sync "$(window_named "$1" | head -n 1)"
}
result_holds_eos() { xdotool key ctrl+i && xclip -o -selection clipboard | grep -q EOS; }
program_gone() { ! pgrep -u tester -x yomika; }

start_program '^Yomika$'
printf '東京に行きます' | xclip -selection clipboard
xdotool key ctrl+j ctrl+e
wait_for result_holds_eos || fail "no analysis came back"
xdotool key ctrl+s
wait_for window_named '解析結果を名前を付けて保存' || fail "no save dialog"
xdotool type --delay 30 "$HOME/result.txt"
xdotool key Return
wait_for test -s result.txt || fail "the result was not saved"
cmp result.txt .cache/yomika/output.tmp || fail "the saved result differs from the analyzer's"
wmctrl -c Yomika
wait_for program_gone || fail "the program did not end"
grep -q "^$HOME/result.txt"$'\r'"\$" .config/yomika/yomika.ini || fail "the append file was not kept"

start_program "^Yomika - $HOME/result.txt\$"
wmctrl -c Yomika
wait_for program_gone || fail "the program did not end the second time"

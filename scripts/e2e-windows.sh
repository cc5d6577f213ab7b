#!/usr/bin/env bash
# End-to-end test of build-windows/columnator.exe under wine on a virtual display:
# opens files in each encoding, types into them with xdotool, saves with Ctrl+S and
# compares the saved bytes; then captures the demo text to build-windows/demo-wine.png.
# Run by scripts/test-windows.sh inside its wine session, or alone after a build.
# Usage: scripts/e2e-windows.sh [--update-screenshot]   (copies the capture to docs/)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
update_screenshot=no
[ "${1:-}" = "--update-screenshot" ] && update_screenshot=yes

source scripts/wine-session.sh
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    open_session
fi

exe=build-windows/columnator.exe
work=$WINEPREFIX/e2e
mkdir -p "$work"
app_pid=

windows_path() { # the drive Z: that wine maps to the Unix root
    printf 'Z:%s' "${1//\//\\}"
}

start_editor() { # start_editor [ARGUMENT]; sets window to the editor's X window
    "$wine" "$exe" "$@" >/dev/null 2>&1 &
    app_pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Columnator$' | head -n 1)
    [ -n "$window" ] || { echo "the editor window did not appear"; return 1; }
    xdotool windowfocus --sync "$window"
    sleep 0.5
}

# Waits until the window is gone, so that the next start does not find it.
stop_editor() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    for _ in $(seq 100); do
        xdotool search --name '^Columnator$' >/dev/null 2>&1 || break
        sleep 0.1
    done
}

# type_and_save FILE: the same edit in every case, Ctrl+S, then waits until the file
# has changed (or gives up after 20 s).
type_and_save() {
    local before
    before=$(md5sum <"$1")
    xdotool key shift # the first key after the window appears can be lost; a lone Shift is harmless
    xdotool type --delay 60 'Abx'
    xdotool key --delay 60 BackSpace Tab
    xdotool type --delay 60 'é'
    xdotool key ctrl+s
    for _ in $(seq 200); do
        [ "$(md5sum <"$1")" != "$before" ] && break
        sleep 0.1
    done
    sleep 0.3 # a save replaces the file whole; let it settle before reading
}

typed=$'Ab\té' # what type_and_save leaves at the start of the text

# encoded ENCODING MARK TEXT: the bytes of a file, as hex
encoded() {
    python3 -c 'import sys; print((bytes.fromhex(sys.argv[2]) + sys.argv[3].encode(sys.argv[1])).hex())' "$@"
}
write_hex() { python3 -c 'import sys; open(sys.argv[1], "wb").write(bytes.fromhex(sys.argv[2]))' "$@"; }
read_hex() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().hex())' "$1"; }

failures=0
# check NAME ENCODING MARK TEXT: a file of TEXT in ENCODING after the mark (hex) is
# edited and saved; it must come back in the same encoding, with the same mark.
check() {
    local name=$1 file=$work/$1.txt
    write_hex "$file" "$(encoded "$2" "$3" "$4")"
    local expected saved
    expected=$(encoded "$2" "$3" "$typed$4")
    start_editor "$(windows_path "$file")"
    type_and_save "$file"
    stop_editor
    saved=$(read_hex "$file")
    if [ "$saved" = "$expected" ]; then
        echo "e2e $name: saved bytes as expected"
    else
        echo "e2e $name: FAILED"
        echo "  expected $expected"
        echo "  saved    $saved"
        failures=$((failures + 1))
    fi
}

check utf8-with-mark utf-8 efbbbf $'h\u00e9llo\r\nw\u00f6rld\n'
check utf16-with-mark utf-16-le fffe $'tab\there\r\n\U0001F600 astral\r\n'
check utf8-without-mark utf-8 '' $'plain\nlines\n'
check ansi cp1252 '' $'caf\u00e9\r\n'

# AltGr arrives as the left Ctrl with the right Alt; AltGr+S types a character on many
# keyboards and must not save. The right Ctrl with the right Alt is a Ctrl the user
# pressed: that S saves, which also shows the keys arrive.
check_altgr() {
    local file=$work/altgr.txt
    printf 'kept' >"$file"
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool type --delay 60 'x'
    xdotool keydown Control_L keydown Alt_R key s keyup Alt_R keyup Control_L
    sleep 2
    local after_altgr
    after_altgr=$(cat "$file")
    xdotool keydown Control_R keydown Alt_R key s keyup Alt_R keyup Control_R
    for _ in $(seq 100); do
        [ "$(cat "$file")" != kept ] && break
        sleep 0.1
    done
    stop_editor
    if [ "$after_altgr" = kept ] && [ "$(cat "$file")" = xkept ]; then
        echo "e2e altgr: AltGr+S did not save, right Ctrl+Alt+S did"
    else
        echo "e2e altgr: FAILED (after AltGr+S: '$after_altgr', then: '$(cat "$file")')"
        failures=$((failures + 1))
    fi
}
check_altgr

# A font size that is not a number is refused with one message; the window goes on and
# saves. The prompts are titled "Colnat", the message "Columnator" like the window.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
wait_for_windows() { # wait_for_windows NAME COUNT
    for _ in $(seq 150); do
        [ "$(windows_named "$1")" -eq "$2" ] && return 0
        sleep 0.1
    done
    echo "expected $2 window(s) named $1, found $(windows_named "$1")"
    return 1
}
check_refused_font_size() {
    local file=$work/font.txt
    printf 'text' >"$file"
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool mousemove --window "$window" 40 40 click 3
    if wait_for_windows Colnat 1 && xdotool key Escape && sleep 0.5 &&
        wait_for_windows Colnat 1 && xdotool type --delay 60 'abc' && xdotool key Return &&
        wait_for_windows Columnator 2 && xdotool key Return && wait_for_windows Columnator 1; then
        xdotool windowfocus --sync "$window"
        xdotool type --delay 60 'x'
        xdotool key ctrl+s
        for _ in $(seq 100); do
            [ "$(cat "$file")" = xtext ] && break
            sleep 0.1
        done
    fi
    stop_editor
    if [ "$(cat "$file")" = xtext ]; then
        echo "e2e font: a refused size was told once, and the window went on"
    else
        echo "e2e font: FAILED (the file holds '$(cat "$file")')"
        failures=$((failures + 1))
    fi
}
check_refused_font_size

echo "e2e: capturing the demo text"
start_editor
sleep 1
import -window "$window" build-windows/demo-wine.png
stop_editor
if [ "$update_screenshot" = yes ]; then
    cp build-windows/demo-wine.png docs/screenshot-windows.png
fi

[ "$failures" -eq 0 ] || { echo "e2e under wine: $failures case(s) failed"; exit 1; }

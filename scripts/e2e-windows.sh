#!/usr/bin/env bash
# End-to-end test of build-windows/columnator.exe under wine on a virtual display:
# opens files in each encoding, types into them with xdotool, saves with Ctrl+S and
# compares the saved bytes; so too after Delete, undo and redo, selecting, the clipboard,
# drags and double clicks, the command palette's conversions, and under both names of a file that has two; closes the window
# over unsaved edits; names new files in the
# Save dialog; then captures the demo text to build-windows/demo-wine.png.
# Run by scripts/test-windows.sh inside its wine session, or alone after a build.
# Usage: scripts/e2e-windows.sh [--update-screenshot]   (copies the capture to docs/)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
update_screenshot=no
[ "${1:-}" = "--update-screenshot" ] && update_screenshot=yes

source scripts/wine-session.sh
own_session=no
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    open_session
    own_session=yes
fi

exe=build-windows/columnator.exe
# Outside the prefix: wine's file dialogs do not reach the folders inside it.
work=$(mktemp -d "${TMPDIR:-/tmp}/columnator-e2e.XXXXXX")
finish() {
    rm -rf "$work"
    if [ "$own_session" = yes ]; then session_cleanup; fi
}
trap finish EXIT
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

# Waits until its windows are gone, so that the next start does not find them.
stop_editor() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    for _ in $(seq 100); do
        xdotool search --name '^(\*?Columnator|Save As|Open|Commands)$' >/dev/null 2>&1 || break
        sleep 0.1
    done
}

windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
wait_for_windows() { # wait_for_windows NAME COUNT
    for _ in $(seq 150); do
        [ "$(windows_named "$1")" -eq "$2" ] && return 0
        sleep 0.1
    done
    echo "expected $2 window(s) named $1, found $(windows_named "$1")"
    return 1
}

# Waits until the editor has ended by itself (wine takes a few seconds to tear it down).
wait_for_exit() {
    for _ in $(seq 150); do
        kill -0 "$app_pid" 2>/dev/null || return 0
        sleep 0.1
    done
    echo "the editor is still running"
    return 1
}

# The same edit in every case.
type_edit() {
    xdotool key shift # the first key after the window appears can be lost; a lone Shift is harmless
    xdotool type --delay 60 'Abx'
    xdotool key --delay 60 BackSpace Tab
    xdotool type --delay 60 'é'
}
typed=$'Ab\té' # what type_edit leaves at the start of the text

# save_and_wait FILE BEFORE: Ctrl+S, then waits until FILE's checksum is no longer BEFORE
# (or gives up after 20 s).
save_and_wait() {
    xdotool key ctrl+s
    for _ in $(seq 200); do
        [ "$(md5sum <"$1")" != "$2" ] && break
        sleep 0.1
    done
    sleep 0.3 # a save replaces the file whole; let it settle before reading
}

# steps_and_save FILE STEPS: the function STEPS, then Ctrl+S and the wait for the file to
# change.
steps_and_save() {
    local before
    before=$(md5sum <"$1")
    "$2"
    save_and_wait "$1" "$before"
}
type_and_save() { steps_and_save "$1" type_edit; }

# encoded ENCODING MARK TEXT: the bytes of a file, as hex
encoded() {
    python3 -c 'import sys; print((bytes.fromhex(sys.argv[2]) + sys.argv[3].encode(sys.argv[1])).hex())' "$@"
}
write_hex() { python3 -c 'import sys; open(sys.argv[1], "wb").write(bytes.fromhex(sys.argv[2]))' "$@"; }
read_hex() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().hex())' "$1"; }

failures=0
# verdict NAME PROBLEM WHAT: one case's outcome; an empty PROBLEM passes, saying WHAT.
verdict() {
    if [ -z "$2" ]; then
        echo "e2e $1: $3"
    else
        echo "e2e $1: FAILED ($2)"
        failures=$((failures + 1))
    fi
}

# expect_bytes NAME FILE HEX: the verdict of one saving case.
expect_bytes() {
    local saved
    saved=$(read_hex "$2" 2>/dev/null || true)
    verdict "$1" "$([ "$saved" = "$3" ] || printf 'expected %s, saved %s' "$3" "$saved")" \
        "saved bytes as expected"
}

# check NAME ENCODING MARK TEXT: a file of TEXT in ENCODING after the mark (hex) is
# edited and saved; it must come back in the same encoding, with the same mark.
check() {
    local file=$work/$1.txt
    write_hex "$file" "$(encoded "$2" "$3" "$4")"
    start_editor "$(windows_path "$file")"
    type_and_save "$file"
    stop_editor
    expect_bytes "$1" "$file" "$(encoded "$2" "$3" "$typed$4")"
}

check utf8-with-mark utf-8 efbbbf $'h\u00e9llo\r\nw\u00f6rld\n'
check utf16-with-mark utf-16-le fffe $'tab\there\r\n\U0001F600 astral\r\n'
check utf8-without-mark utf-8 '' $'plain\nlines\n'
check ansi cp1252 '' $'caf\u00e9\r\n'

# edit_case NAME CONTENT EXPECTED STEPS: see scripts/e2e-editing.sh.
edit_case() {
    local file=$work/$1.txt
    printf "$2" >"$file"
    start_editor "$(windows_path "$file")"
    xdotool key shift
    steps_and_save "$file" "$4"
    stop_editor
    expect_bytes "$1" "$file" "$(printf "$3" | od -An -tx1 -v | tr -d ' \n')"
}
press() { xdotool key --delay 80 "$@"; }
write() { xdotool type --delay 80 "$1"; }
source scripts/e2e-shared.sh
source scripts/e2e-editing.sh
editing_cases
replace_cases
palette_cases

# A file of two names (hard links), edited and saved under one, shows the new bytes under
# both.
check_linked() {
    local file=$work/linked.txt other="$work/other name.txt"
    printf 'linked' >"$file"
    ln "$file" "$other"
    start_editor "$(windows_path "$file")"
    type_and_save "$file"
    stop_editor
    expect_bytes linked "$file" "$(encoded utf-8 '' "${typed}linked")"
    expect_bytes linked-other-name "$other" "$(encoded utf-8 '' "${typed}linked")"
}
check_linked

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
    local problem=
    [ "$after_altgr" = kept ] && [ "$(cat "$file")" = xkept ] ||
        problem="after AltGr+S: '$after_altgr', then: '$(cat "$file")'"
    verdict altgr "$problem" "AltGr+S did not save, right Ctrl+Alt+S did"
}
check_altgr

# A font size that is not a number is refused with one message; the window goes on and
# saves. The prompts are titled "Colnat", the message "Columnator" like the window.
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
    local problem=
    [ "$(cat "$file")" = xtext ] || problem="the file holds '$(cat "$file")'"
    verdict font "$problem" "a refused size was told once, and the window went on"
}
check_refused_font_size

# A close request as a window manager sends it: with no edits the program ends at once;
# with unsaved edits it stays and asks, titled like the window, over the starred one.
# Cancel (Escape) keeps the text; Don't save (the No button) ends it, the file as it was.
close_asks() {
    scripts/close-window.py "$window" && wait_for_windows Columnator 1 && sleep 0.5 &&
        kill -0 "$app_pid" 2>/dev/null
}
check_close() {
    local file=$work/close.txt problem=
    printf 'kept' >"$file"
    start_editor "$(windows_path "$file")"
    scripts/close-window.py "$window"
    wait_for_exit || problem="a window without edits did not close"
    stop_editor
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool type --delay 60 'x'
    if [ -n "$problem" ]; then
        :
    elif ! wait_for_windows '\*Columnator' 1; then
        problem="typing did not star the caption"
    elif ! close_asks; then
        problem="a close over unsaved edits did not ask, or did not wait for the answer"
    elif ! { xdotool key Escape && wait_for_windows Columnator 0 && sleep 0.5 &&
        kill -0 "$app_pid" 2>/dev/null && wait_for_windows '\*Columnator' 1; }; then
        problem="Cancel did not keep the window with its edits"
    elif ! close_asks; then
        problem="a second close request did not ask"
    elif ! { xdotool key n && wait_for_exit; }; then
        problem="Don't save did not end the program"
    elif [ "$(cat "$file")" != kept ]; then
        problem="Don't save changed the file to '$(cat "$file")'"
    fi
    stop_editor
    verdict close "$problem" "asked over unsaved edits; Cancel kept them, Don't save ended the program"
}
check_close

# answer_save_dialog FILE: names FILE in the Save dialog, in place of the name it
# suggests, and waits until the file is written (a save renames it into place whole).
answer_save_dialog() {
    wait_for_windows 'Save As' 1 || return 1
    sleep 0.5 # the name field takes keys once the dialog has settled
    xdotool key Home shift+End
    xdotool type --delay 40 "$(windows_path "$1")"
    xdotool key Return
    for _ in $(seq 200); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    echo "nothing was saved as $1"
    return 1
}

# The demo text as the program holds it: CRLF line ends.
demo_text=$'drag-drop to load file\r\nright-click to change font\r\nno selection yet\r\n\r\n'
demo_text+=$'1\t2\t3\t4\t\r\none\ttwo\tthreeeeee\tfour\t\r\n\r\nwhile(--c)\r\n{\r\n\tif(a==b)\r\n'
demo_text+=$'\t{\r\n\t\twow(\tthisisaparameternamewithlongname,\r\n\t\t\tthisisanotheroneofthem\r\n'
demo_text+=$'\t\t\t);\r\n\t}\r\n}\r\n'

# Ctrl+S on the demo text, which has no file, asks for a name; the new file is UTF-8
# without a mark, and the caption loses its star.
check_save_without_file() {
    local file="$work/demo saved.txt"
    start_editor
    type_edit
    xdotool key ctrl+s
    answer_save_dialog "$file" && wait_for_windows Columnator 1 || true
    stop_editor
    expect_bytes save-without-file "$file" "$(encoded utf-8 '' "$typed$demo_text")"
}
check_save_without_file

# F12 saves under a new name in the encoding the file was read in; the old file stays.
check_save_as() {
    local file=$work/original.txt copy="$work/copy of original.txt" text=$'tab\there\r\nline\r\n'
    write_hex "$file" "$(encoded utf-16-le fffe "$text")"
    start_editor "$(windows_path "$file")"
    type_edit
    xdotool key F12
    answer_save_dialog "$copy" && wait_for_windows Columnator 1 || true
    stop_editor
    expect_bytes save-as "$copy" "$(encoded utf-16-le fffe "$typed$text")"
    expect_bytes save-as-keeps-the-original "$file" "$(encoded utf-16-le fffe "$text")"
}
check_save_as

# With no window of the program focused, keys go where the pointer is.
focus_named() {
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)" &&
        sleep 0.5
}
journals() { # how many recovery files the users of the prefix have
    find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Columnator/*.journal' | wc -l
}

# Killed after a pause in typing, the program offers the edits back at the next start
# from %LOCALAPPDATA%\Columnator (the question comes before the window); Enter restores
# them, and saving them removes the recovery file.
check_recovery() {
    local file=$work/recovery.txt problem= before
    printf 'kept' >"$file"
    before=$(journals)
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool type --delay 60 'yz'
    for _ in $(seq 100); do
        [ "$(journals)" -gt "$before" ] && break
        sleep 0.1
    done
    kill -9 "$app_pid"
    stop_editor
    "$wine" "$exe" "$(windows_path "$file")" >/dev/null 2>&1 &
    app_pid=$!
    if [ "$(journals)" -eq "$before" ]; then
        problem="no recovery file was written"
    elif ! { wait_for_windows Columnator 1 && focus_named Columnator && xdotool key Return &&
        wait_for_windows '\*Columnator' 1; }; then
        problem="the edits were not offered back"
    else
        focus_named '\*Columnator'
        xdotool key ctrl+s
        for _ in $(seq 100); do
            [ "$(cat "$file")" = yzkept ] && break
            sleep 0.1
        done
        [ "$(cat "$file")" = yzkept ] || problem="the file holds '$(cat "$file")'"
        sleep 0.5
        [ -n "$problem" ] || [ "$(journals)" -eq "$before" ] || problem="the recovery file stayed"
    fi
    stop_editor
    verdict recovery "$problem" "the edits came back after a kill, and saving them removed the file"
}
check_recovery

hex_of() { python3 -c 'import sys; print(sys.stdin.buffer.read().hex())'; }

# Five wheel notches down 200 lines scroll fifteen (three a notch, wine's default) and leave
# the cursor; a click at the top left then lands on line 16, where the typed X goes.
check_wheel() {
    local file=$work/wheel.txt before
    numbered_lines 200 >"$file"
    before=$(md5sum <"$file")
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool mousemove --window "$window" 100 100 click --repeat 5 --delay 100 5
    sleep 1 # the glide settles
    click_client_corner
    xdotool type --delay 60 'X'
    save_and_wait "$file" "$before"
    stop_editor
    expect_bytes wheel "$file" "$(numbered_lines 200 16 X | hex_of)"
}
check_wheel

# check_prompted NAME FILE KEY ANSWER EXPECTED_HEX STEP...: in FILE (made beforehand), KEY
# answered with ANSWER, then each STEP typed (a key pressed when it reads key:NAME), then
# Ctrl+S: the saved bytes must be EXPECTED_HEX.
check_prompted() {
    local name=$1 file=$2 key=$3 answer=$4 expected=$5 before step
    shift 5
    before=$(md5sum <"$file")
    start_editor "$(windows_path "$file")"
    xdotool key shift
    xdotool key "$key"
    if answer_prompt "$answer"; then
        for step in "$@"; do
            case $step in
            key:*) xdotool key "${step#key:}" ;;
            *) xdotool type --delay 60 "$step" ;;
            esac
        done
        save_and_wait "$file" "$before"
    fi
    stop_editor
    expect_bytes "$name" "$file" "$expected"
}

# Ctrl+F selects the first match from the cursor, ignoring case, and typing replaces it;
# F3 selects the next.
printf 'alpha beta\tgamma\nsecond Beta line\n' >"$work/find.txt"
check_prompted find "$work/find.txt" ctrl+f BETA \
    "$(printf 'alpha delta\tgamma\nsecond ? line\n' | hex_of)" delta key:F3 '?'

# Ctrl+G 5 goes to the start of line 5.
numbered_lines 10 >"$work/goto.txt"
check_prompted go-to-line "$work/goto.txt" ctrl+g 5 "$(numbered_lines 10 5 X | hex_of)" X

echo "e2e: capturing the demo text"
start_editor
sleep 1
import -window "$window" build-windows/demo-wine.png
stop_editor
if [ "$update_screenshot" = yes ]; then
    cp build-windows/demo-wine.png docs/screenshot-windows.png
fi

# With the window colour black and its text white, as a dark scheme sets them, the demo
# shows the cursor (at the first line's end) and none of the light scheme's pale tints.
set_window_colours() { # set_window_colours WINDOW TEXT, as "R G B"
    "$wine" reg add 'HKCU\Control Panel\Colors' /v Window /t REG_SZ /d "$1" /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Control Panel\Colors' /v WindowText /t REG_SZ /d "$2" /f >/dev/null 2>&1
}
echo "e2e: capturing the demo text in a dark scheme"
set_window_colours '0 0 0' '255 255 255'
start_editor
xdotool key End
sleep 1
import -window "$window" "$work/dark.ppm"
stop_editor
set_window_colours '255 255 255' '0 0 0'
if scripts/check-colours.py "$work/dark.ppm"; then
    echo "e2e: in a dark scheme the cursor shows and no cell is pale"
else
    echo "e2e: the dark scheme's screenshot shows no cursor, or a pale tint"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || { echo "e2e under wine: $failures case(s) failed"; exit 1; }

# The helpers both end-to-end tests use, sourced by scripts/e2e-linux.sh and
# scripts/e2e-windows.sh from the repository's root. They give it press KEY... and write
# TEXT (through xdotool), wait_for_windows NAME COUNT (true once COUNT visible windows bear
# NAME) and the editor's X window in $window.

# numbered_lines COUNT [MARKED MARK]: lines "Wheel line N", MARK typed before line MARKED.
numbered_lines() {
    python3 -c 'import sys
n, marked, mark = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
print(end="".join((mark if k == marked else "") + f"Wheel line {k}\n" for k in range(1, n + 1)))' \
        "$1" "${2:-0}" "${3:-}"
}

# design_size NAME: one of the window's designed sizes in pixels, as window/WindowDesign.h
# gives it (startWidth, startHeight).
design_size() {
    sed -n "s/^constexpr int32_t $1 = \([0-9]*\);.*/\1/p" window/WindowDesign.h
}

# client_origin: sets side and top, where the client area starts inside whatever frame is
# drawn around the window's designed size.
client_origin() {
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    side=$(((WIDTH - $(design_size startWidth)) / 2))
    top=$((HEIGHT - $(design_size startHeight) - side))
}

# click_client_corner: a click at the top left of the client area.
click_client_corner() {
    local side top
    client_origin
    xdotool mousemove --window "$window" $((side + 1)) $((top + 1)) click 1
}

# alt_drag X0 Y0 X1 Y1: a left drag with Alt held between two points of the client area.
alt_drag() {
    local side top
    client_origin
    xdotool keydown alt sleep 0.2 mousemove --window "$window" $((side + $1)) $((top + $2)) \
        mousedown 1 sleep 0.2 mousemove --window "$window" $((side + $3)) $((top + $4)) \
        sleep 0.2 mouseup 1 sleep 0.2 keyup alt
    sleep 0.3
}

# answer_prompt TEXT: answers the open input box with TEXT in place of its default, and
# gives the focus back to the editor, which no window manager does here.
answer_prompt() {
    wait_for_windows Colnat 1 && sleep 0.5 && press Home shift+End && write "$1" &&
        press Return && wait_for_windows Colnat 0 && xdotool windowfocus --sync "$window" &&
        sleep 0.3
}

# run_command TEXT: types TEXT into the open command palette, runs the command it chooses
# with Enter, and gives the focus back to the editor, which no window manager does here.
run_command() {
    wait_for_windows Commands 1 && sleep 0.5 && write "$1" && press Return &&
        wait_for_windows Commands 0 && xdotool windowfocus --sync "$window" && sleep 0.3
}

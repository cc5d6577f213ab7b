# The editing cases both end-to-end tests run, sourced by scripts/e2e-linux.sh and
# scripts/e2e-windows.sh. They give it: edit_case NAME CONTENT EXPECTED STEPS (a file of
# CONTENT, printf's escapes, opened; the function STEPS run in its window; Ctrl+S; the
# saved bytes compared with EXPECTED), press KEY... and write TEXT (through xdotool), and
# the editor's X window in $window.

# Delete takes the character after the cursor, at a line's end the line end; undo takes
# back one step at a time, a run of typing as one, and redo makes it again.
delete_undo_redo() {
    press Delete End Delete ctrl+z ctrl+z ctrl+y
    write "xy"
    press ctrl+z
    write "Q"
}
select_all_type_over() {
    press ctrl+a
    write "new"
}
copy_to_the_end() { press ctrl+a ctrl+c ctrl+End ctrl+v; }
copy_as_spaces() { press ctrl+a ctrl+shift+c ctrl+End ctrl+v; }
# From past the text's end back to its start; typing replaces what the drag selected.
drag_and_type() {
    xdotool mousemove --window "$window" 300 8 mousedown 1 mousemove --window "$window" 150 8 \
        mousemove --window "$window" 1 8 mouseup 1
    write "X"
}
double_click_and_type() {
    xdotool mousemove --window "$window" 3 5 click --repeat 2 --delay 60 1
    write "Y"
}

# The zoom keys and Ctrl+wheel size the text and type nothing; the cursor stays put.
zoom_and_type() {
    press ctrl+equal ctrl+plus ctrl+KP_Add
    write "Z"
    press ctrl+minus ctrl+KP_Subtract
    xdotool mousemove --window "$window" 100 100 keydown ctrl click 4 click 5 click 4 keyup ctrl
    press ctrl+0
    write "Q"
}

editing_cases() {
    edit_case delete 'abc\r\ndef\r\n' 'Qbc\r\ndef\r\n' delete_undo_redo
    edit_case typeover 'old text\r\nline\r\n' 'new' select_all_type_over
    edit_case paste 'a\tb\r\nc\n' 'a\tb\r\nc\na\tb\r\nc\n' copy_to_the_end
    edit_case spaces 'a\tb\r\nlonger\tc\n' 'a\tb\r\nlonger\tc\na      b\r\nlonger c\n' copy_as_spaces
    edit_case drag 'first line' 'X' drag_and_type
    edit_case word 'first line\nnext' 'Y line\nnext' double_click_and_type
    edit_case zoom 'a=b\n+-\n' 'ZQa=b\n+-\n' zoom_and_type
    indentation_cases
}

# Indentation keeps the form it was read in: a typed character changes its line alone, and
# the line Enter makes, a Tab typed in the indentation and a pasted copy take the form of the
# indentation around them.
type_on_last_line() {
    press ctrl+End
    write "!"
}
enter_then_text() {
    press ctrl+Home Down End Return
    write "z"
}
tab_in_indentation() { press ctrl+End Home Tab; }

indentation_cases() {
    edit_case spaced-line 'top\n    four\n        eight\n    last' \
        'top\n    four\n        eight\n    last!' type_on_last_line
    edit_case spaced-enter 'x\n        y\n' 'x\n        y\r\n        z\n' enter_then_text
    edit_case tabbed-enter 'x\n\t\ty\n' 'x\n\t\ty\r\n\t\tz\n' enter_then_text
    edit_case spaced-tab 'a\n    b' 'a\n        b' tab_in_indentation
    edit_case spaced-paste '    a\n' '    a\n    a\n' copy_to_the_end
}

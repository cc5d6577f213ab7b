# The editing cases both end-to-end tests run, sourced by scripts/e2e-linux.sh and
# scripts/e2e-windows.sh. They give it: edit_case NAME CONTENT EXPECTED STEPS (a file of
# CONTENT, printf's escapes, opened; the function STEPS run in its window; Ctrl+S; the
# saved bytes compared with EXPECTED), press KEY... and write TEXT (through xdotool), and
# the editor's X window in $window; palette_cases also wait_for_windows NAME COUNT.

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
    edit_case spaces 'a\tb\r\nlonger\tc\n' 'a\tb\r\nlonger\tc\na       b\r\nlonger  c\n' copy_as_spaces
    edit_case drag 'first line' 'X' drag_and_type
    edit_case word 'first line\nnext' 'Y line\nnext' double_click_and_type
    edit_case zoom 'a=b\n+-\n' 'ZQa=b\n+-\n' zoom_and_type
    indentation_cases
    selection_cases
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

# F8 extends the selection with the moves; Alt+drag selects a block of cells, which Ctrl+X
# cuts and Ctrl+V pastes back as cells. The table's second and third cells are wide, so the
# pointer lands in them whatever font stands in for the design's.
f8_copy_to_the_end() { press F8 Right Right Right ctrl+c ctrl+End ctrl+v; }
f8_down_delete() { press F8 Down Delete; }
f8_escape_then_type() {
    press F8 Right Escape Right
    write "X"
}
four_columns='a1\tbbbbbbbbbbb1\tccccccccccc1\td1\r\na2\tbbbbbbbbbbb2\tccccccccccc2\td2\r\n'
four_columns+='a3\tbbbbbbbbbbb3\tccccccccccc3\td3\r\na4\tbbbbbbbbbbb4\tccccccccccc4\td4\r\n'
cut_block() { # from cell 1 of line 0 to cell 2 of line 2
    alt_drag 55 5 145 36
    press ctrl+x
}
cut_block_paste_at_start() {
    cut_block
    press ctrl+Home ctrl+v
}

selection_cases() {
    edit_case f8-copy 'abcdef\r\nxyz' 'abcdef\r\nxyzabc' f8_copy_to_the_end
    edit_case f8-delete 'first\nsecond\nthird\n' 'second\nthird\n' f8_down_delete
    edit_case f8-escape 'hello\n' 'heXllo\n' f8_escape_then_type
    edit_case block-cut "$four_columns" \
        'a1\td1\r\na2\td2\r\na3\td3\r\na4\tbbbbbbbbbbb4\tccccccccccc4\td4\r\n' cut_block
    edit_case block-paste "$four_columns" \
        'bbbbbbbbbbb1\tccccccccccc1\ta1\td1\r\nbbbbbbbbbbb2\tccccccccccc2\ta2\td2\r\nbbbbbbbbbbb3\tccccccccccc3\ta3\td3\r\na4\tbbbbbbbbbbb4\tccccccccccc4\td4\r\n' \
        cut_block_paste_at_start
}

# Ctrl+H opens Find and Replace with the focus in Find what; Tab goes on to Replace with;
# Alt+A replaces all, Alt+C and Alt+W toggle Match case and Whole word, Enter finds the next
# match and Alt+R replaces it; Escape closes the dialog and gives the focus back to the text.
# wait_for_windows comes from the script that sources this one.
open_replace() { # open_replace FIND REPLACEMENT
    press ctrl+h
    wait_for_windows "Find and Replace" 1
    sleep 0.5
    write "$1"
    press Tab
    write "$2"
}
close_replace() {
    press Escape
    wait_for_windows "Find and Replace" 0
    sleep 0.3
}
replace_all_int() {
    open_replace int long
    press alt+a
    close_replace
}
# A mnemonic presses its button as a click does, over a moment: one key at a time.
press_each() {
    for key in "$@"; do
        press "$key"
        sleep 0.3
    done
}
replace_whole_words_in_case() {
    open_replace int x
    press_each alt+c alt+w alt+a
    close_replace
}
replace_twice() {
    open_replace one 1
    press_each Return alt+r alt+r
    close_replace
}
replace_all_undo_type() {
    replace_all_int
    press ctrl+z
    write "x"
}

replace_cases() {
    edit_case replace-all 'int a;\r\n\tint b; /* print */\n' 'long a;\r\n\tlong b; /* prlong */\n' \
        replace_all_int
    edit_case replace-case-word 'Int int interval INT int\n' 'Int x interval INT x\n' \
        replace_whole_words_in_case
    edit_case replace-twice 'one two one two one\n' '1 two 1 two one\n' replace_twice
    edit_case replace-undo 'int a;\nint b;\n' 'xint a;\nint b;\n' replace_all_undo_type
}

# The command palette runs the conversions between cells and space-aligned text; Ctrl+Shift+V
# pastes space-aligned text as cells, and gives back the cells Ctrl+Shift+C copied as spaces.
columns_to_spaces() {
    press ctrl+shift+p
    run_command "columns to spaces"
}
spaces_to_columns() {
    press ctrl+shift+p
    run_command "spaces to columns"
}
cut_and_paste_as_columns() { press ctrl+a ctrl+x ctrl+shift+v; }
copy_as_spaces_paste_as_columns() { press ctrl+a ctrl+shift+c ctrl+End ctrl+shift+v; }

palette_cases() {
    edit_case to-spaces 'name\tage\tcity\nbob\t42\tParis\nalexandra\t7\tRome\n' \
        'name       age  city\nbob        42   Paris\nalexandra  7    Rome\n' columns_to_spaces
    edit_case to-columns 'name   age  city\r\nbob    42   Paris\r\n    x  y\r\n' \
        'name\tage\tcity\r\nbob\t42\tParis\r\n    x\ty\r\n' spaces_to_columns
    edit_case paste-as-columns 'id  value\n1   one\n' 'id\tvalue\n1\tone\n' cut_and_paste_as_columns
    edit_case spaces-and-back 'a\tbb\nccc\td\n' 'a\tbb\nccc\td\na\tbb\nccc\td\n' \
        copy_as_spaces_paste_as_columns
}

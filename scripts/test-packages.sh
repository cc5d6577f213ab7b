#!/usr/bin/env bash
# Makes the .deb, the Windows zip and the Windows setup program from the two builds ./test
# made and checks what a user gets. The .deb: lintian finds no error or warning, its files
# sit where desktops look for them and validate, its manual page names every key, and its
# program edits a file named on the command line as ./run does. The zip's program starts.
# The setup program, in a fresh wine prefix: installs silently for the user alone when run
# unelevated and for every user when elevated, with its files, Start-menu link, entry in
# the list of installed apps and "Open with" registration; the installed program opens a
# file through that registration; the silent uninstall leaves nothing of it, and leaves
# the user's files, recovery folder and other programs' registrations as they were.
# Usage: scripts/test-packages.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
set -euo pipefail
linux_build=$(realpath "${1:-build}")
windows_build=$(realpath "${2:-build-windows}")
cd "$(dirname "$0")/.."
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
scripts/install-deps.sh "${package_packages[@]}" "${windows_packages[@]}"
app_id=org.columnator.Columnator

# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh
start_session
work=$(mktemp -d)
editor_pid=
cleanup() {
    if [ -n "$editor_pid" ]; then kill "$editor_pid" 2>/dev/null || true; fi
    session_cleanup
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "test-packages: $*" >&2
    exit 1
}
require_file() { # PATH WHAT
    [ -f "$1" ] || fail "$2 missing: ${1#"$work"/}"
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $linux_build/CMakeCache.txt"
deb_version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
[[ $deb_version == "$version"-* ]] ||
    fail "the latest entry of packaging/debian/changelog is $deb_version, not one for $version"

make_packages() { # BUILD_DIR FILE_NAME...: runs CPack there and checks it wrote each file
    local build=$1 file
    shift
    for file in "$@"; do rm -f "$build/packages/$file"; done
    # CPack packs what the build holds: brought up to date first, no file is packed stale.
    cmake --build "$build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
        fail "the build in $build failed: $(tail -20 "$work/build.log")"
    (cd "$build" && cpack >"$work/cpack.log" 2>&1) || fail "cpack in $build failed: $(cat "$work/cpack.log")"
    for file in "$@"; do
        require_file "$build/packages/$file" "package"
        echo "made $build/packages/$file, $(stat -c %s "$build/packages/$file") bytes"
    done
}

# Each key of window/keyboard.cpp's key table as the manual page writes it: "Ctrl+S",
# "Page Up", "F12". A row of another shape fails, so that a new one is never skipped.
key_table_names() {
    local row key held name
    local rows
    rows=$(sed -n '/keyTable{{/,/}};/p' window/keyboard.cpp | grep -E '^[[:space:]]*\{')
    [ -n "$rows" ] || fail "no rows read from the key table in window/keyboard.cpp"
    while read -r row; do
        [[ $row =~ ^\{(KeyCode::)?([A-Za-z0-9]+(\([^,]*\))?),\ *([^,]+), ]] ||
            fail "cannot read this row of the key table: $row"
        key=${BASH_REMATCH[2]} held=${BASH_REMATCH[4]}
        case $key in
        functionKey\(*\)) name=F${key//[!0-9]/} ;;
        letterKey\(*\)) name=${key:11:1} ;;
        digitKey\(*\)) name=${key//[!0-9]/} ;;
        *) name=$(sed -E 's/([a-z])([A-Z])/\1 \2/g' <<<"$key") ;;
        esac
        [[ $held == any || $held == *ShiftMask::* ]] || fail "cannot read the modifiers of: $row"
        [[ $held == *Alt* ]] && name=Alt+$name
        [[ $held == *Shift\ * || $held == *Shift ]] && name=Shift+$name
        [[ $held == *Ctrl* ]] && name=Ctrl+$name
        echo "$name"
    done <<<"$rows"
}

check_manual() { # ROOT: the manual page tells the keys and the files
    local manual=$1/usr/share/man/man1/columnator.1.gz
    require_file "$manual" "manual page"
    local page keys name missing=()
    page=$(zcat "$manual")
    keys=$(sed -n '/^\.SH KEYS/,/^\.SH /p' <<<"$page" | tr -d '"')
    while read -r name; do
        # A whole name: "Home" is not found inside "Ctrl+Home".
        grep -qE "(^|[^+[:alnum:]])${name//+/\\+}([^+[:alnum:]]|$)" <<<"$keys" || missing+=("$name")
    done < <(key_table_names)
    [ ${#missing[@]} -eq 0 ] || fail "the manual page's KEYS does not name: ${missing[*]}"
    sed -n '/^\.SH FILES/,/^\.SH /p' <<<"$page" | grep -qF '.local/share/Columnator' ||
        fail "the manual page's FILES does not name the recovery folder"
}

check_deb() { # DEB
    local deb=$1 root=$work/root
    [ "$(dpkg-deb -f "$deb" Version)" = "$deb_version" ] || fail ".deb version is not $deb_version"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *fonts-dejavu-core* ]] || fail ".deb does not depend on a font: $depends"
    [[ $depends == *libqt6widgets6* ]] || fail ".deb dependencies were not computed: $depends"
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 ||
        fail "apt cannot install the .deb: $(cat "$work/apt.log")"
    lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian finds faults in the .deb: $(grep -v '^running with root' "$work/lintian.log")"
    echo "lintian: no error or warning"

    dpkg -x "$deb" "$root"
    local program=$root/usr/bin/columnator
    local desktop=$root/usr/share/applications/$app_id.desktop
    local metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
    [ -x "$program" ] || fail "program missing: usr/bin/columnator"
    require_file "$desktop" "desktop entry"
    require_file "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg" "icon"
    require_file "$metainfo" "metainfo"
    check_manual "$root"

    # A library found only through the build tree would be missing on the user's machine.
    if env -u LD_LIBRARY_PATH ldd "$program" | grep -q 'not found'; then
        fail "installed program misses libraries: $(ldd "$program" | grep 'not found')"
    fi
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
    grep -qx 'Exec=columnator %f' "$desktop" || fail "desktop entry does not start usr/bin/columnator"
    grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry names another icon"
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" ||
        fail "metainfo does not validate: $(cat "$work/appstream.log")"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
    grep -q "<project_license>MIT</project_license>" "$metainfo" || fail "metainfo names no licence"
}

# wait_for_bytes FILE TEXT: until FILE holds exactly TEXT (printf escapes), or 20 s.
wait_for_bytes() {
    printf '%b' "$2" >"$work/expected"
    for _ in $(seq 200); do
        cmp -s "$work/expected" "$1" && return 0
        sleep 0.1
    done
    fail "${1#"$work"/} holds $(od -c "$1" | head -3), not what was typed and saved"
}

# The window named Columnator that appears within a minute, focused; fails naming LOG.
focus_editor_window() { # LOG
    local window
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Columnator$' | head -n 1) ||
        fail "no window \"Columnator\" appeared: $(tail -5 "$1")"
    xdotool windowfocus --sync "$window"
    sleep 0.5 # the first glide settles in a few ticks
}

# Types "x" at the start and saves with Ctrl+S. The first key after a window appears can
# be lost under wine; a lone Shift is harmless.
type_and_save() {
    xdotool key shift
    xdotool type --delay 60 x
    xdotool key --clearmodifiers --delay 60 ctrl+s
}

stop_editor() {
    kill "$editor_pid" 2>/dev/null || true
    wait "$editor_pid" 2>/dev/null || true
    editor_pid=
    for _ in $(seq 100); do
        xdotool search --name '^\*?Columnator$' >/dev/null 2>&1 || return 0
        sleep 0.1
    done
}

# The installed program, started from a terminal in the file's folder with a relative name.
check_edits_like_run() { # ROOT
    local folder=$work/documents
    mkdir -p "$folder" "$work/runtime"
    chmod 700 "$work/runtime"
    printf 'one\ttwo\n' >"$folder/a table.tsv"
    (cd "$folder" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
        XDG_DATA_HOME="$work/data" "$1/usr/bin/columnator" "a table.tsv") >"$work/linux.log" 2>&1 &
    editor_pid=$!
    focus_editor_window "$work/linux.log"
    type_and_save
    wait_for_bytes "$folder/a table.tsv" 'xone\ttwo\n'
    stop_editor
    echo "the installed Linux program edited and saved a file named on its command line"
}

# As ./run does, a start without a display says so and ends, leaving the file alone.
check_no_display() { # ROOT
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1/usr/bin/columnator" \
        "$work/documents/a table.tsv" >"$work/nodisplay.log" 2>&1 || status=$?
    [ "$status" -eq 1 ] && grep -q 'no display' "$work/nodisplay.log" ||
        fail "without a display the program ended with $status: $(cat "$work/nodisplay.log")"
    echo "the installed Linux program, started without a display, said so and ended"
}

check_resources() { # EXE: the icon, version and manifest that windres compiled in
    local exe=$1 resources=$work/resources.rc
    x86_64-w64-mingw32-windres -i "$exe" -O rc -o "$resources" || fail "no resources in $exe"
    grep -q 'Type: group icon' "$resources" || fail "program has no icon"
    local numbers
    numbers=$(IFS=.; read -ra parts <<<"$version.0.0.0"; echo "${parts[0]}, ${parts[1]}, ${parts[2]}, 0")
    grep -q "FILEVERSION $numbers\$" "$resources" || fail "version resource is not $numbers"
    grep -q "VALUE \"ProductVersion\", \"$version\"" "$resources" || fail "product version is not $version"
    # Windows shows the description as the program's name.
    grep -q 'VALUE "FileDescription", "Columnator"' "$resources" || fail "the program is not described as Columnator"
    # The manifest is stored as it was written, so its settings can be read from the program.
    local setting
    for setting in 'PerMonitorV2' 'Microsoft.Windows.Common-Controls' \
        '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "version=\"$version"; do
        grep -qaF "$setting" "$exe" || fail "manifest lacks $setting"
    done
}

check_zip_folder() { # FOLDER: the unpacked zip, with its texts in Windows line ends
    local file
    require_file "$1/columnator.exe" "program"
    for file in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
        require_file "$1/$file" "$file"
        grep -q $'\r$' "$1/$file" || fail "$file does not have Windows line ends"
    done
    grep -q "Columnator $version" "$1/README.txt" || fail "read-me does not name version $version"
    grep -q "MIT License" "$1/LICENSE.txt" || fail "LICENSE.txt is not the MIT licence"
    grep -q "GCC RUNTIME LIBRARY EXCEPTION" "$1/THIRD-PARTY-NOTICES.txt" ||
        fail "the notices lack the GCC runtime's"
    check_resources "$1/columnator.exe"
}

check_zip_runs() { # FOLDER holding columnator.exe: shows its window on the demo text
    (cd "$1" && exec "$wine" ./columnator.exe) >"$work/wine.log" 2>&1 &
    editor_pid=$!
    focus_editor_window "$work/wine.log"
    stop_editor
    echo "the program of the zip shows its window"
}

# The setup program under wine. Paths inside the prefix are Windows paths (C:\...); unix_path
# finds them in the prefix's drive C.
progid=Columnator.PlainText
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Columnator'
text_types=(.txt .tsv .tab .csv)

win_path() { printf 'Z:%s' "${1//\//\\}"; }
unix_path() {
    local path=${1#C:\\}
    printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}
windows_variable() { "$wine" cmd /c echo "%$1%" | tr -d '\r'; }

reg_key() { # KEY: its values as `reg query` lists them; fails when there is no such key
    "$wine" reg query "$1" 2>/dev/null | tr -d '\r'
}
reg_value() { # LISTING NAME: "TYPE DATA" of one value of a reg_key listing, or failure
    awk -v name="$2" 'BEGIN { FS = "    " } $2 == name { print $3 " " $4; found = 1 }
                      END { exit !found }' <<<"$1"
}
expect_value() { # KEY NAME TYPE DATA
    local listing value
    listing=$(reg_key "$1") || fail "registry key missing: $1"
    value=$(reg_value "$listing" "$2") || fail "value $2 missing in $1"
    [ "$value" = "$3 $4" ] || fail "$1 holds $2 = $value, not $3 $4"
}

# Every file and folder of drive C, the temporary ones and the recovery folder aside.
prefix_files() {
    local kept
    kept=$(unix_path "$recovery")
    (cd "$WINEPREFIX/drive_c" && find . | grep -v -e '^\./users/[^/]*/Temp/' -e "^\./${kept#"$WINEPREFIX/drive_c/"}" | sort)
}

# What a user has before installing: another program's "Open with" entry, a type's own
# default and a recovery file.
plant_user_things() {
    "$wine" reg add 'HKCU\Software\Classes\.csv\OpenWithProgids' /v Other.App /t REG_NONE /f >/dev/null
    "$wine" reg add 'HKCU\Software\Classes\.tab' /ve /d tabfile /f >/dev/null
    mkdir -p "$(unix_path "$recovery")"
    printf 'kept\n' >"$(unix_path "$recovery")/journal"
}
check_user_things_kept() {
    expect_value 'HKCU\Software\Classes\.csv\OpenWithProgids' Other.App REG_NONE 0000
    expect_value 'HKCU\Software\Classes\.tab' '(Default)' REG_SZ tabfile
    grep -qx kept "$(unix_path "$recovery")/journal" 2>/dev/null || fail "the recovery file is gone"
}

check_installed() { # HIVE FOLDER LINK: what an install for that hive made
    local hive=$1 folder=$2 link=$3 file type default
    for file in columnator.exe Uninstall.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
        require_file "$(unix_path "$folder")/$file" "installed $file"
    done
    require_file "$(unix_path "$link")" "Start-menu link"
    grep -qaF "$folder\\columnator.exe" "$(unix_path "$link")" ||
        fail "the Start-menu link does not start $folder\\columnator.exe"

    local entry=$hive\\$uninstall_key
    expect_value "$entry" DisplayName REG_SZ Columnator
    expect_value "$entry" DisplayVersion REG_SZ "$version"
    expect_value "$entry" Publisher REG_SZ "Columnator developers"
    expect_value "$entry" DisplayIcon REG_SZ "$folder\\columnator.exe,0"
    expect_value "$entry" InstallLocation REG_SZ "$folder"
    expect_value "$entry" UninstallString REG_SZ "\"$folder\\Uninstall.exe\""
    expect_value "$entry" QuietUninstallString REG_SZ "\"$folder\\Uninstall.exe\" /S"
    local listed actual
    listed=$(($(reg_value "$(reg_key "$entry")" EstimatedSize | cut -d' ' -f2)))
    actual=$(du -sk --apparent-size "$(unix_path "$folder")" | cut -f1)
    ((listed * 10 >= actual * 9 && listed * 10 <= actual * 11)) ||
        fail "the installed size is given as $listed KB; the folder holds $actual KB"

    expect_value "$hive\\Software\\Classes\\$progid\\shell\\open\\command" '(Default)' REG_SZ \
        "\"$folder\\columnator.exe\" \"%1\""
    for type in "${text_types[@]}"; do
        expect_value "$hive\\Software\\Classes\\$type\\OpenWithProgids" "$progid" REG_NONE ""
        default=$(reg_value "$(reg_key "$hive\\Software\\Classes\\$type")" '(Default)' || true)
        [[ $default != *"$progid"* ]] || fail "the install made itself the default for $type"
    done
    echo "installed for $hive: files, Start-menu link, uninstall entry and Open with for ${text_types[*]}"
}

# The uninstaller's first process starts a copy of itself and ends; wineserver -w waits for
# the copy too, and the registry is written to the prefix's files when it ends.
check_nothing_left() { # FOLDER LINK
    "$wineserver" -w
    local left
    left=$(grep -i -n columnator "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" || true)
    [ -z "$left" ] || fail "the registry still holds, after the uninstall: $left"
    [ ! -e "$(unix_path "$1")" ] || fail "the program's folder is left: $(ls -A "$(unix_path "$1")")"
    [ ! -e "$(unix_path "$2")" ] || fail "the Start-menu link is left"
    prefix_files >"$work/files-after"
    diff "$work/files-before" "$work/files-after" >"$work/files-diff" ||
        fail "the uninstall left files in drive C: $(cat "$work/files-diff")"
    check_user_things_kept
    echo "uninstalled: nothing of it left, the user's registrations, files and recovery folder kept"
}

# While the program is open its files cannot be replaced: the uninstaller, run where it is so
# that its exit code is its own, refuses and removes nothing.
check_uninstall_refused_while_open() { # FOLDER
    local status=0
    "$wine" "$run_unelevated" "$1\\Uninstall.exe" /S "_?=$1" || status=$?
    [ "$status" -eq 2 ] || fail "the uninstaller did not refuse while the program ran (exit code $status)"
    require_file "$(unix_path "$1")/columnator.exe" "program, after a refused uninstall,"
}

# The installed program, started with the command its ProgID gives "Open with", edits a file.
check_opens_through_registration() { # HIVE FOLDER
    local command document=$work/opened\ file.txt
    command=$(reg_value "$(reg_key "$1\\Software\\Classes\\$progid\\shell\\open\\command")" '(Default)')
    [[ $command =~ ^REG_SZ\ \"([^\"]+)\"\ \"%1\"$ ]] || fail "the open command is not the program and %1: $command"
    printf 'text\r\n' >"$document"
    "$wine" "${BASH_REMATCH[1]}" "$(win_path "$document")" >"$work/wine.log" 2>&1 &
    editor_pid=$!
    focus_editor_window "$work/wine.log"
    type_and_save
    wait_for_bytes "$document" 'xtext\r\n'
    check_uninstall_refused_while_open "$2"
    stop_editor
    echo "the installed program opened, edited and saved a file through its Open with command"
}

check_setup() { # SETUP RUN_UNELEVATED
    local setup=$1 user_folder user_link machine_folder machine_link
    run_unelevated=$2
    require_file "$run_unelevated" "test helper (a Windows build with its tests makes it)"
    x86_64-w64-mingw32-windres -i "$setup" -O rc -o "$work/setup.rc" || fail "no resources in $setup"
    grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/setup.rc" ||
        fail "the setup program's version is not $version"
    recovery="$(windows_variable LOCALAPPDATA)\\Columnator"
    user_folder="$(windows_variable LOCALAPPDATA)\\Programs\\Columnator"
    user_link="$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Columnator.lnk"
    machine_folder="$(windows_variable ProgramFiles)\\Columnator"
    machine_link="$(windows_variable ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs\\Columnator.lnk"
    plant_user_things
    prefix_files >"$work/files-before"

    # Under wine every process is elevated; run-unelevated gives the setup program the token
    # an administrator's programs have on Windows until it asks for consent.
    "$wine" "$run_unelevated" "$(win_path "$setup")" /S || fail "the setup program failed for the user alone"
    check_installed HKCU "$user_folder" "$user_link"
    ! reg_key "HKLM\\$uninstall_key" >/dev/null || fail "an unelevated install registered for every user"
    check_opens_through_registration HKCU "$user_folder"
    "$wine" "$run_unelevated" "$user_folder\\Uninstall.exe" /S || fail "the uninstaller failed"
    check_nothing_left "$user_folder" "$user_link"

    # Twice: the second run is an upgrade in place, over the first.
    "$wine" "$setup" /S || fail "the elevated setup program failed"
    "$wine" "$setup" /S || fail "the elevated setup program failed over an install"
    check_installed HKLM "$machine_folder" "$machine_link"
    ! reg_key "HKCU\\$uninstall_key" >/dev/null || fail "an elevated install registered for the user alone"
    # Unelevated, the uninstaller of an install for every user asks Windows for elevation
    # once; where that gives none, as under wine, it refuses and removes nothing.
    "$wine" "$run_unelevated" "$machine_folder\\Uninstall.exe" /S || true
    "$wineserver" -w
    require_file "$(unix_path "$machine_folder")/columnator.exe" "program, after an unelevated uninstall,"
    reg_key "HKLM\\$uninstall_key" >/dev/null || fail "an unelevated uninstall removed the entry"
    "$wine" "$(unix_path "$machine_folder")/Uninstall.exe" /S || fail "the elevated uninstaller failed"
    check_nothing_left "$machine_folder" "$machine_link"
}

deb=columnator_${deb_version}_$(dpkg --print-architecture).deb
make_packages "$linux_build" "$deb"
start_display
check_deb "$linux_build/packages/$deb"
check_edits_like_run "$work/root"
check_no_display "$work/root"

zip=Columnator-$version-win64.zip
setup=Columnator-$version-win64-setup.exe
make_packages "$windows_build" "$zip" "$setup"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$windows_build/packages/$zip")
check_zip_folder "$work/zip/Columnator-$version-win64"
wine_boot
check_zip_runs "$work/zip/Columnator-$version-win64"

check_setup "$windows_build/packages/$setup" "$windows_build/run-unelevated.exe"
echo "packages: all checks passed"

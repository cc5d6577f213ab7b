#!/usr/bin/env bash
# Makes the .deb and the Windows zip from the two builds ./test made and checks what a user
# gets: the files sit where desktops look for them and validate, one version number shows
# everywhere, and the Windows program starts from the unpacked zip in a fresh wine.
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
work=$(mktemp -d)
wine_session=no
cleanup() {
    if [ "$wine_session" = yes ]; then session_cleanup; fi
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

make_package() { # BUILD_DIR FILE_NAME: runs CPack there and checks it wrote FILE_NAME
    rm -f "$1/packages/$2"
    (cd "$1" && cpack >"$work/cpack.log" 2>&1) || fail "cpack in $1 failed: $(cat "$work/cpack.log")"
    require_file "$1/packages/$2" "package"
    echo "made $1/packages/$2, $(stat -c %s "$1/packages/$2") bytes"
}

check_deb() { # DEB
    local deb=$1 root=$work/root
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail ".deb version is not $version"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *fonts-dejavu-core* ]] || fail ".deb does not depend on a font: $depends"
    [[ $depends == *libqt6widgets6* ]] || fail ".deb dependencies were not computed: $depends"
    apt-get install --simulate -qq "$deb" >"$work/apt.log" 2>&1 ||
        fail "apt cannot install the .deb: $(cat "$work/apt.log")"

    dpkg -x "$deb" "$root"
    local program=$root/usr/bin/columnator
    local desktop=$root/usr/share/applications/$app_id.desktop
    local metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
    [ -x "$program" ] || fail "program missing: usr/bin/columnator"
    require_file "$desktop" "desktop entry"
    require_file "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg" "icon"
    require_file "$metainfo" "metainfo"

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
}

check_resources() { # EXE: the icon, version and manifest that windres compiled in
    local exe=$1 resources=$work/resources.rc
    x86_64-w64-mingw32-windres -i "$exe" -O rc -o "$resources" || fail "no resources in $exe"
    grep -q 'Type: group icon' "$resources" || fail "program has no icon"
    local numbers
    numbers=$(IFS=.; read -ra parts <<<"$version.0.0.0"; echo "${parts[0]}, ${parts[1]}, ${parts[2]}, 0")
    grep -q "FILEVERSION $numbers\$" "$resources" || fail "version resource is not $numbers"
    grep -q "VALUE \"ProductVersion\", \"$version\"" "$resources" || fail "product version is not $version"
    # The manifest is stored as it was written, so its settings can be read from the program.
    local setting
    for setting in 'PerMonitorV2' 'Microsoft.Windows.Common-Controls' \
        '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "version=\"$version"; do
        grep -qaF "$setting" "$exe" || fail "manifest lacks $setting"
    done
}

check_runs_under_wine() { # FOLDER holding columnator.exe: shows its window on the demo text
    start_session
    wine_session=yes
    start_display
    wine_boot
    (cd "$1" && exec "$wine" ./columnator.exe) >"$work/wine.log" 2>&1 &
    local wine_pid=$! shown=
    for _ in $(seq 60); do
        if xdotool search --name '^Columnator$' >/dev/null 2>&1; then
            shown=1
            break
        fi
        kill -0 "$wine_pid" 2>/dev/null || break
        sleep 1
    done
    kill "$wine_pid" 2>/dev/null || true
    "$wineserver" -k 2>/dev/null || true
    wait "$wine_pid" 2>/dev/null || true
    [ -n "$shown" ] || fail "no window \"Columnator\" under wine: $(tail -5 "$work/wine.log")"
}

deb=columnator_${version}_$(dpkg --print-architecture).deb
make_package "$linux_build" "$deb"
check_deb "$linux_build/packages/$deb"

zip=Columnator-$version-win64.zip
make_package "$windows_build" "$zip"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$windows_build/packages/$zip")
folder=$work/zip/Columnator-$version-win64
require_file "$folder/columnator.exe" "program"
require_file "$folder/README.txt" "read-me"
grep -q "Columnator $version" "$folder/README.txt" || fail "read-me does not name version $version"
check_resources "$folder/columnator.exe"
check_runs_under_wine "$folder"
echo "packages: all checks passed"

#!/usr/bin/env bash
# The whole-program benchmark of the Windows build under wine: cross-builds whole_bench.exe
# into BUILD_DIR (build-wine-bench), makes the corpora of scripts/bench-whole.sh in
# BUILD_DIR/bench-corpora and runs the program on each in a fresh wine prefix, printing the
# same figures. The window is never shown, but wine makes no window without a display and
# keeps windows within its screen, so a virtual display larger than the window serves.
# --linux LINUX_BUILD_DIR also runs the Linux build's whole_bench on the same files and
# prints wine's ratio to it. --quick: the small corpora, a smoke run. --one-core: everything
# on the first processor, where a call that waits for wine's server, another process, costs
# no waking of the other processor (a key or a frame makes none).
# Usage: scripts/bench-wine.sh [BUILD_DIR] [--quick] [--one-core] [--linux LINUX_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-wine-bench
quick=0
linux=
while [ $# -gt 0 ]; do
    case $1 in
    --quick) quick=1 ;;
    --one-core) taskset -pc 0 $$ >/dev/null ;;
    --linux) linux=${2:?--linux needs a build folder}; shift ;;
    *) build=$1 ;;
    esac
    shift
done
source scripts/packages.sh
scripts/install-deps.sh "${windows_packages[@]}"

if [ ! -e "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLUMNATOR_TESTS=OFF -DCOLUMNATOR_BENCH=ON >/dev/null
fi
cmake --build "$build" --target whole_bench >/dev/null
if [ -n "$linux" ]; then
    if [ ! -e "$linux/build.ninja" ]; then
        cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$linux" --target whole_bench >/dev/null
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)} # Qt warns on every start without
fi
source scripts/bench-corpora.sh
corpora=$(realpath "$build")/bench-corpora
make_corpora "$corpora" $quick

source scripts/wine-session.sh
start_session
trap session_cleanup EXIT
start_display 2560x1600
wine_boot

printf '%-22s %-18s %12s' file figure wine
[ -n "$linux" ] && printf ' %12s %8s' linux ratio
echo
for name in "${corpus_files[@]}"; do
    file=$corpora/$name
    ours=$("$wine" "$build/bench/whole_bench.exe" "Z:${file//\//\\}" | tr -d '\r')
    theirs=
    [ -n "$linux" ] && theirs=$("$linux/bench/whole_bench" "$file")
    print_figures "$name" "$ours" "$theirs"
done

#!/usr/bin/env bash
# The whole-program benchmark: builds the two programs, makes the corpora in
# build/bench-corpora (real source code from /usr/include, a tab-separated table), and runs
# Columnator (whole_bench) and the toolkit's own editor (peer_bench) on each, printing every
# figure and Columnator's ratio to the peer. Offscreen, 1920 x 1080, Verdana 9 pt.
# Usage: scripts/bench-whole.sh [BUILD_DIR] [--quick]   (--quick: small corpora, a smoke run)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
quick=0
for argument in "$@"; do
    case $argument in
    --quick) quick=1 ;;
    *) build=$argument ;;
    esac
done
if [ ! -e "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target whole_bench peer_bench >/dev/null
source scripts/bench-corpora.sh
make_corpora "$build/bench-corpora" $quick

# Qt wants a private runtime folder and warns on every start without one.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
printf '%-22s %-18s %12s %12s %8s\n' file figure columnator peer ratio
for name in "${corpus_files[@]}"; do
    ours=$("$build/bench/whole_bench" "$build/bench-corpora/$name")
    theirs=$("$build/bench/peer_bench" "$build/bench-corpora/$name")
    print_figures "$name" "$ours" "$theirs"
done

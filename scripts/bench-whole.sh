#!/usr/bin/env bash
# The whole-program benchmark: builds the two programs, makes the corpora in
# build/bench-corpora (real source code from /usr/include, a tab-separated table, one long
# line of minified JSON), and runs Columnator (whole_bench) and the toolkit's own editor
# (peer_bench) on each, printing every figure and Columnator's ratio to the peer; last, the
# whole process on the largest file against vim's. Offscreen, 1920 x 1080, Verdana 9 pt.
# --wine then runs the Windows build on the same corpora (scripts/bench-wine.sh, into
# build-wine-bench) beside this build, so that one run prints every figure.
# Usage: scripts/bench-whole.sh [BUILD_DIR] [--quick] [--wine]   (--quick: small corpora)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
quick=0
wine=0
for argument in "$@"; do
    case $argument in
    --quick) quick=1 ;;
    --wine) wine=1 ;;
    *) build=$argument ;;
    esac
done
source scripts/packages.sh
scripts/install-deps.sh "${bench_packages[@]}"
if [ ! -e "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target whole_bench peer_bench >/dev/null
source scripts/bench-corpora.sh
make_corpora "$build/bench-corpora" $quick

# median_wall_ms COMMAND...: the median wall time of three runs in milliseconds, after a
# first run that fills the caches.
median_wall_ms() {
    python3 - "$@" <<'PY'
import subprocess, sys, time
def run():
    start = time.perf_counter()
    subprocess.run(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    return (time.perf_counter() - start) * 1000
run()
print(sorted(run() for _ in range(3))[1])
PY
}

# Qt wants a private runtime folder and warns on every start without one.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
printf '%-22s %-18s %12s %12s %8s\n' file figure columnator peer ratio
for name in "${corpus_files[@]}"; do
    file=$build/bench-corpora/$name
    ours=$("$build/bench/whole_bench" "$file")
    theirs=
    # The toolkit's editor lays the whole line out again on every keystroke, seconds each on
    # the long line: its run would take a quarter of an hour.
    [[ $name == line-* ]] || theirs=$("$build/bench/peer_bench" "$file")
    print_figures "$name" "$ours" "$theirs"
done

# The whole process on the largest source file (listed last), start to exit, against vim loading it and quitting.
largest=$build/bench-corpora/${corpus_files[-1]}
ours=$(median_wall_ms "$build/bench/whole_bench" --open-only "$largest")
vim=$(median_wall_ms vim -u NONE -es -c 'qa!' "$largest")
printf '%-22s %-18s %12.3f %12.3f %8.3f   (peer: vim -u NONE -es)\n' "${corpus_files[-1]}" \
    process_ms "$ours" "$vim" "$(python3 -c "print($ours / $vim)")"

if [ "$wine" = 1 ]; then
    echo
    scripts/bench-wine.sh build-wine-bench $([ "$quick" = 1 ] && echo --quick) --linux "$build"
fi

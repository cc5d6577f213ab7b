#!/usr/bin/env bash
# The whole-program benchmark: builds the two programs, makes the corpora in
# build/bench-corpora (real source code from /usr/include, a tab-separated table, one long
# line of minified JSON), and runs Columnator (whole_bench) and the toolkit's own editor
# (peer_bench) on each, printing every figure and Columnator's ratio to the peer; last, the
# whole process on the largest file against vim's, and how opening it spreads over fresh
# processes, on it and on ten copies of it (1 GB). Offscreen, 1920 x 1080, Verdana 9 pt.
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

# process_ms FILE: the median wall time in milliseconds of five fresh processes of ours and
# of vim's, opening FILE and quitting, taken in turns so that both see the same load, after
# a first run of each that fills the caches.
process_ms() {
    python3 - "$build/bench/whole_bench" "$1" <<'PY'
import os, statistics, subprocess, sys, time
ours = [sys.argv[1], "--open-only", sys.argv[2]]
vim = ["vim", "-u", "NONE", "-es", "-c", "qa!", sys.argv[2]]
def run(command):
    start = time.perf_counter()
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    return (time.perf_counter() - start) * 1000
run(ours), run(vim)
times = [(run(ours), run(vim)) for _ in range(5)]
mine, theirs = (statistics.median(t[k] for t in times) for k in (0, 1))
print("%-22s %-18s %12.3f %12.3f %8.3f   (peer: vim -u NONE -es)"
      % (os.path.basename(sys.argv[2]), "process_ms", mine, theirs, mine / theirs))
PY
}

# opening_spread FILE: whole_bench --opening in five fresh processes, after a first that fills
# the caches: the median, slowest and fastest opening, the median memory per MB and in all.
opening_spread() {
    python3 - "$build/bench/whole_bench" "$1" <<'PY'
import os, statistics, subprocess, sys
def run():
    out = subprocess.run([sys.argv[1], "--opening", sys.argv[2]], stdin=subprocess.DEVNULL,
                         capture_output=True, text=True, check=True).stdout
    return {figure: float(value) for figure, value in (line.split() for line in out.splitlines())}
run()
runs = [run() for _ in range(5)]
opens = [r["open_ms"] for r in runs]
memory = statistics.median(r["memory_MB_per_MB"] for r in runs)
name = os.path.basename(sys.argv[2])
megabytes = os.path.getsize(sys.argv[2]) / (1024 * 1024)
for figure, value in [("open_ms_median", statistics.median(opens)), ("open_ms_slowest", max(opens)),
                      ("open_ms_fastest", min(opens)), ("memory_MB_per_MB", memory),
                      ("memory_MB", memory * megabytes)]:
    print("%-22s %-18s %12.3f   (5 fresh processes)" % (name, figure, value))
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
process_ms "$largest"

# How opening spreads over fresh processes, on the largest file and on ten copies of it.
opening_spread "$largest"
tenfold=$build/bench-corpora/tenfold-${corpus_files[-1]}
[ -e "$tenfold" ] || for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$largest"; done >"$tenfold"
opening_spread "$tenfold"

if [ "$wine" = 1 ]; then
    echo
    scripts/bench-wine.sh build-wine-bench $([ "$quick" = 1 ] && echo --quick) --linux "$build"
fi

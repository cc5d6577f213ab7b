#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its corpus.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 30; CI uses the default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCOLUMNATOR_FUZZ=ON -DCOLUMNATOR_GUI=OFF -DCOLUMNATOR_TESTS=OFF -DCOLUMNATOR_BENCH=OFF \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for target in build-fuzz/fuzz/*_fuzz; do
    name=$(basename "$target" _fuzz)
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    echo "fuzzing $name for ${seconds}s"
    log=build-fuzz/$name.log
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix=build-fuzz/"$name"- "$corpus" fuzz/corpus/"$name" >"$log" 2>&1; then
        tail -40 "$log"
        echo "fuzz target $name failed; the input is in build-fuzz/$name-*"
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|^#[0-9]+ +DONE' "$log" || true
done

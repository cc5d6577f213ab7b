#!/usr/bin/env bash
# The Linux window through AT-SPI, as a screen reader reads it: run by scripts/e2e-linux.sh
# inside a private session bus (dbus-run-session), with DISPLAY set. Starts the
# accessibility bus, lets scripts/atspi-reader.py read and edit the window through it, and
# compares the bytes saved.
# Usage: scripts/e2e-accessibility.sh BUILD_DIR WORK_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 work=$2
/usr/libexec/at-spi-bus-launcher --launch-immediately 2>>"$work/atspi.log" &
launcher=$!
trap 'kill "$launcher" 2>/dev/null || true; wait "$launcher" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1 && break
    sleep 0.1
done
printf 'first\nsecond\n' >"$work/read.txt"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 /usr/bin/python3 scripts/atspi-reader.py \
    "$build/columnator" "$work/read.txt"
printf 'firYst\nseXcond\n' >"$work/read.expected"
cmp -s "$work/read.expected" "$work/read.txt" ||
    { echo "e2e: the text edited through AT-SPI saved other bytes: $(od -c "$work/read.txt")" >&2; exit 1; }

#!/usr/bin/env python3
"""Checks that the layers depend downward only and that the program links no test code.

Usage: scripts/check-layers.py [BUILD_DIR]

Layers, lowest first: support, containers, textbox, window, platform. A source may include
headers of its own layer and of those below it; only platform/ may include toolkit or OS
headers; no product source includes anything of tests/. With BUILD_DIR (a Ninja build), the
programs' link lines must not hold the headless test support.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
LAYERS = ["support", "containers", "textbox", "window", "platform"]
SOURCE_SUFFIXES = {".h", ".cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Headers that bring a toolkit or the operating system's window API with them.
TOOLKIT = re.compile(r"^(Q[A-Za-z]*|windows\.h|windowsx\.h|shellapi\.h|commdlg\.h|psapi\.h)$")
PROGRAMS = ["columnator", "columnator-shot", "columnator.exe"]


def layer_of(path):
    first = path.parts[0]
    return LAYERS.index(first) if first in LAYERS else None


def include_problems():
    problems = []
    for layer in LAYERS:
        for source in sorted((ROOT / layer).rglob("*")):
            relative = source.relative_to(ROOT)
            if source.suffix not in SOURCE_SUFFIXES or {"tests", "bench"} & set(relative.parts):
                continue
            own = layer_of(relative)
            for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, header = match.groups()
                where = f"{relative}:{number}: {header}"
                if bracket == "<" and TOOLKIT.match(header) and layer != "platform":
                    problems.append(f"{where}: a toolkit header outside platform/")
                if bracket != '"' or "/" not in header:
                    continue
                target = pathlib.PurePosixPath(header)
                if target.parts[0] == "tests":
                    problems.append(f"{where}: product code includes test code")
                elif layer_of(target) is not None and layer_of(target) > own:
                    problems.append(f"{where}: {layer}/ includes a layer above it")
    return problems


def link_problems(build_dir):
    ninja = pathlib.Path(build_dir) / "build.ninja"
    if not ninja.exists():
        return [f"{ninja} does not exist"]
    problems = []
    statement = re.compile(r"^build (\S+): \S*LINKER\S*")
    for line in ninja.read_text(encoding="utf-8").splitlines():
        match = statement.match(line)
        if match and pathlib.Path(match.group(1)).name in PROGRAMS and "testsupport" in line:
            problems.append(f"{match.group(1)} links the headless test support")
    return problems


def main():
    problems = include_problems()
    if len(sys.argv) > 1:
        problems += link_problems(sys.argv[1])
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    print("layers: every include points down, and no program links test code")
    return 0


if __name__ == "__main__":
    sys.exit(main())

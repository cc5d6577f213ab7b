#!/usr/bin/python3
"""Reads the editor through AT-SPI as a screen reader does, and edits through it.

Usage: atspi-reader.py EDITOR FILE
Starts EDITOR on FILE (which holds "first\\nsecond\\n"), finds its text object on the
accessibility bus and checks: the text and the caret after arrow keys, with a caret-moved
event; the text and the caret after typing, with a text-changed event; then sets the caret
through AT-SPI, types and saves with Ctrl+S. The caller compares the saved bytes. Needs
DISPLAY and a session bus with the accessibility bus on it. Debian's own Python, for pyatspi.
"""
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

events = []


def fail(message):
    print(f"atspi-reader: {message}", file=sys.stderr)
    sys.exit(1)


def pump(seconds):
    """Lets the bus deliver events for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(what, check, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        pump(0.1)
    fail(f"timed out waiting for {what}")


def text_object(pid):
    """The editor's object with a text interface, found from its application."""
    def search(node, depth=0):
        if node is None or depth > 4:
            return None
        try:
            if node.getRole() == pyatspi.ROLE_TEXT:
                node.queryText()
                return node
            for child in node:
                found = search(child, depth + 1)
                if found:
                    return found
        except (NotImplementedError, GLib.Error):
            return None
        return None

    def found():
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid:
                    return search(app)
            except GLib.Error:
                continue
        return None

    return wait_for("the editor's text object", found, 20)


def keys(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "60", *names], check=True)


def typed(text):
    subprocess.run(["xdotool", "type", "--clearmodifiers", "--delay", "60", text], check=True)


def main():
    editor, path = sys.argv[1], sys.argv[2]
    pyatspi.Registry.registerEventListener(
        lambda event: events.append((event.type, event.detail1, event.any_data)),
        "object:text-caret-moved", "object:text-changed:insert")
    process = subprocess.Popen([editor, path])
    try:
        run(process)
    finally:
        process.terminate()
        process.wait()


def run(process):
    editor = text_object(process.pid)
    text = editor.queryText()
    window = wait_for("the editor's window", lambda: subprocess.run(
        ["xdotool", "search", "--all", "--onlyvisible", "--pid", str(process.pid),
         "--name", "^Columnator$"], capture_output=True, text=True).stdout.split())[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    pump(0.5)
    if text.getText(0, -1) != "first\nsecond\n" or text.characterCount != 13:
        fail(f"the text reads {text.getText(0, -1)!r}, {text.characterCount} characters")
    if text.caretOffset != 0:
        fail(f"the caret starts at {text.caretOffset}")

    keys("Down", "Right", "Right")  # down first: the font is proportional
    wait_for("the caret on the second line", lambda: text.caretOffset == 8)
    wait_for("a caret-moved event at 8",
             lambda: ("object:text-caret-moved", 8) in [(t, d) for t, d, _ in events])

    typed("X")
    wait_for("the typed text", lambda: text.getText(0, -1) == "first\nseXcond\n")
    wait_for("the caret after the typed text", lambda: text.caretOffset == 9)
    wait_for("a text-changed event for X", lambda: any(
        t == "object:text-changed:insert" and d == 8 and data == "X" for t, d, data in events))

    if not text.setCaretOffset(3):
        fail("the caret offset could not be set")
    wait_for("the caret where it was set", lambda: text.caretOffset == 3)
    typed("Y")
    keys("ctrl+s")
    pump(1)
    print("atspi-reader: the text, the caret and their events read as a screen reader reads them")


if __name__ == "__main__":
    os.environ.setdefault("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1")
    main()

#!/usr/bin/python3
"""Starts the window program and reads its main window through AT-SPI, as a screen reader
does: every control that can take the focus must have a name, the named controls must be
there, and the preview panel must read as text. Prints what is wrong; exit 0 when nothing is,
1 when something is, 77 when AT-SPI cannot be reached here (the test skips then)."""
import subprocess
import sys
import time

try:
    import pyatspi
except ImportError:
    print("python3-pyatspi is not installed")
    sys.exit(77)

EXPECTED = ["Drives", "Folders", "Files", "Preview", "Drop files here"]


def find_app(name, deadline):
    while time.time() < deadline:
        try:
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name == name and app.childCount > 0:
                    return app
        except Exception:
            pass
        time.sleep(0.3)
    return None


def walk(node, depth=0):
    yield node
    if depth > 40:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def main():
    program = sys.argv[1]
    proc = subprocess.Popen([program] + sys.argv[2:])
    try:
        app = find_app("wx-hollin", time.time() + 60)
        if app is None:
            if proc.poll() is not None:
                print("the program ended with", proc.returncode)
                return 1
            print("the program never showed up on the AT-SPI bus")
            return 77
        problems = []
        names = {}
        for node in walk(app):
            states = node.getState()
            role = node.getRoleName()
            if node.name:
                names[node.name] = node
            if (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)
                    and states.contains(pyatspi.STATE_ENABLED) and not node.name.strip()):
                problems.append("a focusable %s has no name" % role)
        for name in EXPECTED:
            if name not in names:
                problems.append("no control named %r (named: %s)" % (name, sorted(names)))
        preview = names.get("Preview")
        if preview is not None and "W.X.Hollin" not in (preview.description or ""):
            problems.append("the preview reads %r, not its lines" % preview.description)
        for p in problems:
            print(p)
        if not problems:
            print("ok: %d named controls" % len(names))
        return 1 if problems else 0
    finally:
        proc.terminate()
        try:
            proc.wait(20)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the dependency rule of src/: each folder includes only from folders below it in
LAYERS (and from itself), only engine/qtwebengine/ includes Qt WebEngine headers or the Qt
WebEngine implementation, and only engine/webkitgtk/ includes GTK or WebKitGTK headers or the
WebKitGTK implementation. Prints every violation; exit status 1 if there is one.

    tools/check-layers.py [SRC_DIR]
"""
import pathlib
import re
import sys

# Top to bottom. An implementation of the engine uses the engine interface below it; nothing
# else uses the implementation: the program loads it as a module (app/enginechoice.cpp).
LAYERS = [
    "app",
    "browser",
    "favorites",
    "settings",
    "source_viewer",
    "internetoptions",
    "pagetools",
    "downloads",
    "engine/qtwebengine",
    "engine/webkitgtk",
    "engine",
    "forms",
    "statusbar",
    "controls/xpcmdbutton",
    "controls/xpgroupbox",
    "controls/hosting",
    "core",
]
WEBENGINE_USERS = {"engine/qtwebengine"}
WEBKIT_USERS = {"engine/webkitgtk"}

LOCAL_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r"^\s*#\s*include\s+<(QtWebEngine\w*/)?(QWebEngine\w*|QtWebEngine\w*)", re.M)
GTK_INCLUDE = re.compile(r"^\s*#\s*include\s+<((?:gtk|gdk|webkit2?|jsc|glib|gio|gobject)/[^>]*|glib\.h|gio/gio\.h)>", re.M)


def layer_of(relative):
    """The layer a path under src/ belongs to: the longest folder of LAYERS it is in."""
    matches = [l for l in LAYERS if relative == l or relative.startswith(l + "/")]
    return max(matches, key=len) if matches else None


def violations(src):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        relative = path.relative_to(src).as_posix()
        layer = layer_of(relative)
        if layer is None:
            found.append(f"{relative}: in no known folder")
            continue
        text = path.read_text(encoding="utf-8")
        for included in LOCAL_INCLUDE.findall(text):
            if "/" not in included:
                continue  # a generated file beside the source, such as a .moc
            target = layer_of(included)
            if target is None:
                found.append(f"{relative}: includes {included}, in no known folder")
            elif target == "engine/qtwebengine" and layer not in WEBENGINE_USERS:
                found.append(f"{relative}: includes the Qt WebEngine implementation {included}")
            elif target == "engine/webkitgtk" and layer not in WEBKIT_USERS:
                found.append(f"{relative}: includes the WebKitGTK implementation {included}")
            elif LAYERS.index(target) < LAYERS.index(layer):
                found.append(f"{relative} ({layer}) includes {included} ({target}), a folder above it")
        if layer not in WEBENGINE_USERS:
            for match in SYSTEM_INCLUDE.finditer(text):
                found.append(f"{relative}: includes the Qt WebEngine header {match.group(2)}")
        if layer not in WEBKIT_USERS:
            for match in GTK_INCLUDE.finditer(text):
                found.append(f"{relative}: includes the GTK or WebKitGTK header {match.group(1)}")
    return found


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = violations(src)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

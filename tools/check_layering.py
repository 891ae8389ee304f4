#!/usr/bin/env python3
"""Checks the include rules of the source tree.

    python3 tools/check_layering.py [REPO_ROOT]

Prints every include that breaks a rule as file:line and exits 1; prints
nothing and exits 0 when the tree keeps them.

The layers, each built on the ones before it:

    devicelib                 the device library; knows nothing of the application
    app/common                helpers every layer may use
    app/spectrum              the spectrum store, conditioning, calibration axis
    app/colour                colorimetry, colour rendering, radiometry, tables
    app/files                 spectrum and calibration files
    app/acquisition  app/database
                              side by side on files: the acquisition worker and
                              session (the only core layer that talks to the
                              device), and the library search; neither includes
                              the other
    app/display               the chart and its overlays; may read the database
                              layer's results, never the acquisition layer
    app/window  app/cli       the two front ends; neither includes the other

What each folder may include (the folder itself always):

    app/common       -
    app/spectrum     common
    app/colour       common spectrum
    app/files        common spectrum colour
    app/acquisition  common spectrum colour files, the device library's public header
    app/database     common spectrum colour files
    app/display      common spectrum colour files database
    app/cli          common spectrum colour files acquisition database display,
                     the device library's public header
    app/window       common spectrum colour files acquisition database display
                     resources (command ids, the dialogs' .ui files)
    app/resources    -
    devicelib/include   - (the public C header stands alone)
    devicelib/hid       virtual (the backend chooser makes the virtual spectrometer)
    devicelib/virtual   hid (it is a backend)
    devicelib/protocol  hid
    devicelib/api       protocol hid include
    devicelib/demo      include

The application reaches the device library only through its public header
(vantrel_shared.h), never its internal folders. Qt modules: the core
(app/common .. app/database) uses QtCore only, app/display adds QtGui and
QtSvg (the chart drawn to SVG), app/cli the same (never QtWidgets),
app/window may use the widgets; the device library uses no Qt at all.
"""

import functools
import glob
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))

CORE = ["common", "spectrum", "colour", "files"]
DEVICE_HEADER = "devicelib/include"

# folder -> the folders its files may include (besides itself)
ALLOWED = {
    "app/common": [],
    "app/spectrum": ["app/common"],
    "app/colour": ["app/common", "app/spectrum"],
    "app/files": ["app/common", "app/spectrum", "app/colour"],
    "app/acquisition": ["app/" + c for c in CORE] + [DEVICE_HEADER],
    "app/database": ["app/" + c for c in CORE],
    "app/display": ["app/" + c for c in CORE] + ["app/database"],
    "app/cli": ["app/" + c for c in CORE] + ["app/acquisition", "app/database", "app/display",
                                              DEVICE_HEADER],
    "app/window": ["app/" + c for c in CORE] + ["app/acquisition", "app/database", "app/display",
                                                 "app/resources"],
    "app/resources": [],
    "devicelib/include": [],
    "devicelib/hid": ["devicelib/virtual"],
    "devicelib/virtual": ["devicelib/hid"],
    "devicelib/protocol": ["devicelib/hid"],
    "devicelib/api": ["devicelib/protocol", "devicelib/hid", DEVICE_HEADER],
    "devicelib/demo": [DEVICE_HEADER],
}

CORE_QT = {"QtCore"}
QT_MODULES = {folder: CORE_QT for folder in ALLOWED if folder.startswith("app/")}
QT_MODULES["app/display"] = {"QtCore", "QtGui", "QtSvg"}
QT_MODULES["app/cli"] = {"QtCore", "QtGui", "QtSvg"}
QT_MODULES["app/window"] = None  # any
for folder in ALLOWED:
    if folder.startswith("devicelib/"):
        QT_MODULES[folder] = set()

# Where a quoted include is looked for after the including file's own folder.
INCLUDE_ROOTS = ["app", "app/resources", "devicelib", "devicelib/include"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    """The rule folder of a path relative to ROOT, or None."""
    parts = path.split("/")
    folder = "/".join(parts[:2])
    return folder if folder in ALLOWED else None


def resolve(including, name):
    """The rule folder a quoted include names, or None for one outside the tree."""
    if re.match(r"ui_\w+\.h$", name):  # made by uic from app/resources/*.ui
        return "app/resources"
    for base in [os.path.dirname(including)] + INCLUDE_ROOTS:
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(ROOT, candidate)):
            return folder_of(candidate)
    return None


def qt_include_dirs():
    dirs = glob.glob("/usr/include/*/qt6") + glob.glob("/usr/include/qt6")
    return [d for d in dirs if os.path.isdir(os.path.join(d, "QtCore"))]


@functools.lru_cache(maxsize=None)
def qt_module(name, qt_dirs):
    """The Qt module of an angle-bracket include, or None when it is not Qt's."""
    first = name.split("/")[0]
    if "/" in name and first.startswith("Qt"):
        return first
    if not re.match(r"Q[A-Za-z]+$", name):
        return None
    for d in qt_dirs:
        for module in sorted(os.listdir(d)):
            if os.path.isfile(os.path.join(d, module, name)):
                return module
    return None


def sources():
    for top in ("app", "devicelib"):
        for dirpath, _, files in os.walk(os.path.join(ROOT, top)):
            for f in sorted(files):
                if f.endswith((".h", ".hpp", ".c", ".cpp")):
                    yield os.path.relpath(os.path.join(dirpath, f), ROOT)


def main():
    qt_dirs = tuple(qt_include_dirs())
    faults = []
    unknown = set()
    for path in sorted(sources()):
        folder = folder_of(path)
        if folder is None:
            unknown.add("/".join(path.split("/")[:2]))
            continue
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, name = m.groups()
                where = "%s:%d: " % (path, number)
                if kind == '"':
                    target = resolve(path, name)
                    if target and target != folder and target not in ALLOWED[folder]:
                        faults.append(where + "%s may not include %s (%s)" % (folder, target, name))
                    elif target is None and name.startswith(("api/", "protocol/", "hid/", "virtual/")):
                        faults.append(where + "%s may not include the device library's internals (%s)"
                                      % (folder, name))
                    continue
                allowed_qt = QT_MODULES.get(folder)
                if allowed_qt is None:
                    continue
                module = qt_module(name, qt_dirs)
                if module and module not in allowed_qt:
                    faults.append(where + "%s may not use %s (%s)" % (folder, module, name))
    for folder in sorted(unknown):
        faults.append("%s: a source folder without include rules (add it to %s)"
                      % (folder, os.path.relpath(__file__, ROOT)))
    for fault in faults:
        print(fault)
    if not qt_dirs:
        print("note: Qt 6 headers not found; the Qt module rules were not checked", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

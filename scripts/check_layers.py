#!/usr/bin/env python3
"""Checks that every #include in src/ runs down the layers, never up or sideways.

Usage: scripts/check_layers.py [SOURCE_DIR]

The folders under src/ are the layers, from the top down (see the README's layout table). A file
may include headers of its own folder and of the folders below it. The folders below the line
never use Qt, and each folder's libraries carry its name. Exits 1 and names each offending include
or library.
"""

import pathlib
import re
import sys

# From the top down. Folders that don't exist yet keep their place, so their first files are
# checked as soon as they come.
LAYERS = [
    "app",
    "dialogs",
    "widgets",
    "platform",
    "qtbridge",
    "cli",
    "pictures",
    "print",
    # ---- below: no Qt ----
    "session",
    "results",
    "banks",
    "packages",
    "generator",
    "imaging",
    "document",
    "common",
]
FIRST_QT_FREE = LAYERS.index("session")

OWN_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r"^\s*#\s*include\s*<([^>]+)>")
QT_HEADER = re.compile(r"^Q[A-Za-z]*(/|$)|^Qt[A-Za-z]*/")
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def problems(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        relative = path.relative_to(src)
        layer = relative.parts[0]
        if layer not in LAYERS:
            yield f"{relative}: the folder {layer}/ is not a layer"
            continue
        rank = LAYERS.index(layer)
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, start=1):
            where = f"src/{relative}:{number}"
            own = OWN_INCLUDE.match(line)
            if own:
                target = own.group(1)
                target_layer = target.split("/")[0] if "/" in target else layer
                if target_layer not in LAYERS:
                    yield f'{where}: "{target}" is in no layer'
                elif LAYERS.index(target_layer) < rank:
                    yield (f'{where}: {layer}/ includes "{target}" from {target_layer}/, '
                           f"a layer above it")
                continue
            system = SYSTEM_INCLUDE.match(line)
            if system and rank >= FIRST_QT_FREE and QT_HEADER.match(system.group(1)):
                yield f"{where}: {layer}/ is Qt-free but includes <{system.group(1)}>"


LIBRARY = re.compile(r"add_library\(\s*(\S+)")


def misnamed_targets(src: pathlib.Path):
    """Each folder's libraries are named after it: tamberlin_<folder>, or tamberlin_<folder>_..."""
    for cmake in sorted(src.glob("*/CMakeLists.txt")):
        layer = cmake.parent.name
        for name in LIBRARY.findall(cmake.read_text(encoding="utf-8")):
            if name != f"tamberlin_{layer}" and not name.startswith(f"tamberlin_{layer}_"):
                yield f"src/{layer}/CMakeLists.txt: the library {name} is not named after {layer}/"


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                        pathlib.Path(__file__).resolve().parent.parent)
    found = list(problems(root / "src")) + list(misnamed_targets(root / "src"))
    for problem in found:
        print(problem)
    if found:
        print(f"{len(found)} include(s) against the layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

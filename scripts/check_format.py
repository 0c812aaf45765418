#!/usr/bin/env python3
"""Checks that the C++ sources are formatted as .clang-format says.

Usage: scripts/check_format.py [SOURCE_DIR]

Runs clang-format (Debian 12's, version 14: other versions format some lines differently) over
every .cpp and .h file in src/, tests/, fuzz/ and bench/, leaving out the test data (fixtures
written to be read, not built). Exits 1 and names each file that clang-format would change, with
the first lines of the difference; `clang-format -i FILE` fixes one. Exits 77 (skipped) when
clang-format is missing.
"""

import difflib
import pathlib
import shutil
import subprocess
import sys

FOLDERS = ["src", "tests", "fuzz", "bench"]
SUFFIXES = {".cpp", ".h"}
LEFT_OUT = [pathlib.PurePosixPath("tests/data")]


def sources(root: pathlib.Path):
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            relative = pathlib.PurePosixPath(path.relative_to(root).as_posix())
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            if any(relative.is_relative_to(out) for out in LEFT_OUT):
                continue
            yield path, relative


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                        pathlib.Path(__file__).resolve().parent.parent)
    tool = shutil.which("clang-format")
    if tool is None:
        print("SKIP: clang-format is missing (scripts/deps.sh test installs it)")
        return 77
    # The project's style, also when the check runs over another tree (its own test does).
    style = pathlib.Path(__file__).resolve().parent.parent / ".clang-format"
    differing = []
    for path, relative in sources(root):
        text = path.read_text(encoding="utf-8")
        formatted = subprocess.run([tool, f"--style=file:{style}", f"--assume-filename={path}"],
                                   input=text, capture_output=True, text=True, check=True,
                                   timeout=60).stdout
        if formatted != text:
            differing.append(relative)
            diff = difflib.unified_diff(text.splitlines(), formatted.splitlines(),
                                        f"{relative}", f"{relative} (formatted)", lineterm="", n=0)
            print("\n".join(list(diff)[:12]))
    if differing:
        print(f"{len(differing)} file(s) not clang-format clean: "
              + " ".join(str(d) for d in differing), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

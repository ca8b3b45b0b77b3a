#!/usr/bin/env python3
"""Fails when a source file includes a library above its own.

Each folder below is one library; a file may include its own library and the
libraries its library depends on, directly or through others. Tests may
include what the library they test may, plus the shared test support.
"""
import pathlib
import re
import sys

# library: the libraries it uses directly
LAYERS = {
    "core/base": [],
    "core/object": ["core/base"],
    "core/xml": ["core/base"],
    "core/packs": ["core/base"],
    "core/storage": ["core/object", "core/xml", "core/packs"],
    "core/lang": ["core/storage"],
    "core/persist": ["core/lang"],
    "core": ["core/persist"],
    "platform": ["core/base"],
    "engine/surface": ["core"],
    "engine/interfaces": ["engine/surface"],
    "engine/resources": ["engine/interfaces"],
    "engine/audio": ["engine/resources", "platform"],
    "engine": ["engine/audio", "platform"],
    "functions": ["engine"],
    "widgets": ["functions"],
    "effects": ["widgets"],
    "game": ["effects"],
    "nonogram/solver": ["core/storage"],
    "nonogram": ["game", "nonogram/solver"],
    "world": ["nonogram"],
    "minigames": ["world"],
    "tools/check": ["minigames"],
    "tools": ["core/storage", "nonogram/solver"],
    "fuzz": ["core/xml"],
}
# Programs that may use every library.
TOP = ("app", "bench", "tests/support")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def library_of(path):
    """The longest library folder that holds path, or None."""
    best = None
    for lib in LAYERS:
        if path == lib or path.startswith(lib + "/"):
            if best is None or len(lib) > len(best):
                best = lib
    return best


def closure(lib):
    seen, todo = set(), [lib]
    while todo:
        cur = todo.pop()
        if cur in seen:
            continue
        seen.add(cur)
        todo.extend(LAYERS[cur])
    return seen


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    failures = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".cpp") or "build" in file.relative_to(root).parts[:1]:
            continue
        rel = file.relative_to(root).as_posix()
        if rel.startswith(TOP) or rel.startswith(".") :
            continue
        tested = rel[len("tests/"):] if rel.startswith("tests/") else rel
        lib = library_of(tested)
        if lib is None:
            continue
        allowed = closure(lib)
        for target in INCLUDE.findall(file.read_text(errors="replace")):
            if target.startswith("tests/support/"):
                if rel.startswith("tests/"):
                    continue
            if target.startswith("tests/"):
                if rel.startswith("tests/") and library_of(target[len("tests/"):]) in allowed:
                    continue
                failures.append(f"{rel}: includes {target}, a test file of another library")
                continue
            target_lib = library_of(target)
            if target_lib is not None and target_lib not in allowed:
                failures.append(f"{rel}: includes {target} ({target_lib} is above {lib})")
    for line in failures:
        print(line, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

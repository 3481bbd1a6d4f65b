#!/usr/bin/env python3
"""Fails when a source file includes a header of a room it may not use.

Usage: check_layers.py SOURCE_ROOT STAMP ROOM...
Each ROOM is NAME=DIR[,DIR...]:USES[,USES...] where DIRs are folders under
SOURCE_ROOT (the deepest matching folder names a file's room) and USES names
the rooms it may include besides its own.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def parse_rooms(specs):
    rooms, folders = {}, {}
    for spec in specs:
        name, rest = spec.split("=", 1)
        dirs, _, uses = rest.partition(":")
        rooms[name] = {use for use in uses.split(",") if use}
        for folder in dirs.split(","):
            folders[folder] = name
    return rooms, folders


def room_of(path, folders):
    """The room of the deepest folder that contains `path` (relative, posix)."""
    best = None
    for folder, name in folders.items():
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best[0])):
            best = (folder, name)
    return best[1] if best else None


def main():
    source_root = pathlib.Path(sys.argv[1])
    stamp = pathlib.Path(sys.argv[2])
    rooms, folders = parse_rooms(sys.argv[3:])
    problems = []
    for file in sorted(source_root.rglob("*")):
        if file.suffix not in (".h", ".cpp"):
            continue
        relative = file.relative_to(source_root).as_posix()
        own = room_of(relative, folders)
        if own is None:
            continue
        for header in INCLUDE.findall(file.read_text(encoding="utf-8")):
            used = room_of(header, folders)
            if used is None or used == own or used in rooms[own]:
                continue
            problems.append(f"{relative}: the {own} room may not include {header} ({used})")
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1
    stamp.write_text("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())

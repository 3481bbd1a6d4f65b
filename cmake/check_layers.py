#!/usr/bin/env python3
"""Fails when a source file includes a header of a room it may not use.

Usage: check_layers.py SOURCE_ROOT STAMP ROOM...
Each ROOM is NAME=DIR[,DIR...]:USES[,USES...][:KEPT[,KEPT...]] where DIRs are
folders under SOURCE_ROOT (the deepest matching folder names a file's room),
USES names the rooms it may include besides its own, and KEPT are the
beginnings of the system headers of libraries the room keeps to itself (its
private link keeps them off no one's include path: they sit in /usr/include).
"""
import pathlib
import re
import sys

# Both forms: a project header named in angle brackets reaches its room just
# as well (the rooms' folder is on every target's include path).
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)', re.MULTILINE)


def parse_rooms(specs):
    rooms, folders, kept = {}, {}, {}
    for spec in specs:
        name, rest = spec.split("=", 1)
        dirs, uses, headers = (rest.split(":") + [""])[:3]
        rooms[name] = {use for use in uses.split(",") if use}
        for folder in dirs.split(","):
            folders[folder] = name
        for header in headers.split(","):
            if header:
                kept[header] = name
    return rooms, folders, kept


def room_of(path, folders):
    """The room of the deepest folder that contains `path` (relative, posix)."""
    best = None
    for folder, name in folders.items():
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best[0])):
            best = (folder, name)
    return best[1] if best else None


def included_headers(text, source_root):
    """The headers `text` includes, each with whether it is the project's: the
    quoted ones and those in angle brackets that exist under `source_root`."""
    for quoted, angled in INCLUDE.findall(text):
        if quoted:
            yield quoted, True
        else:
            yield angled, (source_root / angled).is_file()


def keeper_of(header, kept):
    """The room that keeps the library `header` belongs to, if any."""
    return next((room for start, room in kept.items() if header.startswith(start)), None)


def main():
    source_root = pathlib.Path(sys.argv[1])
    stamp = pathlib.Path(sys.argv[2])
    rooms, folders, kept = parse_rooms(sys.argv[3:])
    problems = []
    for file in sorted(source_root.rglob("*")):
        if file.suffix not in (".h", ".cpp"):
            continue
        relative = file.relative_to(source_root).as_posix()
        own = room_of(relative, folders)
        if own is None:
            continue
        for header, project in included_headers(file.read_text(encoding="utf-8"), source_root):
            if not project:
                keeper = keeper_of(header, kept)
                if keeper not in (None, own):
                    problems.append(f"{relative}: the {own} room may not include {header} (kept by {keeper})")
                continue
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

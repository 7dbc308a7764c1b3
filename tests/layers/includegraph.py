#!/usr/bin/env python3
"""Checks that the include graph of the station and the image button runs one way.

A unit is a header with its source and its private header (frmmain.h and frmmain.cpp are
one unit, so are torvelimagebutton.h and torvelimagebutton_p.h), a folder is
the unit's area (remote/link, remote/controls/progressbar, torvelbutton/model, ...). No two
units may reach each other through their includes, and no two folders either: then every
include runs from a higher layer to a lower one. Prints each cycle and exits 1 if any.
"""
import collections
import pathlib
import re
import sys

ROOTS = ("common", "remote", "torvelbutton")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit_of(rel):
    unit = str(pathlib.PurePosixPath(rel).with_suffix(""))
    return unit[:-2] if unit.endswith("_p") else unit


def folder_of(rel):
    parts = pathlib.PurePosixPath(rel).parts
    depth = 3 if parts[:2] == ("remote", "controls") else 2
    return "/".join(parts[: min(depth, len(parts) - 1)]) or parts[0]


def strongly_connected(graph):
    """Tarjan's algorithm, iterative; components of more than one node."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in list(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph[child]))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main(source_dir):
    root = pathlib.Path(source_dir).resolve()
    files = {}
    for top in ROOTS:
        for path in (root / top).rglob("*"):
            if path.suffix in (".h", ".cpp") and path.is_file():
                files[path.relative_to(root).as_posix()] = path
    units = collections.defaultdict(set)
    folders = collections.defaultdict(set)
    why = collections.defaultdict(list)  # (from folder, to folder) -> includes
    for rel, path in files.items():
        units[unit_of(rel)]
        folders[folder_of(rel)]
        for name in INCLUDE.findall(path.read_text(errors="replace")):
            local = (path.parent / name).resolve()
            if local.is_file() and local.is_relative_to(root):
                target = local.relative_to(root).as_posix()
            elif name in files:
                target = name
            else:
                continue
            if target not in files:
                continue
            if unit_of(target) != unit_of(rel):
                units[unit_of(rel)].add(unit_of(target))
            if folder_of(target) != folder_of(rel):
                folders[folder_of(rel)].add(folder_of(target))
                why[(folder_of(rel), folder_of(target))].append(f"{rel} -> {target}")
    problems = 0
    for component in strongly_connected(units):
        problems += 1
        print("units that include each other:", ", ".join(component))
    for component in strongly_connected(folders):
        problems += 1
        print("folders that include each other:", ", ".join(component))
        for a in component:
            for b in component:
                for line in why.get((a, b), []):
                    print("   ", line)
    if problems:
        return 1
    print(f"{len(units)} units in {len(folders)} folders, every include runs one way")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))

#!/usr/bin/env python3
"""Checks the engine's include graph against its floors.

The engine is built in floors, bottom to top:
  format -> job -> storage, salvage, scan, office -> fast, rebuild -> run
A file may include files of its own floor and of the floors below it, never of a floor
above, and nothing under engine/ may include automation/, app/ or cli/.

Prints every include that breaks the rule and exits 1 when there is one; with --counts,
prints how many includes run between the folders.
"""
import argparse
import collections
import os
import re
import sys

FLOORS = {
    "format": 0,
    "job": 1,
    "storage": 2,
    "salvage": 2,
    "scan": 2,
    "office": 2,
    "fast": 3,
    "rebuild": 3,
    "run": 4,
}
OUTSIDE = ("automation/", "app/", "cli/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    parts = path.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "engine" else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", nargs="?", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--counts", action="store_true", help="print include counts per pair")
    args = parser.parse_args()
    root = os.path.abspath(args.root)

    violations = []
    counts = collections.Counter()
    for directory, _, names in os.walk(os.path.join(root, "engine")):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".inc")):
                continue
            path = os.path.relpath(os.path.join(directory, name), root)
            source = folder_of(path)
            if source not in FLOORS:
                violations.append(f"{path}: folder engine/{source} has no floor")
                continue
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for target_path in INCLUDE.findall(text):
                if target_path.startswith(OUTSIDE):
                    violations.append(f"{path} -> {target_path}: the engine includes a front end or backend")
                    continue
                target = folder_of(target_path)
                if target is None:
                    continue
                if target != source:
                    counts[(source, target)] += 1
                if target not in FLOORS:
                    violations.append(f"{path} -> {target_path}: unknown folder engine/{target}")
                elif FLOORS[target] > FLOORS[source]:
                    violations.append(
                        f"{path} -> {target_path}: engine/{source} (floor {FLOORS[source]}) "
                        f"includes engine/{target} (floor {FLOORS[target]})")

    if args.counts:
        for (a, b), n in sorted(counts.items()):
            print(f"{a:8} -> {b:8} {n}")
    for v in violations:
        print(v)
    if violations:
        print(f"{len(violations)} include(s) against the floors", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

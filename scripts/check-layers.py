#!/usr/bin/env python3
"""Checks the include graph of the sources against the layers of the build.

    scripts/check-layers.py [SRC]      (default: the src folder beside this script's folder)

Every folder of SRC named in LAYERS is a layer; a file may include headers of its own layer and of the layers
below it (those its CMake target links), never of a layer above it or beside it. Inside a layer, a header and
the source of the same name are one unit, and the units' includes must not form a circle. Each finding is one
line on stdout; the exit code is 1 when there is any, 2 on bad usage. docs/ARCHITECTURE.md explains the order.
"""

import os
import re
import sys

# Each layer and the layers right below it; what a layer may include is the closure of this relation.
LAYERS = {
    "common": [],
    "icon": ["common"],
    "library": ["icon"],
    "cli": ["library"],
    "thumbnailer": ["library"],
    "svgworker": ["icon"],
    "tools": ["icon"],
    "gui/tools": [],
    "gui/common": ["library"],
    "gui/batch": ["gui/common"],
    "gui/ui": ["gui/batch"],
    "gui/app": ["gui/ui"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*["<]([^">]+)[">]')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def allowed_layers(layer):
    seen, todo = {layer}, [layer]
    while todo:
        for below in LAYERS[todo.pop()]:
            if below not in seen:
                seen.add(below)
                todo.append(below)
    return seen


def layer_of(rel_path):
    """The deepest layer folder holding rel_path (a path relative to SRC with "/"), or None."""
    folder = os.path.dirname(rel_path)
    while folder:
        if folder in LAYERS:
            return folder
        folder = os.path.dirname(folder)
    return None


def unit_of(rel_path):
    return os.path.splitext(rel_path)[0]


def includes_of(src, rel_path):
    """The includes of a file that name files under SRC, as (line number, path relative to SRC)."""
    found = []
    here = os.path.dirname(rel_path)
    with open(os.path.join(src, rel_path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            for candidate in (m.group(1), os.path.join(here, m.group(1))):
                candidate = os.path.normpath(candidate).replace(os.sep, "/")
                if not candidate.startswith("../") and os.path.isfile(os.path.join(src, candidate)):
                    found.append((number, candidate))
                    break
    return found


def circles(graph):
    """The strongly connected components of more than one unit (Tarjan's algorithm, iterative)."""
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            nxt = next(edges, None)
            if nxt is not None:
                if nxt not in index:
                    index[nxt] = low[nxt] = len(index)
                    stack.append(nxt)
                    on_stack.add(nxt)
                    work.append((nxt, iter(sorted(graph.get(nxt, {})))))
                elif nxt in on_stack:
                    low[node] = min(low[node], index[nxt])
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
                    result.append(sorted(component))
    return sorted(result)


def shortest_circle(graph, component):
    """The edges of a shortest circle through the first unit of a component, found breadth first."""
    start, members = component[0], set(component)
    came_from, todo = {}, [start]
    while todo:
        node = todo.pop(0)
        for nxt in sorted(graph[node]):
            if nxt not in members or nxt in came_from:
                continue
            came_from[nxt] = node
            if nxt == start:
                edges, at = [], start
                while True:
                    edges.append((came_from[at], at))
                    at = came_from[at]
                    if at == start:
                        return edges[::-1]
            todo.append(nxt)
    return []


def check(src):
    findings = []
    graph = {}
    for root, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.relpath(os.path.join(root, name), src).replace(os.sep, "/")
            layer = layer_of(rel)
            if layer is None:
                continue
            unit = unit_of(rel)
            graph.setdefault(unit, {})
            allowed = allowed_layers(layer)
            for number, target in includes_of(src, rel):
                target_layer = layer_of(target)
                if target_layer is None:
                    continue
                if target_layer not in allowed:
                    findings.append(f"{rel}:{number}: layer {layer} includes {target} of layer {target_layer}")
                elif target_layer == layer and unit_of(target) != unit:
                    graph[unit].setdefault(unit_of(target), f"{rel}:{number} includes {target}")
    for component in circles(graph):
        steps = "; ".join(graph[a][b] for a, b in shortest_circle(graph, component))
        findings.append(f"circle of includes among {', '.join(component)}: {steps}")
    return findings


def main(argv):
    if len(argv) > 2:
        print("usage: check-layers.py [SRC]", file=sys.stderr)
        return 2
    src = argv[1] if len(argv) == 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    if not os.path.isdir(src):
        print(f"check-layers.py: {src} is not a folder", file=sys.stderr)
        return 2
    findings = check(src)
    for line in findings:
        print(line)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

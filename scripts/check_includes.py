#!/usr/bin/env python3
"""The include graph of src/ and the rules it must keep:
  - core/ includes nothing of gui/, cli/ or Qt: calls go from the desktop into core only;
  - no circle among the components of core/ (a component is X.h with X.cpp), which covers
    core/reports, and none between the layers.
With --dot it prints the component graph in Graphviz form instead. Exit code 1 on a breach."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^">]+)[">]', re.M)
LAYERS = ("core", "gui", "cli")


def component(path):
    """src-relative file path to its component: 'core/reports/Report'."""
    return os.path.splitext(path)[0]


def read_graph():
    edges = {}  # component -> {component: "file:line"}
    qt = []     # (file, line, header) Qt headers seen in core
    for dirpath, _, files in os.walk(SRC):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(dirpath, name)
            rel = os.path.relpath(full, SRC).replace(os.sep, "/")
            text = open(full, encoding="utf-8", errors="replace").read()
            source = component(rel)
            edges.setdefault(source, {})
            for match in INCLUDE.finditer(text):
                line = text.count("\n", 0, match.start()) + 1
                kind, header = match.groups()
                if kind == "<":
                    if rel.startswith("core/") and header.startswith("Q"):
                        qt.append((rel, line, header))
                    continue
                if header.split("/")[0] not in LAYERS:
                    continue  # generated forms (ui_X.h) and the like
                target = component(header)
                if target != source:
                    edges[source].setdefault(target, f"{rel}:{line}")
    return edges, qt


def find_cycles(edges, within):
    """Every circle among the components that `within` accepts (Tarjan's strongly connected
    components of more than one member)."""
    nodes = [n for n in edges if within(n)]
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in edges.get(v, {}):
            if not within(w):
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                out.append(sorted(group))

    sys.setrecursionlimit(10000)
    for n in sorted(nodes):
        if n not in index:
            visit(n)
    return out


def main():
    edges, qt = read_graph()
    if "--dot" in sys.argv:
        print("digraph includes {")
        for source in sorted(edges):
            for target in sorted(edges[source]):
                print(f'  "{source}" -> "{target}";')
        print("}")
        return 0
    problems = []
    for source, targets in sorted(edges.items()):
        if not source.startswith("core/"):
            continue
        for target, where in sorted(targets.items()):
            if not target.startswith("core/"):
                problems.append(f"{where}: core includes {target}.h")
    for rel, line, header in qt:
        problems.append(f"{rel}:{line}: core includes <{header}>")
    layer = {}
    for source, targets in edges.items():
        for target in targets:
            a, b = source.split("/")[0], target.split("/")[0]
            if a != b:
                layer.setdefault(a, set()).add(b)
    for a, targets in layer.items():
        for b in targets:
            if a in layer.get(b, set()) and a < b:
                problems.append(f"the layers {a}/ and {b}/ include each other")
    for group in find_cycles(edges, lambda n: n.startswith("core/")):
        chain = []
        for a in group:
            for b in group:
                if b in edges.get(a, {}):
                    chain.append(f"{a} -> {b} ({edges[a][b]})")
        problems.append("include circle in core: " + "; ".join(chain))
    for problem in problems:
        print(problem)
    count = sum(len(t) for t in edges.values())
    print(f"{len(edges)} components, {count} includes between them, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fails when the modules of a source folder include each other in a cycle.

A module is a .h file together with the .cpp file of the same name. Module A depends on module B
when A's header or source includes B's header. The strongly connected components of that graph
with more than one module (or a module including itself) are cycles; each is printed with the
include lines that close it.

    include_cycles.py FOLDER [--prefix assembler/] [--graph]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def modules_of(folder, prefix):
    mods = {}
    for name in sorted(os.listdir(folder)):
        stem, ext = os.path.splitext(name)
        if ext not in (".h", ".cpp"):
            continue
        mods.setdefault(stem, []).append(os.path.join(folder, name))
    edges = {m: {} for m in mods}
    for m, files in mods.items():
        for path in files:
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for inc in INCLUDE.findall(text):
                if inc.startswith(prefix):
                    inc = inc[len(prefix):]
                elif "/" in inc:
                    continue
                stem, ext = os.path.splitext(inc)
                if ext == ".h" and stem in mods and stem != m:
                    edges[m].setdefault(stem, os.path.basename(path))
    return edges


def strongly_connected(edges):
    index, low, on_stack, stack, out = {}, {}, set(), [], []
    counter = [0]

    def visit(v):
        # iterative Tarjan: the folder is small, but recursion limits are not worth the risk
        work = [(v, iter(sorted(edges[v])))]
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        while work:
            node, it = work[-1]
            advanced = False
            for w in it:
                if w not in index:
                    index[w] = low[w] = counter[0]
                    counter[0] += 1
                    stack.append(w)
                    on_stack.add(w)
                    work.append((w, iter(sorted(edges[w]))))
                    advanced = True
                    break
                if w in on_stack:
                    low[node] = min(low[node], index[w])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                comp = []
                while True:
                    w = stack.pop()
                    on_stack.discard(w)
                    comp.append(w)
                    if w == node:
                        break
                out.append(sorted(comp))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return out


def layers(edges):
    """Depth of each module over an acyclic graph: 0 for modules that include none of the others."""
    depth = {}

    def d(m):
        if m not in depth:
            depth[m] = 0
            depth[m] = 1 + max((d(n) for n in edges[m]), default=-1)
        return depth[m]

    for m in edges:
        d(m)
    return depth


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    prefix = ""
    for a in argv[1:]:
        if a.startswith("--prefix="):
            prefix = a.split("=", 1)[1]
    folder = args[0]
    if not prefix:
        prefix = os.path.basename(os.path.normpath(folder)) + "/"
    edges = modules_of(folder, prefix)
    cycles = [c for c in strongly_connected(edges) if len(c) > 1]
    if cycles:
        for c in cycles:
            print(f"include cycle of {len(c)} modules:")
            members = set(c)
            for m in c:
                for n, via in sorted(edges[m].items()):
                    if n in members:
                        print(f"  {via} includes {n}.h")
        return 1
    if "--graph" in argv:
        depth = layers(edges)
        for level in sorted(set(depth.values())):
            print(level, " ".join(sorted(m for m in depth if depth[m] == level)))
    print(f"{len(edges)} modules, no include cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

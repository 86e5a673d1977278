#!/usr/bin/env python3
"""Checks every quoted #include against the allowed-dependency table.

Usage: check-layering.py [ROOT]. Prints one line per include that goes
against tools/layering.txt, and the cycles in the table itself (two folders
that may include from each other are one layer in two names), and exits 1
when there is any; exits 0 silently otherwise. `*` in the table stands for
every product folder.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_ENDINGS = ('.h', '.hpp', '.cpp', '.cc', '.inl')
SKIP_DIRS = {'.git', 'build'}


def read_table(path):
    table = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            if ':' not in line:
                sys.exit(f'{path}:{number}: expected "folder: allowed folders"')
            folder, allowed = line.split(':', 1)
            table[folder.strip()] = allowed.split()
    return table


def owner(path, folders):
    """The longest table folder that contains `path`, or None."""
    best = None
    for folder in folders:
        if path == folder or path.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def cycles(table, product):
    """The cycles among the table's arrows as lists of folders, one for each
    arrow back into the current path of a depth-first walk: none exactly
    when the table is a stack of layers."""
    arrows = {}
    for folder, allowed in table.items():
        targets = set()
        for entry in allowed:
            targets.update(product if entry == '*' else [entry])
        targets.discard(folder)
        arrows[folder] = sorted(t for t in targets if t in table)
    found = []
    state = {}  # folder -> 'open' while on the current path, 'done' after

    def visit(folder, path):
        state[folder] = 'open'
        path.append(folder)
        for target in arrows[folder]:
            if state.get(target) == 'open':
                found.append(path[path.index(target):] + [target])
            elif target not in state:
                visit(target, path)
        path.pop()
        state[folder] = 'done'

    for folder in table:
        if folder not in state:
            visit(folder, [])
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..'))
    table = read_table(os.path.join(root, 'tools', 'layering.txt'))
    product = [f for f in table if f not in ('tests', 'bench')]
    problems = [f'tools/layering.txt: a cycle: {" -> ".join(c)}' for c in cycles(table, product)]
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = sorted(d for d in dirnames if d not in SKIP_DIRS and not d.startswith('.'))
        for name in sorted(filenames):
            if not name.endswith(SOURCE_ENDINGS):
                continue
            full = os.path.join(dirpath, name)
            rel = os.path.relpath(full, root)
            if '/' not in rel:
                continue
            mine = owner(rel, table)
            if mine is None:
                problems.append(f'{rel}: its folder is not in tools/layering.txt')
                continue
            allowed = set()
            for entry in table[mine]:
                allowed.update(product if entry == '*' else [entry])
            with open(full, encoding='utf-8', errors='replace') as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or '/' not in m.group(1):
                        continue  # a header beside the file, or a generated one
                    target = owner(m.group(1), table)
                    if target is None:
                        top = m.group(1).split('/', 1)[0]
                        if os.path.isdir(os.path.join(root, top)):
                            problems.append(f'{rel}:{number}: includes "{m.group(1)}" from a folder not in the table')
                        continue
                    if target != mine and target not in allowed:
                        problems.append(f'{rel}:{number}: {mine} may not include from {target} ("{m.group(1)}")')
    for p in problems:
        print(p)
    if problems:
        print(f'{len(problems)} problem(s) with the layering in tools/layering.txt')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())

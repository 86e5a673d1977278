#!/usr/bin/env python3
"""The layering check on small made-up trees: what it reports and when it
passes. Run as `check_layering_test.py CHECKER`."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = None


def make_tree(root, table, files):
    os.makedirs(os.path.join(root, 'tools'))
    with open(os.path.join(root, 'tools', 'layering.txt'), 'w', encoding='utf-8') as f:
        f.write(table)
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'w', encoding='utf-8') as f:
            f.write(text)


def run(table, files):
    with tempfile.TemporaryDirectory() as root:
        make_tree(root, table, files)
        done = subprocess.run([sys.executable, CHECKER, root], capture_output=True, text=True, timeout=60)
        return done.returncode, done.stdout.splitlines()


class TableCycles(unittest.TestCase):
    def test_two_rows_naming_each_other_are_a_cycle(self):
        code, lines = run('low: high\nhigh: low\n', {})
        self.assertEqual(code, 1)
        cycles = [line for line in lines if 'a cycle' in line]
        self.assertEqual(len(cycles), 1)
        self.assertIn('low', cycles[0])
        self.assertIn('high', cycles[0])

    def test_a_long_cycle_is_reported_with_every_folder_on_it(self):
        code, lines = run('a: c\nb: a\nc: b\nd: a b c\n', {})
        self.assertEqual(code, 1)
        cycles = [line for line in lines if 'a cycle' in line]
        self.assertEqual(len(cycles), 1)
        ring = cycles[0].split(': a cycle: ')[1].split(' -> ')
        self.assertEqual(ring[0], ring[-1])
        self.assertEqual(sorted(ring[:-1]), ['a', 'b', 'c'])

    def test_a_row_naming_itself_and_a_star_row_are_no_cycle(self):
        code, lines = run('low:\nhigh: low high\ntesting: *\ntests: * testing tests\n', {})
        self.assertEqual((code, lines), (0, []))


class Includes(unittest.TestCase):
    TABLE = 'low:\nlow/sub: low\nhigh: low/sub low\nother: low\n'

    def test_an_include_upwards_is_reported_with_its_line(self):
        code, lines = run(self.TABLE, {'low/a.h': '#pragma once\n#include "high/b.h"\n', 'high/b.h': ''})
        self.assertEqual(code, 1)
        self.assertTrue(any(line.startswith('low/a.h:2:') and 'high' in line for line in lines), lines)

    def test_a_sub_folder_is_a_layer_of_its_own(self):
        # Its row, not its parent's, says what it may use; and naming the
        # parent admits nothing from the sub-folder.
        files = {'low/a.h': '#include "low/sub/b.h"\n', 'low/sub/b.h': '#include "low/a.h"\n',
                 'low/sub/c.h': '#include "high/d.h"\n', 'high/d.h': '#include "low/sub/b.h"\n',
                 'other/e.h': '#include "low/sub/b.h"\n'}
        code, lines = run(self.TABLE, files)
        self.assertEqual(code, 1)
        reported = sorted(line.split(':')[0] for line in lines if not line[0].isdigit())
        self.assertEqual(reported, ['low/a.h', 'low/sub/c.h', 'other/e.h'])

    def test_a_tree_within_its_table_passes_silently(self):
        files = {'low/a.h': '#include <vector>\n#include "beside.h"\n', 'low/sub/b.h': '#include "low/a.h"\n',
                 'high/c.cpp': '#include "low/sub/b.h"\n#include "low/a.h"\n'}
        self.assertEqual(run(self.TABLE, files), (0, []))


if __name__ == '__main__':
    CHECKER = os.path.abspath(sys.argv.pop(1))
    unittest.main()

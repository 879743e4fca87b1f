#!/usr/bin/python3
"""Every command of the README's shell examples runs as printed.

Reads the ```sh blocks of README.md and runs each fieldcast-map command in a scratch folder
where `data` is the tree's data folder, with the CSV files the README shows in its ```csv
blocks; `make map` and `make viewer` run the fieldcast-map command of their Makefile recipe.
Each must end with status 0 and print no warning (the README's frequencies lie inside the
bands of the data sets they use). A command of another kind must be one that `make test`
itself runs, so an example added to the README cannot go untested.

usage: readme_examples_test.py --source DIR --map-exe EXE
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None
# what `make test` runs by itself: its own build and tests, the build of the core alone
RUN_BY_MAKE_TEST = {'make run', 'make test',
                    'cmake -S . -B build/core -DFIELDCAST_TOOLS=OFF && cmake --build build/core'}


def blocks(text, language):
    """(the lines before, the lines) of each fenced block of `language`."""
    found = []
    lines = text.split('\n')
    i = 0
    while i < len(lines):
        if lines[i].strip() == '```' + language:
            end = lines.index('```', i + 1)
            found.append((lines[max(0, i - 3):i], lines[i + 1:end]))
            i = end
        i += 1
    return found


def commands(lines):
    """The commands of a shell block: continuations joined, comments dropped."""
    joined = []
    current = ''
    for line in lines:
        line = re.sub(r'\s+#.*$', '', line) if not line.lstrip().startswith('#') else ''
        if line.endswith('\\'):
            current += line[:-1] + ' '
            continue
        current += line
        if current.strip():
            joined.append(' '.join(current.split()))
        current = ''
    return joined


def recipe_command(makefile, target):
    """The fieldcast-map command of a Makefile target's recipe."""
    text = makefile.replace('\\\n', ' ')
    recipe = re.search(r'^' + target + r':.*\n((?:\t.*\n)+)', text, re.M)
    for line in recipe.group(1).split('\n'):
        if 'fieldcast-map' in line:
            return ' '.join(line.split())
    raise AssertionError('no fieldcast-map command in the recipe of ' + target)


class ReadmeExamples(unittest.TestCase):
    def test_every_example_runs_as_printed(self):
        with open(os.path.join(ARGS.source, 'README.md'), encoding='utf-8') as f:
            readme = f.read()
        with open(os.path.join(ARGS.source, 'Makefile'), encoding='utf-8') as f:
            makefile = f.read()
        work = tempfile.mkdtemp(prefix='readme-examples-')
        try:
            os.symlink(os.path.join(ARGS.source, 'data'), os.path.join(work, 'data'))
            for before, lines in blocks(readme, 'csv'):
                name = re.search(r'`([\w.-]+\.csv)`', ' '.join(before)).group(1)
                with open(os.path.join(work, name), 'w', encoding='utf-8') as out:
                    out.write('\n'.join(lines) + '\n')
            ran = 0
            for _, lines in blocks(readme, 'sh'):
                for command in commands(lines):
                    if command in RUN_BY_MAKE_TEST:
                        continue
                    if command.startswith('make '):
                        command = recipe_command(makefile, command.split()[1])
                    words = shlex.split(command)
                    self.assertTrue(words[0].endswith('fieldcast-map'),
                                    'an example no test runs: ' + command)
                    result = subprocess.run([ARGS.map_exe] + words[1:], cwd=work,
                                            capture_output=True, text=True, check=False)
                    self.assertEqual(result.returncode, 0, command + '\n' + result.stderr)
                    # neither ours nor gmt's ("[WARNING]")
                    self.assertNotIn('warning', result.stderr.lower(), command)
                    ran += 1
            self.assertGreaterEqual(ran, 10)
        finally:
            shutil.rmtree(work, ignore_errors=True)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--source', required=True)
    parser.add_argument('--map-exe', required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()

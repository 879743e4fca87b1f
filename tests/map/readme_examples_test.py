#!/usr/bin/python3
"""Every command of the README's shell examples runs as printed.

Reads the ```sh blocks of README.md and runs each fieldcast-map command in a scratch folder
where `data` is the tree's data folder, with the CSV files the README shows in its ```csv
blocks; `make map` and `make viewer` run the fieldcast-map command of their Makefile recipe.
Each must end with status 0 and print no warning (the README's frequencies lie inside the
bands of the data sets they use). A command of another kind must be one that `make test`
itself runs, so an example added to the README cannot go untested. Each file a run lists
must be one the README names, and the coastline line the README quotes is what the run prints.

The help of every tool and mode against the documents: every option named in README.md or a
data set's README.md, with the default the help shows, and the exit statuses of an interrupted
run. The MF data set's night and noon fields quoted in its README against a run.

usage: readme_examples_test.py --source DIR --map-exe EXE --tables-exe EXE --validate-exe EXE
"""

import argparse
import csv
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


def documented_file(readme, name):
    """Whether the README names an output file: as written, or by the patterns it gives for
    them (`field-HH.nc`, `QZresult-<index>.txt`, `diurnal-01.png`)."""
    for token in re.findall(r'`([^`\s]+)`', readme):
        pattern = re.escape(token.rstrip('/')).replace('HH', r'\d\d(\d\d)?').replace('<index>', r'\d+')
        pattern = re.sub(r'-01\\.png$', r'-\\d\\d\\.png', pattern)
        if re.fullmatch(pattern, name):
            return True
    return False


def help_options(text):
    """(long option, its default or None) of a CLI11 help text."""
    found = []
    for line in text.split('\n'):
        match = re.match(r'\s+(?:-\w,)?(--[\w-]+)', line)
        if not match:
            continue
        # the option's column ends at a run of blanks before its description
        column = re.split(r'\s{2,}', line.strip())[0]
        default = re.search(r'=(\S+?)(?: Needs:.*)?$', column)
        found.append((match.group(1), default.group(1) if default else None))
    return found


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
                    listed = [line.strip() for line in result.stdout.split('\n')
                              if line.startswith('  ')]
                    self.assertTrue(listed, command)
                    for name in listed:
                        self.assertTrue(documented_file(readme, name), command + ': ' + name)
                    if '--ground coastlines' in command:
                        self.check_coastline_line(readme, result.stdout.split('\n')[0])
                    ran += 1
            self.assertGreaterEqual(ran, 10)
        finally:
            shutil.rmtree(work, ignore_errors=True)

    def check_coastline_line(self, readme, printed):
        quoted = [line for line in readme.split('\n') if line.startswith('grounds from ')]
        self.assertEqual(len(quoted), 1)
        # the seconds are the machine's
        pattern = re.escape(quoted[0]).replace(re.escape('made in 0.5 s'), r'made in [\d.]+ s')
        self.assertRegex(printed, '^' + pattern + '$')

    def test_every_option_of_every_help_is_documented_with_its_default(self):
        docs = ''
        for name in ['README.md', 'data/default/README.md', 'data/mf/README.md']:
            with open(os.path.join(ARGS.source, name), encoding='utf-8') as f:
                docs += f.read() + '\n'
        flat = ' '.join(docs.split())
        helps = {'fieldcast-map ' + mode: [ARGS.map_exe, mode, '--help']
                 for mode in ('points', 'area')}
        helps['fieldcast-tables'] = [ARGS.tables_exe, '--help']
        helps['fieldcast-validate'] = [ARGS.validate_exe, '--help']
        for tool, command in helps.items():
            text = subprocess.run(command, capture_output=True, text=True, check=True).stdout
            options = help_options(text)
            self.assertGreaterEqual(len(options), 3, tool)
            for option, default in options:
                if option == '--help':
                    continue
                places = [m.start() for m in re.finditer(r'[` ]' + re.escape(option) + r'[ `=|,)]',
                                                         flat)]
                self.assertTrue(places, tool + ': ' + option + ' is in no document')
                if default is None:
                    continue
                # the default near a mention of the option, as the help writes it or in words
                # ("40, 50, 60"; "`csv` (default)")
                near = [flat[p:p + 250].replace(', ', ',') for p in places]
                value = r'(?<![\w.])' + re.escape(default) + r'(?![\w.])'
                stated = r'default[^.;|]{0,40}?' + value + '|' + value + r'[^.;|]{0,20}?default'
                self.assertTrue(any(re.search(stated, text) for text in near),
                                tool + ': ' + option + ' ' + default + ' is not the default '
                                'the documents give')
            if tool != 'fieldcast-validate':
                self.assertIn('130, 143 or 129 when interrupted', text, tool)

    def test_the_mf_set_quotes_its_own_night_and_noon(self):
        with open(os.path.join(ARGS.source, 'data/mf/README.md'), encoding='utf-8') as f:
            text = ' '.join(f.read().split())
        night = re.search(r'night field is ([\d.]+) dB\(uV/m\)', text).group(1)
        noon = re.search(r'falls to (\d+) dB\(uV/m\) at noon', text).group(1)
        work = tempfile.mkdtemp(prefix='readme-mf-')
        try:
            subprocess.run([ARGS.map_exe, 'points', os.path.join(ARGS.source, 'data/mf'), '-o',
                            os.path.join(work, 'out'), '--no-plot'], capture_output=True,
                           check=True)
            with open(os.path.join(work, 'out', 'points.csv'), encoding='utf-8') as f:
                rows = list(csv.DictReader(f))
            field = {int(r['hourJst']): float(r['fieldDb']) for r in rows
                     if r['pointIndex'] == '0'}
            self.assertEqual('%.1f' % field[0], night)
            self.assertEqual('%.0f' % field[12], noon)
            self.assertEqual(min(field, key=field.get), 12)  # the day's low is at noon
        finally:
            shutil.rmtree(work, ignore_errors=True)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--source', required=True)
    parser.add_argument('--map-exe', required=True)
    parser.add_argument('--tables-exe', required=True)
    parser.add_argument('--validate-exe', required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Checks scripts/mutants.list without building anything: each row's file exists, its text
(%% a line break) occurs exactly once in it, and each test it names is a ctest test of the
build folder. Prints the rows that would not count and exits 1 when there are any.

    scripts/mutants-check.py [BUILD_DIR]     (default: build)
"""
import os
import subprocess
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.join(root, sys.argv[1] if len(sys.argv) > 1 else 'build')
listing = subprocess.run(['ctest', '-N'], cwd=build, capture_output=True, text=True).stdout
tests = {line.split(':', 1)[1].strip() for line in listing.splitlines()
         if line.strip().startswith('Test') and ':' in line}
if not tests:
    sys.exit(f'no ctest tests in {build}')
stale = 0
with open(os.path.join(root, 'scripts', 'mutants.list'), encoding='utf-8') as rows:
    for number, row in enumerate(rows, 1):
        row = row.rstrip('\n')
        if not row or row.startswith('#'):
            continue
        fields = row.split('\t')
        if len(fields) != 5:
            problems = ['not five tab-separated fields']
        else:
            _, path, named, find, replace = fields
            problems = []
            source = os.path.join(root, path)
            if not os.path.isfile(source):
                problems.append('no such file')
            else:
                with open(source, encoding='utf-8') as text:
                    count = text.read().count(find.replace('%%', '\n'))
                if count != 1:
                    problems.append(f'text found {count} times')
            problems += [f'no test {t}' for t in named.split(',') if t not in tests]
            if find == replace:
                problems.append('replacement equals the text')
        if problems:
            stale += 1
            print(f'mutants.list:{number}: ' + '; '.join(problems))
print(f'{stale} stale rows')
sys.exit(1 if stale else 0)

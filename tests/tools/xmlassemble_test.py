#!/usr/bin/env python3
"""Runs the built xmlassemble as the data build does: xmlassemble_test.py TOOL.

Parts put in place, nested and generated parts, declarations dropped, the
depfile, and the refusals: a missing part, a cycle, a generated part without
the generated folder.
"""
import os
import subprocess
import sys
import tempfile

TOOL = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write(text)


def run(folder, *extra):
    out, dep = os.path.join(folder, 'out.xml'), os.path.join(folder, 'out.d')
    r = subprocess.run([TOOL, os.path.join(folder, 'src', 'main.xml'), out, dep, *extra],
                       capture_output=True, timeout=60)
    text = open(out).read() if os.path.exists(out) else None
    deps = open(dep).read() if os.path.exists(dep) else None
    return r, text, deps


with tempfile.TemporaryDirectory() as folder:
    src, gen = os.path.join(folder, 'src'), os.path.join(folder, 'gen')
    write(os.path.join(src, 'main.xml'),
          '<?xml version="1.0"?>\n<game>\n  <?include screens/a.xml?>\n  <?include  @generated/cat.xml ?>\n</game>\n')
    write(os.path.join(src, 'screens', 'a.xml'),
          '<?xml version="1.0" encoding="UTF-8"?>\n<a/>\n<?include ../b.xml?>\n')
    write(os.path.join(src, 'b.xml'), '<b x="&amp;"/>\n')
    write(os.path.join(gen, 'cat.xml'), '<levels/>\n')
    r, text, deps = run(folder, gen)
    check(r.returncode == 0, f'assembly failed: {r.stderr!r}')
    check(text == '<?xml version="1.0"?>\n<game>\n  <a/>\n<b x="&amp;"/>\n  <levels/>\n</game>\n',
          f'assembled text: {text!r}')
    for name in ('main.xml', 'a.xml', 'b.xml', 'cat.xml'):
        check(deps is not None and name in deps, f'depfile lacks {name}: {deps!r}')
    check(deps is not None and deps.startswith(os.path.join(folder, 'out.xml') + ':'), f'depfile target: {deps!r}')

    # The generated folder must be given when a part names it; nothing is written then.
    os.remove(os.path.join(folder, 'out.xml'))
    r, text, _ = run(folder)
    check(r.returncode == 1 and b'generated' in r.stderr and text is None, f'no generated folder: {r.returncode} {r.stderr!r}')

    # A missing part names the including file and its line.
    write(os.path.join(src, 'b.xml'), '<?include nowhere.xml?>\n')
    r, text, _ = run(folder, gen)
    check(r.returncode == 1 and b'b.xml:1' in r.stderr and b'nowhere.xml' in r.stderr,
          f'missing part: {r.returncode} {r.stderr!r}')

    # A cycle is refused rather than followed for ever.
    write(os.path.join(src, 'b.xml'), '<?include screens/a.xml?>\n')
    r, text, _ = run(folder, gen)
    check(r.returncode == 1 and b'itself' in r.stderr, f'cycle: {r.returncode} {r.stderr!r}')

    r = subprocess.run([TOOL, 'only-one'], capture_output=True, timeout=60)
    check(r.returncode == 2 and b'usage' in r.stderr, 'bad usage')

for failure in failures:
    print('FAIL:', failure)
sys.exit(1 if failures else 0)

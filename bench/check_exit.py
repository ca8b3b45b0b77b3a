#!/usr/bin/env python3
"""Runs a benchmark program briefly: check_exit.py PROGRAM.

The program must end with exit status 0 and leave nothing in its temporary
folder (TMPDIR, a fresh one for the run). Timings are not looked at.
"""
import os
import subprocess
import sys
import tempfile

program = sys.argv[1]
with tempfile.TemporaryDirectory() as tmp:
    env = dict(os.environ, TMPDIR=tmp)
    r = subprocess.run([program, '--benchmark_min_time=0.001'], env=env, capture_output=True,
                       timeout=600)
    left = os.listdir(tmp)
failures = []
if r.returncode != 0:
    failures.append(f'exit status {r.returncode}: {r.stderr.decode(errors="replace")[-2000:]}')
if left:
    failures.append(f'temporary files left: {left}')
for f in failures:
    print('FAILED:', f)
sys.exit(1 if failures else 0)

#!/usr/bin/env python3
"""Checks every level file of a data folder: data_levels.py TOOL DATA.

Level files are the files named *.xml (any letter case) anywhere under
DATA/levels/. Each must be a level that sgdtool check-level finds
line-solvable. A data folder without level files fails: the game has
levels, so their absence means the data build lost them.
"""
import os
import subprocess
import sys

TOOL, DATA = sys.argv[1], sys.argv[2]
folder = os.path.join(DATA, 'levels')
files = sorted(os.path.join(root, name)
               for root, _, names in os.walk(folder)
               for name in names if name.lower().endswith('.xml'))
if not files:
    print(f'no level files under {folder}')
    sys.exit(1)
r = subprocess.run([TOOL, 'check-level', *files], capture_output=True, timeout=600)
sys.stdout.write(r.stdout.decode(errors='replace'))
sys.stdout.write(r.stderr.decode(errors='replace'))
sys.exit(0 if r.returncode == 0 else 1)

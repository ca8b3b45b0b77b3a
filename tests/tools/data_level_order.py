#!/usr/bin/env python3
"""The campaign's levels in a difficulty order: data_level_order.py LEVELS.

LEVELS is the built data's data/levels. A level's difficulty is its depth:
the rounds of line logic its clues need, each round solving every row and
column against the board as it stood when the round began. It is measured
here on its own (every placement of a line's runs is enumerated), apart from
the level tool's solver.

The rules, over the seven locations in the map's order:
- every level's picture is decided by line logic (no cell left open);
- after the first location no level is decided in one round, by its rows and
  columns alone;
- within a location, a level is at most a small step easier than the hardest
  before it of its size (2 rounds, or a quarter of that hardest depth), and no
  level is a spike: at most 4 rounds harder than the hardest before it;
- the later half of a location is harder on average than its first half;
- the mean depth rises from each location to the next;
- the expert time ("cup_time") of a level is longer than that of every
  easier level of its size, and not shorter than an equally hard one's.
"""
import functools
import os
import sys
import xml.etree.ElementTree as ET

LEVELS = sys.argv[1]
LOCATIONS = ['japan', 'rome', 'tibet', 'egypt', 'greece', 'aztecs', 'china']
UNKNOWN, FILLED, EMPTY = '?', '#', '.'


def runs_of(cells):
    return tuple(len(run) for run in ''.join(cells).split('0') if run)


@functools.lru_cache(maxsize=None)
def solve_line(runs, line):
    """The cells every placement of runs agreeing with line shares; None when none fits."""
    n = len(line)
    common = None

    def place(i, start, cells):
        nonlocal common
        if i == len(runs):
            rest = cells + EMPTY * (n - len(cells))
            if any(k != UNKNOWN and k != c for k, c in zip(line[len(cells):], rest[len(cells):])):
                return
            common = rest if common is None else ''.join(
                a if a == b else UNKNOWN for a, b in zip(common, rest))
            return
        for s in range(start, n - runs[i] + 1):
            placed = cells + EMPTY * (s - len(cells)) + FILLED * runs[i]
            if s + runs[i] < n:
                placed += EMPTY
            if any(k != UNKNOWN and k != c for k, c in zip(line[len(cells):], placed[len(cells):])):
                continue
            place(i + 1, len(placed), placed)

    place(0, 0, '')
    return common


def depth_of(rows):
    """(depth, cells left undecided) of a picture given as strings of '0'..'5'."""
    h, w = len(rows), len(rows[0])
    row_runs = [runs_of(r) for r in rows]
    col_runs = [runs_of(''.join(r[c] for r in rows)) for c in range(w)]
    board = [[UNKNOWN] * w for _ in range(h)]
    depth = 0
    while True:
        new = [row[:] for row in board]
        for r in range(h):
            for c, v in enumerate(solve_line(row_runs[r], ''.join(board[r]))):
                if v != UNKNOWN:
                    new[r][c] = v
        for c in range(w):
            for r, v in enumerate(solve_line(col_runs[c], ''.join(board[r][c] for r in range(h)))):
                if v != UNKNOWN:
                    new[r][c] = v
        if new == board:
            return depth, sum(row.count(UNKNOWN) for row in board)
        depth += 1
        board = new


problems = []
means = []
for number, loc in enumerate(LOCATIONS):
    levels = []
    for n in range(1, 11):
        root = ET.parse(os.path.join(LEVELS, loc, f'{n}.xml')).getroot()
        rows = [r.get('cells') for r in root.find('rows')]
        extra = dict(p.split('=', 1) for p in root.get('extraparams').split('\\'))
        depth, unknown = depth_of(rows)
        levels.append((f'{loc}_{n}', len(rows), depth, int(extra['cup_time'])))
        if unknown:
            problems.append(f'{loc}_{n}: {unknown} cells are not decided by line logic')
        if number > 0 and depth < 2:
            problems.append(f'{loc}_{n}: decided by its rows and columns alone (depth {depth})')
    print(loc, ' '.join(f'{d}' for _, _, d, _ in levels))
    for i, (name, size, depth, _) in enumerate(levels):
        before = [d for _, _, d, _ in levels[:i]]
        same_size = [d for _, s, d, _ in levels[:i] if s == size]
        if same_size and depth < max(same_size) - max(2, max(same_size) // 4):
            problems.append(f'{name}: depth {depth}, far easier than {max(same_size)} before it')
        if before and depth > max(before) + 4:
            problems.append(f'{name}: depth {depth} is a spike after at most {max(before)}')
        for other, other_size, other_depth, other_time in levels[:i]:
            if other_size != size:
                continue
            cup_time = levels[i][3]
            if (depth > other_depth and cup_time <= other_time) or \
               (depth == other_depth and cup_time < other_time) or \
               (depth < other_depth and cup_time >= other_time):
                problems.append(f'{name} (depth {depth}, {cup_time} s) and {other} '
                                f'(depth {other_depth}, {other_time} s): expert times do not follow difficulty')
    depths = [d for _, _, d, _ in levels]
    if sum(depths[5:]) <= sum(depths[:5]):
        problems.append(f'{loc}: the later levels are not harder than the first ({depths})')
    means.append(sum(depths) / len(depths))
for (a, ma), (b, mb) in zip(zip(LOCATIONS, means), zip(LOCATIONS[1:], means[1:])):
    if mb <= ma:
        problems.append(f'{b}: mean depth {mb:.1f}, not above {a}\'s {ma:.1f}')
print('means', ' '.join(f'{m:.1f}' for m in means))

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)

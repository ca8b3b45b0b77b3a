#!/usr/bin/env python3
"""Which cells of a level picture its clues leave open, line by line.

    levelcells.py PICTURE.txt...

A picture is rows of '.' (empty) and '1' to '5' (a colour), as in
data/levels/. For each file prints "line-solvable", or the picture with the
cells no chain of single-line deductions decides marked '?', so that a
drawing can be mended by a few cells where it is ambiguous. Exit status 1
when some picture is not line-solvable. The data build's tools/leveltool
makes the same check with the game's own solver; this is the quick helper
for drawing.
"""
import sys


def runs_of(line):
    runs, n = [], 0
    for filled in line:
        if filled:
            n += 1
        elif n:
            runs.append(n)
            n = 0
    if n:
        runs.append(n)
    return runs


def solve_line(runs, cells):
    """cells: list of None (unknown), True (filled), False (empty).
    Answers the cells every placement agrees on, or None at a contradiction."""
    n, k = len(cells), len(runs)
    # can_empty_before[i]: cells[0:i] hold no known filled cell.
    filled_before = [0] * (n + 1)
    empty_before = [0] * (n + 1)
    for i, c in enumerate(cells):
        filled_before[i + 1] = filled_before[i] + (c is True)
        empty_before[i + 1] = empty_before[i] + (c is False)

    def no_filled(a, b):
        return filled_before[b] - filled_before[a] == 0

    def no_empty(a, b):
        return empty_before[b] - empty_before[a] == 0

    # pre[j][i]: runs[:j] fit in cells[:i] (cell i-1 may be the end of a run
    # only if followed by a gap, which the next step checks).
    pre = [[False] * (n + 1) for _ in range(k + 1)]
    for i in range(n + 1):
        pre[0][i] = no_filled(0, i)
    for j in range(1, k + 1):
        r = runs[j - 1]
        for i in range(1, n + 1):
            ok = pre[j][i - 1] and cells[i - 1] is not True
            if not ok and i >= r and no_empty(i - r, i):
                start = i - r
                if j == 1:
                    ok = no_filled(0, start)
                else:
                    ok = start >= 1 and cells[start - 1] is not True and pre[j - 1][start - 1]
            pre[j][i] = ok
    # suf[j][i]: runs[j:] fit in cells[i:].
    suf = [[False] * (n + 2) for _ in range(k + 1)]
    for i in range(n + 1):
        suf[k][i] = no_filled(i, n)
    for j in range(k - 1, -1, -1):
        r = runs[j]
        for i in range(n - 1, -1, -1):
            ok = suf[j][i + 1] and cells[i] is not True
            if not ok and i + r <= n and no_empty(i, i + r):
                end = i + r
                if j == k - 1:
                    ok = no_filled(end, n)
                else:
                    ok = end < n and cells[end] is not True and suf[j + 1][end + 1]
            suf[j][i] = ok
    if not pre[k][n]:
        return None
    can_fill = [False] * n
    can_empty = [False] * n
    for i in range(n):
        if cells[i] is not True:
            for j in range(k + 1):
                if pre[j][i] and suf[j][i + 1]:
                    can_empty[i] = True
                    break
    for j in range(k):
        r = runs[j]
        for s in range(0, n - r + 1):
            e = s + r
            if not no_empty(s, e):
                continue
            left = (no_filled(0, s) if j == 0 else
                    s >= 1 and cells[s - 1] is not True and pre[j][s - 1])
            if not left:
                continue
            right = (no_filled(e, n) if j == k - 1 else
                     e < n and cells[e] is not True and suf[j + 1][e + 1])
            if not right:
                continue
            for i in range(s, e):
                can_fill[i] = True
    out = []
    for i in range(n):
        if can_fill[i] and can_empty[i]:
            out.append(cells[i])
        elif can_fill[i]:
            out.append(True)
        elif can_empty[i]:
            out.append(False)
        else:
            return None
    return out


def solve(picture):
    rows, cols = len(picture), len(picture[0])
    filled = [[c != '.' for c in row] for row in picture]
    row_runs = [runs_of(r) for r in filled]
    col_runs = [runs_of([filled[r][c] for r in range(rows)]) for c in range(cols)]
    grid = [[None] * cols for _ in range(rows)]
    changed = True
    while changed:
        changed = False
        for r in range(rows):
            line = solve_line(row_runs[r], grid[r])
            if line is None:
                return None
            if line != grid[r]:
                grid[r] = line
                changed = True
        for c in range(cols):
            col = [grid[r][c] for r in range(rows)]
            line = solve_line(col_runs[c], col)
            if line is None:
                return None
            if line != col:
                for r in range(rows):
                    grid[r][c] = line[r]
                changed = True
    return grid


def main(paths):
    bad = 0
    for path in paths:
        with open(path) as f:
            picture = [line.rstrip('\r\n') for line in f]
        while picture and not picture[-1].strip():
            picture.pop()
        grid = solve(picture)
        if grid is None:
            print(f'{path}: contradictory')
            bad += 1
            continue
        unknown = sum(c is None for row in grid for c in row)
        if not unknown:
            print(f'{path}: line-solvable')
            continue
        bad += 1
        print(f'{path}: {unknown} cells undecided')
        for r, row in enumerate(picture):
            print('  ' + ''.join('?' if grid[r][c] is None else ch for c, ch in enumerate(row)))
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

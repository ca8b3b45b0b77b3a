#!/usr/bin/env python3
"""The game's set of levels as the data build made it:
data_level_set.py GENERATED LEVELS LANGUAGE.

GENERATED is the data build's generated folder (its levels/ catalogue
parts), LEVELS the built data's data/levels, LANGUAGE the assembled base
language. The seven locations, in the map's order, have ten levels each,
10x10 to 20x20 and never smaller than the level before; each has four bonus
pictures of 10x10 or 15x15 for its own bonus game; the tutorial has its two
5x5 pictures; every picture uses colours 1 to 5 only; every entry's file is
there and every title has a text in the language.
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

GENERATED, LEVELS, LANGUAGE = sys.argv[1:4]
LOCATIONS = ['japan', 'rome', 'tibet', 'egypt', 'greece', 'aztecs', 'china']
problems = []


def part(name):
    with open(os.path.join(GENERATED, 'levels', name)) as f:
        return ET.fromstring('<part>' + f.read().split('?>', 1)[1] + '</part>')


def entries(name):
    return [(e.get('level'), {p.get('name'): p.get('value') for p in e.find('properties')})
            for e in part(name)]


with open(LANGUAGE) as f:
    texts = set(re.findall(r'<string name="([^"]+)"', f.read()))


def key_has_text(value, where):
    for key in re.findall(r'%([A-Za-z0-9_]+)%', value or ''):
        if key not in texts:
            problems.append(f'{where}: "%{key}%" has no text in the language')


def level(entry, where):
    """The size of an entry's built level file, its colours checked."""
    path = entry.get('filename', '')
    if not path.startswith('data/levels/'):
        problems.append(f'{where}: file "{path}" is not under data/levels/')
        return 0
    root = ET.parse(os.path.join(LEVELS, path[len('data/levels/'):])).getroot()
    key_has_text(root.get('LevelName'), where)
    key_has_text(entry.get('DisplayName'), where)
    extra = dict(p.split('=', 1) for p in root.get('extraparams').split('\\'))
    rows = [r.get('cells') for r in root.find('rows')]
    if int(extra['rows']) != len(rows) or int(extra['cols']) != len(rows[0]):
        problems.append(f'{where}: the picture is not {extra["rows"]}x{extra["cols"]}')
    if not set(''.join(rows)) <= set('012345'):
        problems.append(f'{where}: colours beyond 1 to 5: {sorted(set("".join(rows)))}')
    return int(extra['rows']) if extra['rows'] == extra['cols'] else -1


params = [(p.get('name'), p.get('value')) for p in part('params.xml')]
if params != [('lvlcnt_' + loc, '10') for loc in LOCATIONS]:
    problems.append(f'level counts: {params}')

main = entries('catalogue.xml')
expected = [k for loc in LOCATIONS for k in [f'{loc}_{n}' for n in range(1, 11)] + [loc]]
if [key for key, _ in main] != expected:
    problems.append(f'main catalogue keys: {[key for key, _ in main]}')
by_key = dict(main)
for loc in LOCATIONS:
    sizes = [level(by_key.get(f'{loc}_{n}', {}), f'{loc}_{n}') for n in range(1, 11)]
    if any(s not in (10, 15, 20) for s in sizes) or sizes != sorted(sizes):
        problems.append(f'{loc}: level sizes {sizes}, not 10 to 20 growing through the location')
    if loc in by_key:
        level(by_key[loc], f'{loc} (miniature)')

bonus = entries('bonus_catalogue.xml')
for loc in LOCATIONS:
    own = [(key, e) for key, e in bonus if e.get('bonus_scene') == loc]
    if [key for key, _ in own] != [f'bonus_{loc}_{n}' for n in range(1, 5)]:
        problems.append(f'{loc}: bonus pictures {[key for key, _ in own]}')
    for key, e in own:
        if level(e, key) not in (10, 15):
            problems.append(f'{key}: a bonus picture is 10x10 or 15x15')
if len(bonus) != 4 * len(LOCATIONS):
    problems.append(f'{len(bonus)} bonus pictures')

tutorial = entries('tutorial_catalogue.xml')
if [key for key, _ in tutorial] != ['1', '2'] or any(level(e, f'tutorial {k}') != 5 for k, e in tutorial):
    problems.append(f'tutorial pictures: {tutorial}')

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)

#!/usr/bin/env python3
"""leveltool run as the data build runs it: leveltool_test.py LEVELTOOL SGDTOOL CASE.

"outputs": a small set of sources (a tutorial, a location with a level of
each size rule, its bonus pictures) makes the level files and the four
catalogue parts, checked element by element, and the level files pass
sgdtool check-level. "difficulty": the expert times that follow each
picture's rounds of line logic, and the --difficulty report. "refusals": a table of broken sources, each refused
with exit status 1, its message, and nothing written.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TOOL, SGDTOOL, CASE = sys.argv[1], sys.argv[2], sys.argv[3]

HEART = ['.2.2.', '22222', '22222', '.222.', '..2..']
FRAME = ['1111111111'] + ['1........1'] * 8 + ['1111111111']
# Two cells on a diagonal: their clues admit the other diagonal too.
AMBIGUOUS = ['1.........', '.1........'] + ['..........'] * 8
CROSS15 = ['.......4.......'] * 7 + ['444444444444444'] + ['.......4.......'] * 7
# The location's emblem: a band across, none of its levels.
BAND = ['..........'] * 4 + ['3333333333'] * 2 + ['..........'] * 4

DEFAULTS = '''<defaults_by_size>
  <defaults size="10x10" errors="3" hints="2" cup_time="240" level_points="500"
            level_time_bonus="250" level_hint_bonus="150" level_mistake_bonus="150"/>
  <defaults size="15x15" errors="4" hints="3" cup_time="480" level_points="1000"
            level_time_bonus="500" level_hint_bonus="300" level_mistake_bonus="300"/>
</defaults_by_size>'''

LOCATION = '''<location name="alpha">
  <defaults hints="1"/>
  <level n="1" title="level_alpha_frame" show_button_hint="yes" show_tutorial="part2"/>
  <level n="2" title="level_alpha_cross" cup_time="300" tip="tip_cross"/>
</location>'''

BONUS = '''<bonus location="alpha">
  <level n="1" title="bonus_alpha_frame"/>
</bonus>'''

TUTORIAL = '''<tutorial>
  <level n="1" title="level_tutorial_heart"/>
  <level n="2" title="level_tutorial_heart_again"/>
</tutorial>'''


def write(folder, path, lines_or_text):
    full = os.path.join(folder, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    text = lines_or_text if isinstance(lines_or_text, str) else '\n'.join(lines_or_text) + '\n'
    with open(full, 'w', newline='') as f:
        f.write(text)


def sources(folder):
    write(folder, 'defaults.xml', DEFAULTS)
    write(folder, 'tutorial/levels.xml', TUTORIAL)
    write(folder, 'tutorial/1.txt', HEART)
    write(folder, 'tutorial/2.txt', HEART)
    write(folder, 'alpha/levels.xml', LOCATION)
    write(folder, 'alpha/1.txt', FRAME)
    write(folder, 'alpha/2.txt', CROSS15)
    write(folder, 'emblems/alpha.txt', BAND)
    write(folder, 'bonus/alpha/levels.xml', BONUS)
    write(folder, 'bonus/alpha/1.txt', FRAME)


SETS = ['tutorial', 'alpha', 'bonus/alpha']


def run(folder, sets=SETS):
    out, gen = os.path.join(folder, 'out'), os.path.join(folder, 'gen')
    r = subprocess.run([TOOL, os.path.join(folder, 'src'), out, gen, *sets],
                       capture_output=True, text=True, timeout=60)
    return r, out, gen


def entries(gen, part):
    with open(os.path.join(gen, 'levels', part)) as f:
        text = f.read()
    # A part is a sequence of <level> elements: wrapped, it must parse.
    root = ET.fromstring('<levels>' + text.split('-->', 1)[1] + '</levels>')
    return [(e.get('level'), [(p.get('name'), p.get('value')) for p in e.find('properties')])
            for e in root]


def check(condition, what):
    if not condition:
        print('FAILED:', what)
        sys.exit(1)


def case_outputs():
    with tempfile.TemporaryDirectory() as folder:
        sources(os.path.join(folder, 'src'))
        r, out, gen = run(folder)
        check(r.returncode == 0, f'a good set is made: {r.stderr}')

        level = ET.parse(os.path.join(out, 'alpha', '2.xml')).getroot()
        check(level.tag == 'level' and level.get('name') == '2', 'the level file names its number')
        check(level.get('LevelName') == '%level_alpha_cross%', 'the title is a language key')
        # The set's default over the size's, the level's own over both.
        check(level.get('extraparams') == 'rows=15\\cols=15\\errors=4\\hints=1\\cup_time=300',
              f'extraparams: {level.get("extraparams")}')
        rows = level.find('rows').findall('row')
        check([row.get('name') for row in rows] == [f'r{i}' for i in range(15)], 'row names')
        check([row.get('cells') for row in rows] == [line.replace('.', '0') for line in CROSS15],
              'the picture in hexadecimal codes')
        heart = ET.parse(os.path.join(out, 'tutorial', '1.xml')).getroot()
        check(heart.get('extraparams') == 'rows=5\\cols=5', 'a tutorial picture has its size only')

        main = entries(gen, 'catalogue.xml')
        check([key for key, _ in main] == ['alpha_1', 'alpha_2', 'alpha'], f'main catalogue keys {main}')
        check(main[0][1] == [('filename', 'data/levels/alpha/1.xml'),
                             ('DisplayName', '%level_alpha_frame%'), ('level_type', 'nonogram'),
                             ('level_points', '500'), ('level_time_bonus', '250'),
                             ('level_hint_bonus', '150'), ('level_mistake_bonus', '150'),
                             ('show_button_hint', 'yes'), ('show_tutorial', 'part2')],
              f'a level entry: {main[0][1]}')
        check(('tip', 'tip_cross') in main[1][1] and ('level_points', '1000') in main[1][1],
              'a 15x15 level takes its size\'s points and its own tip')
        check(main[2][1] == [('filename', 'data/levels/emblems/alpha.xml'), ('level_type', 'location')],
              'the location entry names its emblem')
        emblem = ET.parse(os.path.join(out, 'emblems', 'alpha.xml')).getroot()
        check([row.get('cells') for row in emblem.find('rows').findall('row')] ==
              [line.replace('.', '0') for line in BAND], 'the emblem\'s picture')
        check(emblem.get('extraparams') == 'rows=10\\cols=10', 'the emblem has its size only')
        bonus = entries(gen, 'bonus_catalogue.xml')
        check(bonus == [('bonus_alpha_1', [('filename', 'data/levels/bonus/alpha/1.xml'),
                                           ('DisplayName', '%bonus_alpha_frame%'),
                                           ('level_type', 'bonus'), ('bonus_scene', 'alpha')])],
              f'bonus catalogue {bonus}')
        tutorial = entries(gen, 'tutorial_catalogue.xml')
        check([key for key, _ in tutorial] == ['1', '2'], 'tutorial keys')
        with open(os.path.join(gen, 'levels', 'params.xml')) as f:
            params = ET.fromstring('<p>' + f.read().split('-->', 1)[1] + '</p>')
        check([(p.get('name'), p.get('value')) for p in params] == [('lvlcnt_alpha', '2')],
              'one level count per location')

        made = sorted(os.path.join(root, n) for root, _, names in os.walk(out) for n in names)
        check(len(made) == 6, f'one file a level and the emblem: {made}')
        r = subprocess.run([SGDTOOL, 'check-level', *made], capture_output=True, text=True)
        check(r.returncode == 0, f'the game\'s loader reads every level as line-solvable: {r.stdout}{r.stderr}')


# Every line full or empty: one round of line logic decides it all.
STRIPES = ['1111111111', '..........'] * 5


def case_difficulty():
    """The expert time grows with the rounds of line logic; --difficulty reports them."""
    with tempfile.TemporaryDirectory() as folder:
        src = os.path.join(folder, 'src')
        sources(src)
        edit('defaults.xml', 'cup_time="240"', 'cup_time="200" cup_time_per_round="10"')(src)
        write(src, 'alpha/levels.xml', '''<location name="alpha">
  <level n="1" title="level_alpha_stripes"/>
  <level n="2" title="level_alpha_frame"/>
  <level n="3" title="level_alpha_frame_again" cup_time="300"/>
</location>''')
        write(src, 'alpha/1.txt', STRIPES)
        write(src, 'alpha/2.txt', FRAME)
        write(src, 'alpha/3.txt', FRAME)
        r, out, _ = run(folder)
        check(r.returncode == 0, f'a good set is made: {r.stderr}')

        def cup_time(n):
            level = ET.parse(os.path.join(out, 'alpha', f'{n}.xml')).getroot()
            return dict(p.split('=', 1) for p in level.get('extraparams').split('\\'))['cup_time']
        # Stripes take one round; the frame two (its border, then its inside).
        check(cup_time(1) == '210', f'one round: {cup_time(1)}')
        check(cup_time(2) == '220', f'two rounds: {cup_time(2)}')
        check(cup_time(3) == '300', f'a level\'s own expert time stays: {cup_time(3)}')

        r = subprocess.run([TOOL, '--difficulty', src, 'alpha', 'bonus/alpha'],
                           capture_output=True, text=True, timeout=60)
        check(r.returncode == 0, f'the report runs: {r.stderr}')
        lines = [line.split() for line in r.stdout.splitlines()]
        check([line[:2] for line in lines] == [['alpha/1.txt', 'level_alpha_stripes'],
                                               ['alpha/2.txt', 'level_alpha_frame'],
                                               ['alpha/3.txt', 'level_alpha_frame_again'],
                                               ['bonus/alpha/1.txt', 'bonus_alpha_frame']],
              f'one line a level: {r.stdout}')
        # The frame's border is 36 of its 100 cells.
        check(lines[0][2:] == ['10x10', 'depth', '1', 'blank', '100%', 'cup_time', '210'], lines[0])
        check(lines[1][2:] == ['10x10', 'depth', '2', 'blank', '36%', 'cup_time', '220'], lines[1])
        check(lines[3][2:] == ['10x10', 'depth', '2', 'blank', '36%'], lines[3])


def edit(path, old, new):
    def apply(src):
        full = os.path.join(src, path)
        with open(full) as f:
            text = f.read()
        check(old in text, f'fixture edit {old!r} applies')
        with open(full, 'w') as f:
            f.write(text.replace(old, new))
    return apply


def picture(path, lines):
    return lambda src: write(src, path, lines)


def remove(path):
    return lambda src: os.remove(os.path.join(src, path))


# (what is broken, how, a part of the message)
REFUSALS = [
    ('ragged rows', picture('alpha/1.txt', FRAME[:3] + ['1.......1'] + FRAME[4:]),
     'alpha/1.txt: row 4 has 9 cells, row 1 has 10'),
    ('another character', picture('alpha/1.txt', FRAME[:2] + ['1...x....1'] + FRAME[3:]),
     "row 3, column 5: 'x' is neither"),
    ('a colour beyond 5', picture('alpha/1.txt', FRAME[:2] + ['1...6....1'] + FRAME[3:]),
     "'6' is neither"),
    ('a blank inside a row', picture('alpha/1.txt', FRAME[:2] + ['1... ....1'] + FRAME[3:]),
     "' ' is neither"),
    ('a size not used', picture('alpha/1.txt', ['1' * 12] * 12), '12x12 is no size'),
    ('a picture not square', picture('alpha/2.txt', CROSS15[:10]), '15x10 is no size'),
    ('a tutorial picture not 5x5', picture('tutorial/2.txt', FRAME), 'tutorial/2.txt: 10x10 is no size'),
    ('a location picture 5x5', picture('alpha/1.txt', HEART), 'alpha/1.txt: 5x5 is no size'),
    ('a bonus picture 20x20', picture('bonus/alpha/1.txt', ['1' * 20] * 20), '20x20 is no size'),
    ('no coloured cell', picture('alpha/1.txt', ['.' * 10] * 10), 'has no coloured cell'),
    ('an empty file', picture('alpha/1.txt', ''), 'the picture is empty'),
    ('not line-solvable', picture('alpha/1.txt', AMBIGUOUS),
     'alpha/1.txt: needs guesses, 4 cells stay undecided line by line (marked \'?\'):\n  ??........\n  ??'),
    ('a level without a picture', remove('alpha/2.txt'), 'level 2 has no picture alpha/2.txt'),
    ('a picture without a level', picture('alpha/3.txt', FRAME),
     'alpha/3.txt: a picture without a <level>'),
    ('a gap in the numbers', edit('alpha/levels.xml', 'n="2"', 'n="3"'), 'level 2 is missing'),
    ('a level given twice', edit('alpha/levels.xml', 'n="2"', 'n="1"'), 'level 1 is given twice'),
    ('no title', edit('alpha/levels.xml', 'title="level_alpha_frame"', ''), '"title" must be'),
    ('a title that is no key', edit('alpha/levels.xml', 'level_alpha_frame', 'Frame %x%'),
     '"title" must be a language key'),
    ('an unknown setting', edit('alpha/levels.xml', 'cup_time="300"', 'cup_tme="300"'),
     'unknown setting "cup_tme"'),
    ('a setting that is no number', edit('alpha/levels.xml', 'hints="1"', 'hints="one"'),
     '"hints" is "one", not a whole number'),
    ('a yes or no that is neither', edit('alpha/levels.xml', 'show_button_hint="yes"',
                                         'show_button_hint="sure"'), 'not "yes" or "no"'),
    ('a setting a location needs', edit('defaults.xml', 'size="15x15" errors="4"', 'size="15x15"'),
     'alpha/levels.xml <level n="2">: no "errors"'),
    ('another root', lambda src: write(src, 'alpha/levels.xml', LOCATION.replace('location', 'place')),
     'the root element is "location", "bonus" or "tutorial", not "place"'),
    ('a location not its folder', edit('alpha/levels.xml', 'name="alpha"', 'name="beta"'),
     'must be its folder\'s, "alpha"'),
    ('a bonus of another location', edit('bonus/alpha/levels.xml', 'location="alpha"', 'location="beta"'),
     'must be the one their folder names'),
    ('no emblem', remove('emblems/alpha.txt'), 'cannot read'),
    ('an emblem that is a level', picture('emblems/alpha.txt', FRAME),
     'emblems/alpha.txt: the emblem is level 1\'s picture'),
    ('an emblem of a size not used', picture('emblems/alpha.txt', HEART), 'emblems/alpha.txt: 5x5 is no size'),
    ('an emblem not line-solvable', picture('emblems/alpha.txt', AMBIGUOUS), 'emblems/alpha.txt: needs guesses'),
    ('a miniature is no more chosen', edit('alpha/levels.xml', 'name="alpha"', 'name="alpha" miniature="1"'),
     '"miniature"'),
    ('a settings file that does not parse', edit('alpha/levels.xml', '</location>', ''),
     'is not well-formed'),
    ('a missing settings file', remove('bonus/alpha/levels.xml'), 'cannot read'),
    ('a size given twice', edit('defaults.xml', 'size="15x15"', 'size="10x10"'),
     'each size ("10x10") is given once'),
]


def case_refusals():
    failed = 0
    for what, breaking, message in REFUSALS:
        with tempfile.TemporaryDirectory() as folder:
            src = os.path.join(folder, 'src')
            sources(src)
            breaking(src)
            r, out, gen = run(folder)
            problems = []
            if r.returncode != 1:
                problems.append(f'exit status {r.returncode}')
            if message not in r.stderr:
                problems.append(f'message {r.stderr!r}')
            if os.path.exists(out) or os.path.exists(gen):
                problems.append('something was written')
            if problems:
                failed += 1
                print(f'{what}: ' + '; '.join(problems))
    # A set named twice, and bad usage.
    with tempfile.TemporaryDirectory() as folder:
        sources(os.path.join(folder, 'src'))
        r, _, _ = run(folder, ['alpha', 'alpha'])
        if r.returncode != 1 or 'given twice' not in r.stderr:
            failed += 1
            print('a set given twice:', r.returncode, r.stderr)
    r = subprocess.run([TOOL, 'only', 'three', 'args'], capture_output=True, text=True)
    if r.returncode != 2 or 'usage' not in r.stderr:
        failed += 1
        print('bad usage:', r.returncode, r.stderr)
    if failed:
        sys.exit(1)


{'outputs': case_outputs, 'refusals': case_refusals, 'difficulty': case_difficulty}[CASE]()

#!/usr/bin/env python3
"""Runs the built sgdtool as a user would: sgdtool_test.py TOOL CASE VECTORS.

CASE is cipher, pack, errors, xml, refusals, listchecks or levels. The known answers in VECTORS come from the
core tests' independent script; packs are checked with Python's own zipfile.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

TOOL, CASE, VECTORS = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def run(*args, stdin=b''):
    return subprocess.run([TOOL, *args], input=stdin, capture_output=True, timeout=60)


def check(condition, what):
    if not condition:
        failures.append(what)


def expect_failure(what, *args, stdin=b'', code=1):
    r = run(*args, stdin=stdin)
    check(r.returncode == code, f'{what}: exit {r.returncode}, wanted {code}')
    check(r.stderr.startswith(b'sgdtool: '), f'{what}: no message, got {r.stderr!r}')
    return r


def case_cipher():
    for line in open(VECTORS):
        key, plain, cipher = (bytes.fromhex(f) for f in line.strip().split(':'))
        r = run('encipher', key.decode(), stdin=plain)
        check(r.returncode == 0 and r.stdout == cipher.hex().upper().encode(),
              f'encipher under {key!r} of {len(plain)} bytes')
        # Lower case and line breaks are accepted on input.
        hex_text = cipher.hex().lower()
        wrapped = '\n'.join(hex_text[i:i + 64] for i in range(0, len(hex_text), 64)) + '\r\n'
        r = run('decipher', key.decode(), stdin=wrapped.encode())
        check(r.returncode == 0 and r.stdout == plain, f'decipher under {key!r} of {len(plain)} bytes')
    data = bytes(range(256)) * 40 + b'\0tail'
    r = run('encipher', 'k', stdin=data)
    back = run('decipher', 'k', stdin=r.stdout)
    check(back.stdout == data, 'binary round trip')
    wrong = run('decipher', 'not the key', stdin=r.stdout)
    check(wrong.returncode == 0 and wrong.stdout != data, 'a wrong key gives other bytes')


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def case_pack():
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'src')
        files = {
            'Readme.TXT': b'read me',
            'images/Logo.png': bytes(range(256)) * 10,
            'levels/japan/level01.xml': b'<level/>' * 500,
            'empty.dat': b'',
        }
        for name, data in files.items():
            write(os.path.join(src, name), data)
        out = os.path.join(tmp, 'data.sgd')
        r = run('pack', src, out)
        check(r.returncode == 0, f'pack: {r.stderr!r}')
        with zipfile.ZipFile(out) as z:
            check(z.testzip() is None, 'pack: CRCs')
            check(sorted(z.namelist()) == sorted(files), f'pack: names {z.namelist()}')
            for name, data in files.items():
                check(z.read(name) == data, f'pack: content of {name}')
        r = run('list', out)
        check(r.returncode == 0, f'list: {r.stderr!r}')
        lines = r.stdout.decode().splitlines()
        check(len(lines) == len(files), f'list: {lines}')
        for name, data in files.items():
            check(any(l.split()[-1] == name and int(l.split()[0]) == len(data) for l in lines),
                  f'list: {name}')

        # A pack written inside the folder it packs leaves itself out, also
        # when it is made again over the old one.
        inner = os.path.join(src, 'self.sgd')
        for _ in range(2):
            r = run('pack', src, inner)
            check(r.returncode == 0, f'pack into itself: {r.stderr!r}')
            with zipfile.ZipFile(inner) as z:
                check(sorted(z.namelist()) == sorted(files), f'pack into itself: {z.namelist()}')
        check(sorted(os.listdir(src)) == sorted(['Readme.TXT', 'images', 'levels', 'empty.dat',
                                                 'self.sgd']), f'leftovers: {os.listdir(src)}')

        # Packs made by another ZIP writer, stored and deflated, list and read.
        other = os.path.join(tmp, 'other.sgd')
        with zipfile.ZipFile(other, 'w') as z:
            z.writestr(zipfile.ZipInfo('Stored.TXT'), b'stored', zipfile.ZIP_STORED)
            z.writestr('dir/Deflated.txt', b'deflated ' * 100, zipfile.ZIP_DEFLATED)
        r = run('list', other)
        check(r.returncode == 0 and b'stored' in r.stdout and b'deflated' in r.stdout
              and b'dir/Deflated.txt' in r.stdout, f'list other: {r.stdout!r} {r.stderr!r}')


def case_errors():
    expect_failure('no command', code=2)
    expect_failure('unknown command', 'unpack', 'x', code=2)
    expect_failure('encipher without key', 'encipher', code=2)
    expect_failure('pack with one argument', 'pack', 'dir', code=2)
    expect_failure('decipher of text', 'decipher', 'k', stdin=b'hello world')
    expect_failure('decipher of an odd digit count', 'decipher', 'k', stdin=b'ABC')
    with tempfile.TemporaryDirectory() as tmp:
        expect_failure('pack of a missing folder', 'pack', os.path.join(tmp, 'none'),
                       os.path.join(tmp, 'a.sgd'))
        write(os.path.join(tmp, 'file.txt'), b'x')
        expect_failure('pack of a file', 'pack', os.path.join(tmp, 'file.txt'),
                       os.path.join(tmp, 'a.sgd'))
        src = os.path.join(tmp, 'src')
        write(os.path.join(src, 'a.txt'), b'lower')
        write(os.path.join(src, 'A.txt'), b'upper')
        expect_failure('pack into a missing folder', 'pack', src, os.path.join(tmp, 'no', 'a.sgd'))
        expect_failure('pack of names equal but for case', 'pack', src, os.path.join(tmp, 'a.sgd'))
        check(sorted(os.listdir(tmp)) == ['file.txt', 'src'], f'left behind: {os.listdir(tmp)}')

        expect_failure('list of a missing pack', 'list', os.path.join(tmp, 'none.sgd'))
        expect_failure('list of a folder', 'list', src)
        expect_failure('list of a text file', 'list', os.path.join(tmp, 'file.txt'))
        good = os.path.join(tmp, 'good.sgd')
        with zipfile.ZipFile(good, 'w') as z:
            z.writestr(zipfile.ZipInfo('one.txt'), b'the stored text of one', zipfile.ZIP_STORED)
        data = open(good, 'rb').read()
        write(os.path.join(tmp, 'cut.sgd'), data[:len(data) // 2])
        expect_failure('list of a truncated pack', 'list', os.path.join(tmp, 'cut.sgd'))
        at = data.index(b'the stored text')
        write(os.path.join(tmp, 'bad.sgd'), data[:at] + b'T' + data[at + 1:])
        r = expect_failure('list of a damaged entry', 'list', os.path.join(tmp, 'bad.sgd'))
        check(b'one.txt' in r.stderr, f'damaged entry named: {r.stderr!r}')


def case_refusals():
    """Packs that would lose data or that the engine could not read."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'src')
        write(os.path.join(src, 'a.txt'), b'the only copy')
        write(os.path.join(src, 'sub', 'b.txt'), b'bee')
        # An output that is one of the files to pack, also through a second name.
        for out in (os.path.join(src, 'a.txt'), os.path.join(src, 'sub', '..', 'a.txt')):
            r = expect_failure('pack over one of its files', 'pack', src, out)
            check(b'one of the files' in r.stderr, f'pack over an input: {r.stderr!r}')
            check(open(os.path.join(src, 'a.txt'), 'rb').read() == b'the only copy',
                  'pack over an input: the input was overwritten')
        os.link(os.path.join(src, 'sub', 'b.txt'), os.path.join(tmp, 'hard.sgd'))
        expect_failure('pack over a hard link of one of its files', 'pack', src,
                       os.path.join(tmp, 'hard.sgd'))
        check(open(os.path.join(src, 'sub', 'b.txt'), 'rb').read() == b'bee',
              'pack over a hard link: the input was overwritten')
        os.remove(os.path.join(tmp, 'hard.sgd'))

        # A folder without files, and one whose only entries are left out.
        empty = os.path.join(tmp, 'empty')
        os.makedirs(os.path.join(empty, 'nothing', 'here'))
        r = expect_failure('pack of a folder without files', 'pack', empty,
                           os.path.join(tmp, 'e.sgd'))
        check(b'no files' in r.stderr, f'pack of an empty folder: {r.stderr!r}')
        check(not os.path.exists(os.path.join(tmp, 'e.sgd')), 'pack of an empty folder: a pack')

        # A file of 4 GB (sparse, so nothing is written) is refused at once.
        large = os.path.join(tmp, 'large')
        write(os.path.join(large, 'small.txt'), b's')
        with open(os.path.join(large, 'huge.bin'), 'wb') as f:
            f.truncate(4 << 30)
        r = expect_failure('pack of a 4 GB file', 'pack', large, os.path.join(tmp, 'l.sgd'))
        check(b'huge.bin' in r.stderr and b'4 GB' in r.stderr, f'pack of 4 GB: {r.stderr!r}')
        check(not os.path.exists(os.path.join(tmp, 'l.sgd')), 'pack of 4 GB: a pack')
        check(sorted(os.listdir(tmp)) == ['empty', 'large', 'src'], f'left: {os.listdir(tmp)}')

        # Links out of the folder, to folders or to nothing, pipes: the game
        # reading the folder would see files a pack would lack, so the pack
        # is refused with every such entry named, and nothing is written.
        write(os.path.join(tmp, 'secret.txt'), b'not for the pack')
        os.symlink(os.path.join(tmp, 'secret.txt'), os.path.join(src, 'secret_link'))
        os.symlink('../../secret.txt', os.path.join(src, 'sub', 'relative_link'))
        os.symlink('a.txt', os.path.join(src, 'inner_link'))
        os.symlink('sub', os.path.join(src, 'folder_link'))
        os.symlink('gone.txt', os.path.join(src, 'dangling_link'))
        os.makedirs(os.path.join(tmp, 'outside_fonts'))
        write(os.path.join(tmp, 'outside_fonts', 'font.ttf'), b'glyphs')
        os.symlink(os.path.join(tmp, 'outside_fonts'), os.path.join(src, 'fonts'))
        os.mkfifo(os.path.join(src, 'pipe'))
        out = os.path.join(tmp, 'links.sgd')
        r = expect_failure('pack with links', 'pack', src, out)
        for name, why in (('secret_link', b'a link out of the folder'),
                          ('sub/relative_link', b'a link out of the folder'),
                          ('fonts', b'a link out of the folder'),
                          ('folder_link', b'a link to a folder'),
                          ('dangling_link', b'a link to nothing'), ('pipe', b'a named pipe')):
            check(f'"{name}" is '.encode() + why in r.stderr, f'{name} not named: {r.stderr!r}')
        check(b'inner_link' not in r.stderr, f'a link inside refused: {r.stderr!r}')
        check(not os.path.exists(out), 'pack with links: a pack was written')
        for name in ('secret_link', 'sub/relative_link', 'folder_link', 'dangling_link', 'fonts',
                     'pipe'):
            os.remove(os.path.join(src, name))
        r = run('pack', src, out)
        check(r.returncode == 0 and r.stderr == b'', f'pack with a link inside: {r.stderr!r}')
        with zipfile.ZipFile(out) as z:
            check(sorted(z.namelist()) == ['a.txt', 'inner_link', 'sub/b.txt'],
                  f'pack with a link inside: {z.namelist()}')
            check(z.read('inner_link') == b'the only copy', 'pack with a link inside: content')

        # An output that exists and is no regular file is never replaced.
        os.makedirs(os.path.join(tmp, 'folder.sgd'))
        os.mkfifo(os.path.join(tmp, 'fifo.sgd'))
        os.symlink('/dev/null', os.path.join(tmp, 'null.sgd'))
        os.symlink(out, os.path.join(tmp, 'to_pack.sgd'))
        for name, why in (('folder.sgd', b'a folder'), ('fifo.sgd', b'a named pipe'),
                          ('null.sgd', b'a link'), ('to_pack.sgd', b'a link'),
                          ('/dev/null', b'a device')):
            target = os.path.join(tmp, name)
            before = os.lstat(target)
            r = expect_failure(f'pack over {name}', 'pack', src, target)
            check(why + b', not a file a pack may replace' in r.stderr, f'{name}: {r.stderr!r}')
            after = os.lstat(target)
            check((after.st_mode, after.st_ino) == (before.st_mode, before.st_ino),
                  f'pack over {name}: it was replaced')
        check(os.listdir(os.path.join(tmp, 'folder.sgd')) == [], 'pack into a folder: files')
        check(not any(n.startswith(('folder.sgd.', 'fifo.sgd.', 'null.sgd.', 'to_pack.sgd.'))
                      for n in os.listdir(tmp)), f'temporary files left: {os.listdir(tmp)}')


def local_header(name, method, crc, csize, usize):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, method, 0, 0x21, crc, csize, usize,
                       len(name), 0) + name


def central_header(name, method, crc, csize, usize, offset):
    return struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, method, 0, 0x21, crc,
                       csize, usize, len(name), 0, 0, 0, 0, 0, offset) + name


def raw_pack(path, stored, directory):
    """A pack of raw bytes with a central directory of (name, method, crc,
    csize, usize, offset) rows, which may point anywhere."""
    cd = b''.join(central_header(*row) for row in directory)
    end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(directory), len(directory), len(cd),
                      len(stored), 0)
    with open(path, 'wb') as f:
        f.write(stored + cd + end)


def case_listchecks():
    """Packs made by hand to mislead the listing."""
    with tempfile.TemporaryDirectory() as tmp:
        # Two entries of one name, the second damaged; and names equal but for case.
        good, bad = b'the first copy', b'the second copy'
        crc = zlib.crc32(good)
        stored = local_header(b'a.txt', 0, crc, len(good), len(good)) + good
        second = len(stored)
        stored += local_header(b'a.txt', 0, crc, len(bad), len(bad)) + bad
        third = len(stored)
        stored += local_header(b'B.txt', 0, crc, len(good), len(good)) + good
        fourth = len(stored)
        stored += local_header(b'b.TXT', 0, crc, len(good), len(good)) + good
        dupes = os.path.join(tmp, 'dupes.sgd')
        raw_pack(dupes, stored, [(b'a.txt', 0, crc, len(good), len(good), 0),
                                 (b'a.txt', 0, crc, len(bad), len(bad), second),
                                 (b'B.txt', 0, crc, len(good), len(good), third),
                                 (b'b.TXT', 0, crc, len(good), len(good), fourth)])
        r = expect_failure('list of a pack with one name twice', 'list', dupes)
        check(b'more than one entry' in r.stderr and b'"a.txt"' in r.stderr
              and b'"b.TXT"' in r.stderr, f'duplicates: {r.stderr!r}')
        check(len(r.stdout.splitlines()) == 4, f'duplicates listed: {r.stdout!r}')

        # Names holding control characters are printed escaped.
        odd = os.path.join(tmp, 'odd.sgd')
        with zipfile.ZipFile(odd, 'w') as z:
            z.writestr('clear\x1b[2Jscreen.txt', b'x')
            z.writestr('two\nlines.txt', b'y')
        r = run('list', odd)
        check(r.returncode == 0, f'list of odd names: {r.stderr!r}')
        check(b'\x1b' not in r.stdout and b'clear\\x1B[2Jscreen.txt' in r.stdout,
              f'escape sequence printed: {r.stdout!r}')
        check(len(r.stdout.splitlines()) == 2 and b'two\\x0Alines.txt' in r.stdout,
              f'line break printed: {r.stdout!r}')
        # A "\" is escaped too, so that no name passes for an escape; the
        # engine cannot read such a name.
        with zipfile.ZipFile(odd, 'w') as z:
            z.writestr('back\\x41.txt', b'z')
        r = expect_failure('list of a name with "\\"', 'list', odd)
        check(b'back\\\\x41.txt' in r.stdout and b'back\\\\x41.txt' in r.stderr,
              f'backslash printed: {r.stdout!r} {r.stderr!r}')

        # Twelve entries over one compressed stream: refused without inflating.
        data = bytes(20 << 20)
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        deflated = packer.compress(data) + packer.flush()
        crc = zlib.crc32(data)
        stored = local_header(b'k00', 8, crc, len(deflated), len(data)) + deflated
        bomb = os.path.join(tmp, 'bomb.sgd')
        raw_pack(bomb, stored, [(b'k%02d' % i, 8, crc, len(deflated), len(data), 0)
                                for i in range(12)])
        start = time.monotonic()
        r = expect_failure('list of entries over one stream', 'list', bomb)
        check(b'overlap' in r.stderr and b'"k11"' in r.stderr, f'overlap: {r.stderr!r}')
        check(time.monotonic() - start < 30, 'overlapping entries were inflated')

        # Entries side by side, each with its own bytes, are fine.
        with zipfile.ZipFile(os.path.join(tmp, 'fine.sgd'), 'w') as z:
            for i in range(5):
                z.writestr(f'f{i}.txt', bytes(1000) + bytes([i]), zipfile.ZIP_DEFLATED)
            z.writestr('empty.txt', b'')
            z.writestr('also_empty.txt', b'')
        r = run('list', os.path.join(tmp, 'fine.sgd'))
        check(r.returncode == 0, f'list of a good pack: {r.stderr!r}')


def case_xml():
    latin = b'<r a="caf\xc3\xa9" n="1"><c>text</c><!--note--><![CDATA[x<y]]></r>'
    wide = b'<r e="\xe2\x82\xac"/>'
    for what, text in (('eight-bit', latin), ('wide', wide)):
        binary = run('xml2bin', stdin=text)
        check(binary.returncode == 0, f'xml2bin of {what} text: {binary.stderr!r}')
        check(binary.stdout.startswith(b'< binary-xml >'), f'xml2bin of {what} text: no signature')
        back = run('bin2xml', stdin=binary.stdout)
        check(back.returncode == 0, f'bin2xml of {what} text: {back.stderr!r}')
        check(back.stdout == text, f'{what} text came back as {back.stdout!r}')
    # Eight-bit documents keep their text in one byte a character.
    check(b'text' in run('xml2bin', stdin=latin).stdout, 'eight-bit text stored wide')
    expect_failure('xml2bin of broken XML', 'xml2bin', stdin=b'<r><c></r>')
    for what, text in (('empty', b''), ('blank', b' \n\t'), ('comment', b'<!-- c -->'),
                       ('declaration', b'<?xml version="1.0"?>')):
        r = expect_failure(f'xml2bin of {what} input', 'xml2bin', stdin=text)
        check(r.stdout == b'', f'xml2bin of {what} input wrote {r.stdout!r}')
    expect_failure('xml2bin of binary input', 'xml2bin', stdin=run('xml2bin', stdin=latin).stdout)
    expect_failure('bin2xml of text', 'bin2xml', stdin=latin)
    expect_failure('bin2xml of a cut document', 'bin2xml',
                   stdin=run('xml2bin', stdin=latin).stdout[:30])
    expect_failure('xml2bin with an argument', 'xml2bin', 'extra', code=2)
    # A name with a control character would come out as text that does not
    # load again: refused when read.
    named = run('xml2bin', stdin=b'<element_zq/>').stdout
    check(named.count(b'\x0aelement_zq') == 1, 'the name is stored once, eight-bit')
    r = expect_failure('bin2xml of a name with a control character', 'bin2xml',
                       stdin=named.replace(b'\x0aelement_zq', b'\x0aelement\x01zq'))
    check(b'incorrect name' in r.stderr, f'control character in a name: {r.stderr!r}')


def level_xml(rows, extra=None):
    size = extra or f'rows={len(rows)}\\cols={len(rows[0])}\\errors=3\\hints=2'
    body = ''.join(f'<row name="r{i}" cells="{cells}"/>' for i, cells in enumerate(rows))
    return f'<level name="1" LevelName="L" extraparams="{size}"><rows>{body}</rows></level>'.encode()


def case_levels():
    """check-level, and the data check that runs it over a data folder."""
    data_levels = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'data_levels.py')
    with tempfile.TemporaryDirectory() as tmp:
        levels = {
            'good.xml': (level_xml(['00100', '01110', '11111', '00100', '01110']),
                         'line-solvable'),
            # Colour digits and rows whose clue is 0.
            'colours.xml': (level_xml(['a1F3c', '00000', '20507', '00000', 'bbbbb']),
                            'line-solvable'),
            # Its mirror image has the same clues: the picture must change.
            'diagonal.xml': (level_xml(['10', '01']),
                             'not unique: another picture shows the same clues '
                             '(line logic leaves 4 unknown cells)'),
            # Two pictures (counted by trying every row) whose difference
            # only a guess finds.
            'two.xml': (level_xml(['00000', '10001', '01011', '10010', '11100']),
                        'not unique: another picture shows the same clues'),
            # The only picture of its clues, but no line alone decides the rest.
            'guess.xml': (level_xml(['00010', '01110', '00001', '00111', '01000']),
                          'unique, but line logic cannot reach it: needs guesses '
                          '(8 unknown cells)'),
            'short.xml': (level_xml(['00100', '0111', '11111', '00100', '01110']),
                          'cannot be read: row 2 ("r1") has 4 cells for 5 columns'),
            'huge.xml': (level_xml(['1'], 'rows=100000\\cols=100000'),
                         'cannot be read: "rows" is "100000", not a whole number from 1 to 50'),
            'broken.xml': (b'<level><rows>', 'cannot be read: '),
        }
        for name, (data, _) in levels.items():
            write(os.path.join(tmp, name), data)
        binary = run('xml2bin', stdin=levels['good.xml'][0]).stdout
        write(os.path.join(tmp, 'binary.xml'), binary)
        levels['binary.xml'] = (binary, 'line-solvable')
        levels['missing.xml'] = (None, 'cannot be read: the file cannot be opened')

        for name, (_, verdict) in levels.items():
            path = os.path.join(tmp, name)
            r = run('check-level', path)
            lines = r.stdout.decode().splitlines()
            check(len(lines) == 1 and lines[0].startswith(f'{path}: {verdict}'),
                  f'check-level {name}: {r.stdout!r}')
            if verdict == 'line-solvable':
                check(r.returncode == 0, f'check-level {name}: exit {r.returncode} {r.stderr!r}')
            else:
                summary = (b'sgdtool: 1 of 1 levels cannot be read\n'
                           if verdict.startswith('cannot be read') else
                           b'sgdtool: 1 of 1 levels are not line-solvable\n')
                check(r.returncode == 1 and r.stderr.endswith(summary),
                      f'check-level {name}: exit {r.returncode} {r.stderr!r}')
            # Every message, the library's too, is the tool's.
            check(all(l.startswith(b'sgdtool: ') for l in r.stderr.splitlines()),
                  f'check-level {name}: a message not from sgdtool: {r.stderr!r}')

        # One line per file in order; one bad level fails the lot.
        names = ['good.xml', 'diagonal.xml', 'binary.xml', 'missing.xml']
        r = run('check-level', *(os.path.join(tmp, n) for n in names))
        lines = r.stdout.decode().splitlines()
        check([l.split(': ', 1)[0] for l in lines] == [os.path.join(tmp, n) for n in names],
              f'check-level of four: {lines}')
        check(r.returncode == 1 and r.stderr.endswith(
            b'sgdtool: 1 of 4 levels are not line-solvable, 1 cannot be read\n'),
              f'check-level of four: {r.stderr!r}')
        r = run('check-level', *(os.path.join(tmp, n) for n in ['good.xml', 'short.xml']))
        check(r.returncode == 1 and r.stderr.endswith(b'sgdtool: 1 of 2 levels cannot be read\n'),
              f'check-level of a good and an unreadable level: {r.stderr!r}')
        expect_failure('check-level without files', 'check-level', code=2)

        # A level inside a pack, read as the game reads it.
        write(os.path.join(tmp, 'src', 'levels', 'good.xml'), levels['good.xml'][0])
        r = run('pack', os.path.join(tmp, 'src'), os.path.join(tmp, 'packed.sgd'))
        check(r.returncode == 0, f'pack of a level: {r.stderr!r}')
        r = run('check-level', os.path.join(tmp, 'packed', 'levels', 'good.xml'))
        check(r.returncode == 0 and b': line-solvable' in r.stdout, f'level in a pack: {r.stdout!r}')

        # The data check: data without level files fails (the data build
        # made none, or they are not where they belong); files named *.xml
        # under levels/ are checked, other files are not.
        data = os.path.join(tmp, 'data')
        write(os.path.join(data, 'levels', 'README.md'), b'not a level')
        write(os.path.join(data, 'other', 'diagonal.xml'), levels['diagonal.xml'][0])
        def check_data(what, wanted):
            r = subprocess.run([sys.executable, data_levels, TOOL, data], capture_output=True,
                               timeout=120)
            check(r.returncode == wanted, f'data check {what}: exit {r.returncode} {r.stdout!r}')
            return r.stdout
        check(b'no level files' in check_data('without levels', 1), 'data check without levels')
        write(os.path.join(data, 'levels', 'japan', 'Level01.XML'), levels['good.xml'][0])
        check(b'Level01.XML: line-solvable' in check_data('of a good level', 0),
              'data check of a good level')
        write(os.path.join(data, 'levels', 'rome', 'level02.xml'), levels['guess.xml'][0])
        out = check_data('of a level that needs a guess', 1)
        check(b'level02.xml: unique, but line logic cannot reach it' in out,
              f'data check of a bad level: {out!r}')


{'cipher': case_cipher, 'pack': case_pack, 'errors': case_errors, 'xml': case_xml,
 'refusals': case_refusals, 'listchecks': case_listchecks, 'levels': case_levels}[CASE]()
for f in failures:
    print('FAILED:', f)
sys.exit(1 if failures else 0)

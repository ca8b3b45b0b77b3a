#!/usr/bin/env python3
# Known answers for the engine's cipher (its round adds the three terms), written
# straight from the algorithm, independently of the C++ code. Writes vectors.txt:
# one "KEY:PLAIN:CIPHER" line per case, each field upper-case hex (may be empty).
import struct

M, DELTA = 0xFFFFFFFF, 0x9E3779B9

def key_words(key):
    return struct.unpack('<4I', (key + bytes(16))[:16])

def encipher_block(y, z, k):
    s = 0
    for _ in range(32):
        y = (y + ((((z << 4) & M) ^ (z >> 5)) + (z ^ s) + k[s & 3])) & M
        s = (s + DELTA) & M
        z = (z + ((((y << 4) & M) ^ (y >> 5)) + (y ^ s) + k[(s >> 11) & 3])) & M
    return y, z

def encipher(text, key):
    k, out, n = key_words(key), bytearray(text), len(text) // 8
    pair = (k[0] ^ k[2] ^ DELTA, k[1] ^ k[3] ^ DELTA)
    for j in range(n):
        pair = encipher_block(*struct.unpack_from('<2I', text, 8 * j), k)
        struct.pack_into('<2I', out, 8 * j, *pair)
    if len(text) > 8 * n:
        y, z = struct.unpack('<2I', (text[8 * n:] + bytes(8))[:8])
        out[8 * n:] = struct.pack('<2I', y ^ pair[0], z ^ pair[1])[:len(text) - 8 * n]
    return bytes(out)

keys = [b'', b'Quillmarch-2007', b'0123456789abcdef', b'options.dat/key-22char',
        b'abcdefghijklmnopqrstuvwxyz']
with open('vectors.txt', 'w') as f:
    for key in keys:
        for length in (0, 1, 7, 8, 9, 17, 40, 71, 203):
            text = bytes((0x3C + 37 * i) & 0xFF for i in range(length))
            f.write(f'{key.hex().upper()}:{text.hex().upper()}:{encipher(text, key).hex().upper()}\n')

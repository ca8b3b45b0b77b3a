#!/usr/bin/env python3
"""Checks where the location scenes' items stand, from what is drawn.

    scene_placement.py RSVG_CONVERT DEFINITION FILES ART

DEFINITION is the assembled game definition (ini/Quillmarch.xml with its
parts put in); FILES the folder the definition's file names are relative to
(the built data); ART the scenes' sources (data/art/scenes). Every copy of
the picture group "locations" in the definition is checked: for each
location and each layer L, the items shown with it are those of layers 1 to
L (the lower layers' items stand in L's picture as bought). An item's area
is the opaque part (alpha of at least one half) of its built picture, put at
its widget's place; the path's and the water's areas are the opaque part of
the layer source's elements "path" and "water", rasterised alone. It fails
when two items shown together share a pixel, when an item shares one with
the path, or when the path runs into the water.
"""
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SVG = "{http://www.w3.org/2000/svg}"
OPAQUE = 128


def read_alpha(path):
    """The picture's alpha as (w, h, rows of bytes); RGB pictures are opaque."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, w, h, channels = 8, [], 0, 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            channels = {6: 4, 2: 3}.get(ctype, 0)
            if depth != 8 or not channels or interlace:
                raise ValueError(f"{path}: only 8-bit RGB(A), not interlaced (depth {depth}, type {ctype})")
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + n
    raw = zlib.decompress(b"".join(idat))
    stride, bpp = w * channels, channels
    prev = bytearray(stride)
    rows, i = [], 0
    for _ in range(h):
        f = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        if f == 1:
            for x in range(bpp, stride):
                line[x] = (line[x] + line[x - bpp]) & 255
        elif f == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, prev))
        elif f == 3:
            for x in range(stride):
                left = line[x - bpp] if x >= bpp else 0
                line[x] = (line[x] + ((left + prev[x]) >> 1)) & 255
        elif f == 4:
            for x in range(stride):
                a = line[x - bpp] if x >= bpp else 0
                b = prev[x]
                c = prev[x - bpp] if x >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line[3::4]) if channels == 4 else b"\xff" * w)
        prev = line
    return w, h, rows


def mask(path, dx=0, dy=0):
    """The opaque pixels of a picture, moved by (dx, dy): {y: set of x}."""
    w, h, rows = read_alpha(path)
    out = {}
    for y, row in enumerate(rows):
        xs = {x + dx for x, a in enumerate(row) if a >= OPAQUE}
        if xs:
            out[y + dy] = xs
    return out, (w, h)


def meet(a, b):
    """Pixels two masks share: (count, one of them)."""
    n, where = 0, None
    for y, xs in a.items():
        both = xs & b.get(y, set())
        if both:
            n += len(both)
            where = where or (min(both), y)
    return n, where


def element_mask(svg_path, element_id, tmp):
    """The opaque pixels of one element of a scene's layer source, drawn alone
    at full opacity on the layer's canvas; None if it has no such element."""
    tree = ET.parse(svg_path)
    root = tree.getroot()
    found = [e for e in root.iter() if e.get("id") == element_id]
    if not found:
        return None
    element = found[0]
    element.attrib.pop("opacity", None)
    element.set("fill-opacity", "1")
    keep = ET.Element(root.tag, {k: v for k, v in root.attrib.items()})
    for child in root:
        if child.tag == SVG + "defs":
            keep.append(child)
    keep.append(element)
    alone = os.path.join(tmp, "alone.svg")
    ET.ElementTree(keep).write(alone, encoding="utf-8", xml_declaration=True)
    png = os.path.join(tmp, "alone.png")
    subprocess.run([RSVG, "--output", png, alone], check=True)
    return mask(png)[0]


def number(widget, name):
    return int(float(widget.get(name, "0")))


def main():
    global RSVG
    RSVG, definition, files, art = sys.argv[1:5]
    root = ET.parse(definition).getroot()
    # Resource name -> file, from the scene store's picture lists.
    resources = {}
    for param in root.iter("param"):
        value = param.get("value", "")
        if value.lower().endswith(".png"):
            resources[param.get("name", "").lower()] = value.replace("\\", "/")
    groups = [g for g in root.iter("widget") if g.get("name") == "locations" and g.get("type") == "group_widget"]
    if not groups:
        print(f"{definition}: no picture group 'locations'")
        return 1
    problems, checked = [], set()
    masks = {}
    with tempfile.TemporaryDirectory() as tmp:
        for group in groups:
            for location in group.find("widgets"):
                loc = location.get("name")
                shown = []
                for layer in location.find("widgets"):
                    lname = layer.get("name")
                    items = [w for w in layer.iter("widget") if w.get("type") == "QuillmarchMagicItem"]
                    for item in items:
                        image = next(w for w in item.iter("widget") if w.get("name") == "unlocked")
                        file = resources[image.get("resourcename").lower()]
                        key = (file, number(item, "anchor_left"), number(item, "anchor_top"))
                        if key not in masks:
                            m, (w, h) = mask(os.path.join(files, file), key[1], key[2])
                            if (w, h) != (number(image, "width"), number(image, "height")):
                                problems.append(f"{loc}/{lname}/{item.get('name')}: picture {w} x {h}, widget "
                                                f"{image.get('width')} x {image.get('height')}")
                            masks[key] = m
                        shown.append((f"{lname}/{item.get('name')}", masks[key], key))
                    # The same layer with the same items in the same places is checked once.
                    seen = (loc, lname, tuple(k for _, _, k in shown))
                    if seen in checked:
                        continue
                    checked.add(seen)
                    source = os.path.join(art, loc, lname + ".svg")
                    path = element_mask(source, "path", tmp)
                    water = element_mask(source, "water", tmp)
                    if path is None:
                        problems.append(f"{source}: no element 'path'")
                        continue
                    if not sum(len(xs) for xs in path.values()):
                        problems.append(f"{source}: the path draws nothing")
                    if water:
                        n, at = meet(path, water)
                        if n:
                            problems.append(f"{loc}/{lname}: the path runs into the water ({n} pixels, at {at})")
                    for k, (name, m, _) in enumerate(shown):
                        if not sum(len(xs) for xs in m.values()):
                            problems.append(f"{loc}/{name}: draws nothing")
                        n, at = meet(m, path)
                        if n:
                            problems.append(f"{loc}/{lname}: {name} stands on the path ({n} pixels, at {at})")
                        for other, om, _ in shown[k + 1:]:
                            n, at = meet(m, om)
                            if n:
                                problems.append(f"{loc}/{lname}: {name} meets {other} ({n} pixels, at {at})")
    for p in dict.fromkeys(problems):
        print(p)
    print(f"{len(checked)} layers checked, {len(dict.fromkeys(problems))} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes the SVG sources of the game world's pictures into this folder.

The map, its seven places in their looks, the medallion's parts, the
trophies and the panels share one hand: ink outlines on parchment, washed
with the palette's gold and teal (../palette.css). Run it again after a
change here and commit the SVGs it writes; the data build rasterises them.

    python3 data/art/world/make_world_art.py
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

LOCATIONS = ["japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"]

# Colour classes of the palette; a locked place is drawn in its greys.
COLOURS = {
    "ink": "ink", "ink-light": "ink-light", "ink-deep": "ink-deep",
    "paper": "parchment", "paper-shade": "parchment-shade",
    "gold": "gold", "gold-light": "gold-light", "gold-dark": "gold-dark",
    "teal": "teal", "grey": "grey", "grey-dark": "grey-dark",
}
GREYS = {
    "ink": "grey-dark", "ink-light": "grey-dark", "ink-deep": "grey-dark",
    "paper": "parchment-shade", "paper-shade": "grey",
    "gold": "grey", "gold-light": "parchment-shade", "gold-dark": "grey-dark",
    "teal": "grey", "grey": "grey", "grey-dark": "grey-dark",
}


# The palette is copied into each picture: the rasteriser reads no
# stylesheet from outside the picture's own folder.
with open(os.path.join(HERE, "..", "palette.css"), encoding="utf-8") as _f:
    PALETTE = _f.read()


def header(w, h, comment):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<!-- {comment} Written by make_world_art.py from ../palette.css. -->\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}">\n<style>\n{PALETTE}</style>\n')


def write(name, text):
    with open(os.path.join(HERE, name + ".svg"), "w", encoding="utf-8") as f:
        f.write(text + "</svg>\n")


class Pen:
    """Maps the drawing's colour names to palette classes (colour or greys)."""

    def __init__(self, greys=False):
        self.table = GREYS if greys else COLOURS

    def f(self, colour):
        return f'class="fill-{self.table[colour]}"'

    def fs(self, colour, stroke="ink", width=1.6):
        return (f'class="fill-{self.table[colour]} stroke-{self.stroke(stroke)}" '
                f'stroke-width="{width}" stroke-linejoin="round"')

    def s(self, colour, width=1.6):
        return (f'fill="none" class="stroke-{self.stroke(colour)}" stroke-width="{width}" '
                'stroke-linecap="round" stroke-linejoin="round"')

    def stroke(self, colour):
        # The palette has strokes for fewer colours than fills.
        name = self.table[colour]
        return {"ink": "ink-deep", "ink-deep": "ink-deep", "ink-light": "ink-light",
                "teal": "ink-light", "parchment": "parchment",
                "parchment-shade": "parchment-shade"}.get(name, name)


# ---------------------------------------------------------------------------
# The seven places, each drawn in a 160 x 140 frame (0,0 at its top left);
# the vignette clips it to a circle.

def sky(p, sun=True):
    out = f'<rect x="0" y="0" width="160" height="140" {p.f("paper")}/>\n'
    out += f'<rect x="0" y="0" width="160" height="70" {p.f("gold-light")} fill-opacity="0.45"/>\n'
    if sun:
        out += f'<circle cx="118" cy="34" r="14" {p.f("gold")} fill-opacity="0.9"/>\n'
    return out


def hatch(p, x0, y0, x1, y1, step=6, colour="ink", opacity=0.25):
    out = ""
    for x in range(int(x0), int(x1), step):
        out += (f'<path d="M {x} {y1} L {x + (y1 - y0) * 0.4:.1f} {y0}" {p.s(colour, 0.8)} '
                f'stroke-opacity="{opacity}"/>\n')
    return out


def waves(p, y, x0=0, x1=160, colour="ink-light"):
    out = ""
    for x in range(x0 + 6, x1 - 10, 22):
        out += f'<path d="M {x} {y} q 4 -4 8 0 t 8 0" {p.s(colour, 1.2)} stroke-opacity="0.7"/>\n'
    return out


def japan(p):
    out = sky(p)
    out += f'<path d="M 0 96 L 52 40 Q 60 32 68 40 L 124 96 Z" {p.fs("ink-light")}/>\n'
    out += f'<path d="M 42 51 L 52 40 Q 60 32 68 40 L 78 51 L 70 47 L 64 55 L 58 46 L 50 54 Z" {p.fs("paper", "ink", 1.2)}/>\n'
    out += f'<rect x="0" y="96" width="160" height="44" {p.f("teal")} fill-opacity="0.75"/>\n'
    out += waves(p, 112) + waves(p, 128)
    # A gate on the shore.
    out += f'<path d="M 92 64 Q 118 58 150 64 L 150 70 Q 118 65 92 70 Z" {p.fs("gold-dark")}/>\n'
    out += f'<rect x="96" y="76" width="50" height="5" {p.fs("gold-dark", "ink", 1.2)}/>\n'
    out += f'<rect x="101" y="68" width="6" height="42" {p.fs("gold-dark", "ink", 1.2)}/>\n'
    out += f'<rect x="135" y="68" width="6" height="42" {p.fs("gold-dark", "ink", 1.2)}/>\n'
    # Blossom branch.
    out += f'<path d="M 0 22 Q 24 26 40 14" {p.s("ink", 2)}/>\n'
    for x, y in [(12, 22), (22, 26), (30, 18), (38, 13), (18, 16)]:
        out += f'<circle cx="{x}" cy="{y}" r="3.2" {p.fs("paper", "gold-dark", 1)}/>\n'
    return out


def rome(p):
    out = sky(p)
    out += f'<rect x="0" y="104" width="160" height="36" {p.f("gold")} fill-opacity="0.55"/>\n'
    # The great arena: three tiers of arches.
    out += f'<path d="M 22 108 L 22 46 Q 80 30 138 46 L 138 108 Z" {p.fs("paper-shade")}/>\n'
    for row, (y, h) in enumerate([(54, 14), (72, 14), (90, 16)]):
        for i in range(7):
            x = 28 + i * 16
            out += (f'<path d="M {x} {y + h} L {x} {y + 5} Q {x + 5} {y} {x + 10} {y + 5} '
                    f'L {x + 10} {y + h} Z" {p.fs("ink-light", "ink", 1)} fill-opacity="0.8"/>\n')
    out += f'<path d="M 22 50 Q 80 35 138 50" {p.s("ink", 1.4)}/>\n'
    out += f'<path d="M 22 70 L 138 70 M 22 88 L 138 88" {p.s("ink", 1.2)}/>\n'
    # Cypresses.
    for x in (8, 150):
        out += f'<path d="M {x} 112 Q {x - 7} 86 {x} 62 Q {x + 7} 86 {x} 112 Z" {p.fs("teal")}/>\n'
    return out


def tibet(p):
    out = sky(p, sun=False)
    out += f'<circle cx="30" cy="26" r="11" {p.f("gold")} fill-opacity="0.9"/>\n'
    out += f'<path d="M 0 92 L 40 36 L 62 62 L 96 18 L 160 92 Z" {p.fs("ink-light")}/>\n'
    out += f'<path d="M 82 36 L 96 18 L 112 40 L 104 36 L 98 44 L 90 36 Z" {p.fs("paper", "ink", 1.1)}/>\n'
    out += f'<path d="M 32 47 L 40 36 L 50 48 L 42 45 Z" {p.fs("paper", "ink", 1.1)}/>\n'
    out += f'<rect x="0" y="92" width="160" height="48" {p.f("paper-shade")}/>\n'
    # The white monastery with its gold roof.
    out += f'<path d="M 44 118 L 48 78 L 112 78 L 116 118 Z" {p.fs("paper")}/>\n'
    out += f'<rect x="46" y="72" width="68" height="8" {p.fs("gold-dark", "ink", 1.2)}/>\n'
    out += f'<path d="M 66 72 L 80 58 L 94 72 Z" {p.fs("gold")}/>\n'
    for x in (56, 72, 88, 100):
        out += f'<rect x="{x}" y="88" width="6" height="9" {p.fs("ink-light", "ink", 0.8)}/>\n'
    out += f'<rect x="74" y="102" width="12" height="16" {p.fs("gold-dark", "ink", 1)}/>\n'
    # Prayer flags.
    out += f'<path d="M 4 60 Q 24 70 44 64" {p.s("ink", 1)}/>\n'
    for i, c in enumerate(["teal", "gold", "paper", "teal", "gold"]):
        x = 8 + i * 7
        y = 62 + (3 if 1 <= i <= 3 else 1)
        out += f'<rect x="{x}" y="{y}" width="5" height="6" {p.fs(c, "ink", 0.6)}/>\n'
    return out


def egypt(p):
    out = sky(p)
    out += f'<rect x="0" y="88" width="160" height="52" {p.f("gold")} fill-opacity="0.8"/>\n'
    out += f'<path d="M 10 96 L 54 38 L 98 96 Z" {p.fs("gold-light")}/>\n'
    out += f'<path d="M 54 38 L 98 96 L 70 96 Z" {p.fs("gold-dark", "ink", 1.2)} fill-opacity="0.8"/>\n'
    out += f'<path d="M 84 96 L 112 60 L 140 96 Z" {p.fs("gold-light")}/>\n'
    out += f'<path d="M 112 60 L 140 96 L 122 96 Z" {p.fs("gold-dark", "ink", 1.2)} fill-opacity="0.8"/>\n'
    out += hatch(p, 14, 60, 60, 96, 7, "gold-dark", 0.4)
    # The river and a palm.
    out += f'<path d="M 0 124 Q 60 108 160 120 L 160 140 L 0 140 Z" {p.fs("teal", "ink-light", 1.2)}/>\n'
    out += waves(p, 130, 10, 150)
    out += f'<path d="M 142 118 Q 146 96 140 80" {p.s("gold-dark", 3)}/>\n'
    for d in ["M 140 80 q -16 -6 -24 6", "M 140 80 q 14 -8 22 4", "M 140 80 q -8 -14 -20 -12",
              "M 140 80 q 6 -14 18 -12"]:
        out += f'<path d="{d}" {p.s("teal", 3.5)}/>\n'
    return out


def greece(p):
    out = sky(p)
    out += f'<rect x="0" y="100" width="160" height="40" {p.f("teal")} fill-opacity="0.75"/>\n'
    out += waves(p, 118) + waves(p, 132)
    out += f'<path d="M 0 104 Q 40 80 80 82 Q 124 82 160 104 Z" {p.fs("gold", "ink", 1.2)} fill-opacity="0.75"/>\n'
    # The temple: roof, columns, steps.
    out += f'<path d="M 34 50 L 80 30 L 126 50 Z" {p.fs("paper")}/>\n'
    out += f'<path d="M 56 46 L 80 36 L 104 46 Z" {p.f("paper-shade")}/>\n'
    out += f'<rect x="34" y="50" width="92" height="7" {p.fs("paper")}/>\n'
    for i in range(6):
        x = 40 + i * 16
        out += f'<rect x="{x}" y="57" width="7" height="28" {p.fs("paper")}/>\n'
        out += f'<path d="M {x + 2.3} 60 V 83 M {x + 4.7} 60 V 83" {p.s("paper-shade", 0.8)}/>\n'
    out += f'<rect x="30" y="85" width="100" height="5" {p.fs("paper-shade")}/>\n'
    out += f'<rect x="26" y="90" width="108" height="5" {p.fs("paper-shade")}/>\n'
    # An olive branch.
    out += f'<path d="M 2 40 Q 14 34 26 38" {p.s("ink", 1.4)}/>\n'
    for x, y, r in [(8, 35, -30), (14, 38, 30), (20, 34, -20), (24, 40, 40)]:
        out += (f'<ellipse cx="{x}" cy="{y}" rx="4.5" ry="1.8" transform="rotate({r} {x} {y})" '
                f'{p.fs("teal", "ink", 0.6)}/>\n')
    return out


def aztecs(p):
    out = sky(p)
    out += f'<rect x="0" y="104" width="160" height="36" {p.f("teal")} fill-opacity="0.8"/>\n'
    # The stepped pyramid and its shrine.
    steps = [(24, 104, 112), (34, 92, 92), (44, 80, 72), (54, 68, 52)]
    for x, y, w in steps:
        out += f'<rect x="{x}" y="{y}" width="{w}" height="12" {p.fs("paper-shade")}/>\n'
        out += f'<path d="M {x + 4} {y + 6} H {x + w - 4}" {p.s("gold-dark", 1)} stroke-dasharray="4 3"/>\n'
    out += f'<path d="M 72 104 L 76 68 L 84 68 L 88 104 Z" {p.fs("gold-dark", "ink", 1)}/>\n'
    out += f'<rect x="62" y="46" width="36" height="22" {p.fs("gold")}/>\n'
    out += f'<rect x="74" y="54" width="12" height="14" {p.fs("ink-light", "ink", 1)}/>\n'
    out += f'<path d="M 60 46 L 80 36 L 100 46 Z" {p.fs("gold-dark", "ink", 1.2)}/>\n'
    # Jungle.
    for x, y, r in [(8, 100, 14), (22, 108, 11), (140, 100, 15), (154, 110, 10), (130, 114, 9)]:
        out += f'<circle cx="{x}" cy="{y}" r="{r}" {p.fs("teal", "ink", 1.2)}/>\n'
    return out


def china(p):
    out = sky(p)
    out += f'<path d="M 0 80 Q 30 50 60 76 Q 90 46 120 70 Q 140 56 160 66 L 160 140 L 0 140 Z" {p.fs("teal", "ink", 1.2)} fill-opacity="0.85"/>\n'
    # The wall winding over the hills.
    wall = "M 0 112 Q 24 96 44 104 Q 70 116 92 96 Q 112 80 160 90"
    out += f'<path d="{wall}" fill="none" class="stroke-{p.stroke("ink")}" stroke-width="11" stroke-linecap="round"/>\n'
    out += f'<path d="{wall}" fill="none" class="stroke-{p.stroke("paper-shade")}" stroke-width="8" stroke-linecap="round"/>\n'
    out += f'<path d="{wall}" fill="none" class="stroke-{p.stroke("ink")}" stroke-width="2" stroke-dasharray="3 4" transform="translate(0 -4)"/>\n'
    # A pagoda.
    for i, (w, y) in enumerate([(44, 64), (36, 50), (28, 37)]):
        x = 40 - w / 2
        out += f'<rect x="{40 - w / 2 + 6}" y="{y}" width="{w - 12}" height="12" {p.fs("paper")}/>\n'
        out += (f'<path d="M {x - 4} {y + 2} Q {x + w / 2} {y - 8} {x + w + 4} {y + 2} '
                f'L {x + w - 2} {y} L {x + 2} {y} Z" {p.fs("gold-dark", "ink", 1.2)}/>\n')
    out += f'<path d="M 40 22 V 30" {p.s("ink", 2)}/>\n'
    out += f'<rect x="22" y="76" width="36" height="12" {p.fs("paper")}/>\n'
    out += f'<rect x="35" y="79" width="10" height="9" {p.fs("ink-light", "ink", 0.8)}/>\n'
    return out


SCENES = {"japan": japan, "rome": rome, "tibet": tibet, "egypt": egypt, "greece": greece,
          "aztecs": aztecs, "china": china}

# A place's picture: 200 x 176, the vignette a circle of radius 70 around
# (100, 78), the name's ribbon below it (the name itself is a text widget).
LW, LH = 200, 176
CX, CY, R = 100, 78, 68


def ribbon(p, kind):
    fill = {"locked": "paper-shade", "gold": "gold", "silver": "paper", "plain": "paper"}[kind]
    y = 132
    out = (f'<path d="M 16 {y + 4} L 30 {y + 4} L 30 {y + 30} L 16 {y + 30} L 24 {y + 17} Z" '
           f'{p.fs("gold-dark" if kind != "locked" else "grey-dark", "ink", 1.4)}/>\n')
    out += (f'<path d="M 184 {y + 4} L 170 {y + 4} L 170 {y + 30} L 184 {y + 30} L 176 {y + 17} Z" '
            f'{p.fs("gold-dark" if kind != "locked" else "grey-dark", "ink", 1.4)}/>\n')
    out += (f'<path d="M 26 {y} Q 100 {y - 8} 174 {y} L 174 {y + 26} Q 100 {y + 18} 26 {y + 26} Z" '
            f'{p.fs(fill, "ink", 1.8)}/>\n')
    return out


def ring_defs(kind):
    if kind == "gold":
        return ('<linearGradient id="metal" x1="0" y1="0" x2="1" y2="1">'
                '<stop offset="0" class="stop-gold-light"/><stop offset="0.5" class="stop-gold"/>'
                '<stop offset="1" class="stop-gold-dark"/></linearGradient>\n')
    if kind == "silver":
        return ('<linearGradient id="metal" x1="0" y1="0" x2="1" y2="1">'
                '<stop offset="0" class="stop-parchment"/><stop offset="0.5" class="stop-grey-light"/>'
                '<stop offset="1" class="stop-grey-dark"/></linearGradient>\n')
    return ""


def star(cx, cy, r, attrs):
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        rr = r if i % 2 == 0 else r * 0.45
        pts.append(f"{cx + rr * math.cos(a):.1f},{cy + rr * math.sin(a):.1f}")
    return f'<polygon points="{" ".join(pts)}" {attrs}/>\n'


def location_picture(name, kind):
    """kind: plain (open), locked, gold, silver."""
    p = Pen(greys=(kind == "locked"))
    out = header(LW, LH, f"The place {name} on the map, {kind}.")
    out += ('<defs>\n'
            f'<clipPath id="disc"><circle cx="{CX}" cy="{CY}" r="{R}"/></clipPath>\n'
            '<filter id="shadow" x="-20%" y="-20%" width="140%" height="140%">'
            '<feGaussianBlur in="SourceAlpha" stdDeviation="3"/><feOffset dx="0" dy="3"/>'
            '<feComponentTransfer><feFuncA type="linear" slope="0.45"/></feComponentTransfer>'
            '<feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge></filter>\n'
            + ring_defs(kind) + '</defs>\n')
    out += '<g filter="url(#shadow)">\n'
    out += f'<circle cx="{CX}" cy="{CY}" r="{R + 6}" {p.fs("paper", "ink", 2)}/>\n'
    out += f'<g clip-path="url(#disc)"><g transform="translate({CX - 80} {CY - 70})">\n'
    out += SCENES[name](p)
    out += '</g></g>\n'
    if kind == "locked":
        out += f'<circle cx="{CX}" cy="{CY}" r="{R}" class="fill-ink-deep" fill-opacity="0.35"/>\n'
    if kind in ("gold", "silver"):
        out += f'<circle cx="{CX}" cy="{CY}" r="{R + 3}" fill="none" stroke="url(#metal)" stroke-width="9"/>\n'
        out += f'<circle cx="{CX}" cy="{CY}" r="{R + 7.5}" fill="none" class="stroke-ink-deep" stroke-width="1.4"/>\n'
        out += f'<circle cx="{CX}" cy="{CY}" r="{R - 1.5}" fill="none" class="stroke-ink-deep" stroke-width="1.2"/>\n'
        # Laurels on both sides.
        for side in (-1, 1):
            for i in range(6):
                a = math.radians(120 + i * 16) if side < 0 else math.radians(60 - i * 16)
                x = CX + (R + 3) * math.cos(a)
                y = CY + (R + 3) * math.sin(a)
                rot = math.degrees(a) + (90 if side > 0 else -90)
                out += (f'<ellipse cx="{x:.1f}" cy="{y:.1f}" rx="7" ry="3" '
                        f'transform="rotate({rot:.0f} {x:.1f} {y:.1f})" fill="url(#metal)" '
                        'class="stroke-ink-deep" stroke-width="0.8"/>\n')
        out += star(CX, CY - R - 4, 13, 'fill="url(#metal)" class="stroke-ink-deep" stroke-width="1.2"')
    else:
        out += f'<circle cx="{CX}" cy="{CY}" r="{R + 1}" {p.s("ink", 3)}/>\n'
        out += f'<circle cx="{CX}" cy="{CY}" r="{R + 5}" {p.s("ink", 1)}/>\n'
    out += ribbon(p, {"plain": "plain", "locked": "locked", "gold": "gold", "silver": "silver"}[kind])
    out += '</g>\n'
    if kind == "locked":
        # A wax seal with a keyhole.
        out += ('<g transform="translate(100 78)">'
                '<path d="M 0 -24 C 14 -26 26 -14 24 0 C 26 14 14 26 0 24 C -14 26 -26 14 -24 0 '
                'C -26 -14 -14 -26 0 -24 Z" class="fill-gold-dark stroke-ink-deep" stroke-width="1.6"/>'
                '<circle r="16" fill="none" class="stroke-gold-light" stroke-width="1.2" stroke-opacity="0.6"/>'
                '<circle cx="0" cy="-4" r="5" class="fill-ink-deep"/>'
                '<path d="M -3 -2 L -5 10 L 5 10 L 3 -2 Z" class="fill-ink-deep"/></g>\n')
    write(f"map_{name}_{kind}", out)


def location_glow():
    out = header(LW, LH, "The glow behind a place under the pointer.")
    out += ('<defs><radialGradient id="glow" cx="100" cy="78" r="96" gradientUnits="userSpaceOnUse">'
            '<stop offset="0.6" class="stop-gold-light" stop-opacity="0.95"/>'
            '<stop offset="0.8" class="stop-gold" stop-opacity="0.45"/>'
            '<stop offset="1" class="stop-gold" stop-opacity="0"/></radialGradient></defs>\n')
    out += '<circle cx="100" cy="78" r="96" fill="url(#glow)"/>\n'
    write("map_location_glow", out)


def progress_bar():
    out = header(132, 14, "The frame of a place's progress bar.")
    out += '<rect x="1" y="1" width="130" height="12" rx="6" class="fill-ink-deep stroke-gold-dark" stroke-width="2"/>\n'
    write("map_progress_frame", out)
    out = header(124, 8, "The fill of a place's progress bar.")
    out += ('<defs><linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" class="stop-gold-light"/><stop offset="1" class="stop-gold"/></linearGradient></defs>\n')
    out += '<rect x="0" y="0" width="124" height="8" rx="4" fill="url(#fill)"/>\n'
    write("map_progress_fill", out)


# ---------------------------------------------------------------------------
# The map itself.

LOCATION_PLACES = {  # top left of each place's picture on the map
    "japan": (54, 92), "rome": (300, 52), "tibet": (560, 84), "egypt": (800, 132),
    "greece": (640, 372), "aztecs": (372, 356), "china": (96, 388),
}


def blob(cx, cy, rx, ry, seed, points=14, rough=0.22):
    rnd = random.Random(seed)
    pts = []
    for i in range(points):
        a = 2 * math.pi * i / points
        k = 1 + rnd.uniform(-rough, rough)
        pts.append((cx + rx * k * math.cos(a), cy + ry * k * math.sin(a)))
    d = f"M {pts[0][0]:.1f} {pts[0][1]:.1f} "
    for i in range(points):
        x0, y0 = pts[i]
        x1, y1 = pts[(i + 1) % points]
        mx, my = (x0 + x1) / 2, (y0 + y1) / 2
        d += f"Q {x0:.1f} {y0:.1f} {mx:.1f} {my:.1f} "
    return d + "Z"


def compass(cx, cy, r):
    out = f'<g transform="translate({cx} {cy})">\n'
    out += f'<circle r="{r}" fill="none" class="stroke-ink-deep" stroke-width="1.6"/>\n'
    out += f'<circle r="{r - 6}" fill="none" class="stroke-gold-dark" stroke-width="1"/>\n'
    for i in range(8):
        a = i * 45
        long = r - 2 if i % 2 == 0 else r * 0.6
        cls = "fill-gold" if i % 2 == 0 else "fill-parchment-shade"
        out += (f'<path d="M 0 {-long} L {long * 0.16:.1f} 0 L 0 {long * 0.16:.1f} L {-long * 0.16:.1f} 0 Z" '
                f'transform="rotate({a})" class="{cls} stroke-ink-deep" stroke-width="1"/>\n')
    out += '<circle r="4" class="fill-ink"/>\n'
    out += (f'<text x="0" y="{-r - 6}" text-anchor="middle" class="title fill-ink" font-size="16">N</text>\n')
    return out + '</g>\n'


def mountains(x, y, n, seed):
    rnd = random.Random(seed)
    out = ""
    for i in range(n):
        mx = x + i * 18 + rnd.uniform(-4, 4)
        h = rnd.uniform(14, 22)
        out += (f'<path d="M {mx - 12:.1f} {y} L {mx:.1f} {y - h:.1f} L {mx + 12:.1f} {y}" '
                'class="fill-parchment-shade stroke-ink-deep" stroke-width="1.3" stroke-linejoin="round"/>\n')
        out += (f'<path d="M {mx:.1f} {y - h:.1f} L {mx + 6:.1f} {y - h / 2:.1f}" '
                'fill="none" class="stroke-ink-deep" stroke-width="0.9" stroke-opacity="0.6"/>\n')
    return out


def trees(x, y, n, seed):
    rnd = random.Random(seed)
    out = ""
    for i in range(n):
        tx = x + (i % 4) * 14 + rnd.uniform(-3, 3)
        ty = y + (i // 4) * 12 + rnd.uniform(-2, 2)
        out += f'<path d="M {tx:.1f} {ty + 8:.1f} V {ty + 12:.1f}" class="stroke-ink-deep" stroke-width="1.2"/>\n'
        out += f'<circle cx="{tx:.1f}" cy="{ty + 3:.1f}" r="5.5" class="fill-teal stroke-ink-deep" stroke-width="1" fill-opacity="0.8"/>\n'
    return out


def map_background():
    out = header(1024, 768, "The parchment map of the seven places.")
    out += ('<defs>\n'
            '<radialGradient id="paper" cx="512" cy="360" r="700" gradientUnits="userSpaceOnUse">'
            '<stop offset="0" class="stop-parchment"/><stop offset="0.7" class="stop-parchment"/>'
            '<stop offset="1" class="stop-parchment-shade"/></radialGradient>\n'
            '<radialGradient id="burn" cx="512" cy="384" r="660" gradientUnits="userSpaceOnUse">'
            '<stop offset="0.72" class="stop-gold-dark" stop-opacity="0"/>'
            '<stop offset="1" class="stop-gold-dark" stop-opacity="0.55"/></radialGradient>\n'
            '<pattern id="sea" width="40" height="24" patternUnits="userSpaceOnUse">'
            '<path d="M 4 14 q 6 -6 12 0 t 12 0" fill="none" class="stroke-ink-light" stroke-width="1" stroke-opacity="0.35"/>'
            '</pattern>\n'
            '</defs>\n')
    out += '<rect width="1024" height="768" fill="url(#paper)"/>\n'
    out += '<rect width="1024" height="768" class="fill-teal" fill-opacity="0.16"/>\n'
    out += '<rect width="1024" height="768" fill="url(#sea)"/>\n'
    # Land masses, each with a darker coast line drawn twice.
    lands = [
        (170, 220, 190, 170, 3), (420, 150, 170, 120, 5), (660, 200, 190, 150, 7),
        (890, 240, 130, 170, 11), (730, 470, 170, 130, 13), (470, 470, 160, 120, 17),
        (210, 490, 190, 140, 19),
    ]
    for cx, cy, rx, ry, seed in lands:
        d = blob(cx, cy, rx, ry, seed)
        out += f'<path d="{d}" fill="none" class="stroke-ink-light" stroke-width="12" stroke-opacity="0.12"/>\n'
        out += f'<path d="{d}" class="fill-parchment stroke-ink-deep" stroke-width="2"/>\n'
        out += f'<path d="{blob(cx, cy, rx * 0.82, ry * 0.8, seed + 1)}" class="fill-gold-light" fill-opacity="0.25"/>\n'
    out += mountains(240, 300, 5, 1) + mountains(520, 230, 4, 2) + mountains(820, 330, 3, 3)
    out += mountains(560, 560, 4, 4) + mountains(260, 600, 3, 5)
    out += trees(120, 330, 8, 6) + trees(360, 200, 4, 7) + trees(900, 360, 4, 8)
    out += trees(660, 560, 8, 9) + trees(420, 560, 4, 10)
    # The route between the places, in visiting order.
    centres = [(x + 100, y + 78) for x, y in (LOCATION_PLACES[n] for n in LOCATIONS)]
    d = f"M {centres[0][0]} {centres[0][1]} "
    for (x0, y0), (x1, y1) in zip(centres, centres[1:]):
        mx, my = (x0 + x1) / 2, (y0 + y1) / 2 - 40
        d += f"Q {mx:.0f} {my:.0f} {x1} {y1} "
    out += f'<path d="{d}" fill="none" class="stroke-gold-dark" stroke-width="4" stroke-dasharray="2 10" stroke-linecap="round"/>\n'
    out += compass(930, 560, 54)
    # A small ship and a sea serpent for company.
    out += ('<g transform="translate(560 318)"><path d="M -22 0 L 22 0 L 14 10 L -14 10 Z" class="fill-gold-dark stroke-ink-deep" stroke-width="1.4"/>'
            '<path d="M 0 0 V -34" class="stroke-ink-deep" stroke-width="2"/>'
            '<path d="M 2 -32 Q 18 -18 2 -4 Z" class="fill-parchment stroke-ink-deep" stroke-width="1.2"/>'
            '<path d="M -2 -30 Q -16 -18 -2 -6 Z" class="fill-parchment stroke-ink-deep" stroke-width="1.2"/></g>\n')
    out += ('<g transform="translate(90 690)" class="stroke-ink-deep" stroke-width="2" fill="none">'
            '<path d="M 0 0 q 14 -18 28 0 q 14 18 28 0 q 14 -18 28 0" class="stroke-ink-light" stroke-width="6"/>'
            '<circle cx="90" cy="-6" r="7" class="fill-teal stroke-ink-deep" stroke-width="1.4"/></g>\n')
    # The border: a double ink line with gold corners.
    out += '<rect width="1024" height="768" fill="url(#burn)"/>\n'
    out += '<rect x="10" y="10" width="1004" height="748" fill="none" class="stroke-ink-deep" stroke-width="4"/>\n'
    out += '<rect x="20" y="20" width="984" height="728" fill="none" class="stroke-gold-dark" stroke-width="1.5"/>\n'
    for x, y in [(15, 15), (1009, 15), (15, 753), (1009, 753)]:
        out += f'<circle cx="{x}" cy="{y}" r="9" class="fill-gold stroke-ink-deep" stroke-width="2"/>\n'
    write("map_background", out)


def scroll_edge():
    out = header(1024, 114, "The rolled edge of the parchment during a scroll.")
    out += ('<defs><linearGradient id="roll" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" class="stop-gold-dark"/><stop offset="0.3" class="stop-parchment"/>'
            '<stop offset="0.55" class="stop-parchment-shade"/><stop offset="1" class="stop-gold-dark"/>'
            '</linearGradient>'
            '<linearGradient id="shade" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="#000" stop-opacity="0.35"/><stop offset="1" stop-color="#000" stop-opacity="0"/>'
            '</linearGradient></defs>\n')
    out += '<rect x="0" y="84" width="1024" height="30" fill="url(#shade)"/>\n'
    out += '<rect x="24" y="30" width="976" height="54" rx="27" fill="url(#roll)" class="stroke-ink-deep" stroke-width="2.5"/>\n'
    for x in (0, 984):
        out += f'<rect x="{x}" y="22" width="40" height="70" rx="12" class="fill-gold stroke-ink-deep" stroke-width="2.5"/>\n'
        out += f'<rect x="{x + 6}" y="30" width="28" height="54" rx="8" fill="none" class="stroke-gold-light" stroke-width="1.5"/>\n'
    out += '<path d="M 60 46 H 964" class="stroke-parchment" stroke-width="3" stroke-opacity="0.7"/>\n'
    write("scroll_edge", out)


def map_panel():
    out = header(600, 84, "The note at the foot of the map.")
    out += ('<defs><linearGradient id="paper" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" class="stop-parchment"/><stop offset="1" class="stop-parchment-shade"/>'
            '</linearGradient></defs>\n')
    out += ('<path d="M 20 6 H 580 Q 594 6 594 20 V 64 Q 594 78 580 78 H 20 Q 6 78 6 64 V 20 Q 6 6 20 6 Z" '
            'fill="url(#paper)" class="stroke-gold-dark" stroke-width="3"/>\n')
    out += '<rect x="14" y="14" width="572" height="56" rx="8" fill="none" class="stroke-gold" stroke-width="1.2"/>\n'
    write("map_panel", out)


# ---------------------------------------------------------------------------
# Level markers (the scenes' small level buttons).

def markers():
    defs = ('<defs><radialGradient id="g" cx="0.35" cy="0.3" r="0.8">'
            '<stop offset="0" class="stop-gold-light"/><stop offset="1" class="stop-gold-dark"/></radialGradient>'
            '<radialGradient id="s" cx="0.35" cy="0.3" r="0.8">'
            '<stop offset="0" class="stop-parchment"/><stop offset="1" class="stop-grey-dark"/></radialGradient></defs>\n')
    looks = {
        "locked": '<circle cx="20" cy="20" r="14" class="fill-grey stroke-grey-dark" stroke-width="2"/>'
                  '<circle cx="20" cy="17" r="3" class="fill-grey-dark"/><path d="M 18 18 L 17 25 H 23 L 22 18 Z" class="fill-grey-dark"/>',
        "current": '<circle cx="20" cy="20" r="15" class="fill-parchment stroke-gold" stroke-width="3"/>'
                   '<circle cx="20" cy="20" r="7" class="fill-teal stroke-ink-deep" stroke-width="1.5"/>',
        "expert": '<circle cx="20" cy="20" r="15" fill="url(#g)" class="stroke-ink-deep" stroke-width="2"/>'
                  + star(20, 20, 9, 'class="fill-parchment stroke-ink-deep" stroke-width="1"'),
        "non_expert": '<circle cx="20" cy="20" r="15" fill="url(#s)" class="stroke-ink-deep" stroke-width="2"/>'
                      '<path d="M 13 20 L 18 25 L 27 14" fill="none" class="stroke-ink-deep" stroke-width="3" stroke-linecap="round"/>',
        "glow": '<circle cx="20" cy="20" r="19" class="fill-gold-light" fill-opacity="0.55"/>',
    }
    for name, body in looks.items():
        write(f"marker_{name}", header(40, 40, f"A level marker: {name}.") + defs + body + "\n")


# ---------------------------------------------------------------------------
# The medallion: seven wedges around a compass boss.

MW = 240
MR_OUT, MR_IN = 104, 42


def wedge_path(i, r_out=MR_OUT, r_in=MR_IN, gap=2.5):
    step = 360 / 7
    a0 = math.radians(-90 + i * step + gap)
    a1 = math.radians(-90 + (i + 1) * step - gap)
    c = MW / 2
    p = [(c + r_out * math.cos(a0), c + r_out * math.sin(a0)),
         (c + r_out * math.cos(a1), c + r_out * math.sin(a1)),
         (c + r_in * math.cos(a1), c + r_in * math.sin(a1)),
         (c + r_in * math.cos(a0), c + r_in * math.sin(a0))]
    return (f"M {p[0][0]:.1f} {p[0][1]:.1f} A {r_out} {r_out} 0 0 1 {p[1][0]:.1f} {p[1][1]:.1f} "
            f"L {p[2][0]:.1f} {p[2][1]:.1f} A {r_in} {r_in} 0 0 0 {p[3][0]:.1f} {p[3][1]:.1f} Z")


def medallion():
    c = MW / 2
    out = header(MW, MW, "The medallion without its parts.")
    out += ('<defs><linearGradient id="rim" x1="0" y1="0" x2="1" y2="1">'
            '<stop offset="0" class="stop-gold-light"/><stop offset="0.5" class="stop-gold"/>'
            '<stop offset="1" class="stop-gold-dark"/></linearGradient>'
            '<filter id="shadow" x="-20%" y="-20%" width="140%" height="140%">'
            '<feGaussianBlur in="SourceAlpha" stdDeviation="4"/><feOffset dy="4"/>'
            '<feComponentTransfer><feFuncA type="linear" slope="0.5"/></feComponentTransfer>'
            '<feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge></filter></defs>\n')
    out += f'<circle cx="{c}" cy="{c}" r="{MR_OUT + 10}" fill="url(#rim)" class="stroke-ink-deep" stroke-width="2" filter="url(#shadow)"/>\n'
    out += f'<circle cx="{c}" cy="{c}" r="{MR_OUT + 2}" class="fill-ink-deep stroke-gold-dark" stroke-width="1.5"/>\n'
    for i in range(7):
        out += f'<path d="{wedge_path(i)}" class="fill-ink-light stroke-gold-dark" stroke-width="1.2" stroke-dasharray="3 3"/>\n'
    out += f'<circle cx="{c}" cy="{c}" r="{MR_IN - 4}" fill="url(#rim)" class="stroke-ink-deep" stroke-width="1.5"/>\n'
    out += star(c, c, 26, 'class="fill-parchment stroke-ink-deep" stroke-width="1.2"')
    out += f'<circle cx="{c}" cy="{c}" r="4" class="fill-ink"/>\n'
    write("medallion_base", out)
    for i, name in enumerate(LOCATIONS):
        for metal in ("gold", "silver"):
            stops = ('<stop offset="0" class="stop-gold-light"/><stop offset="1" class="stop-gold-dark"/>'
                     if metal == "gold" else
                     '<stop offset="0" class="stop-parchment"/><stop offset="1" class="stop-grey-dark"/>')
            out = header(MW, MW, f"The medallion's part for {name}, {metal}.")
            out += f'<defs><radialGradient id="m" cx="{c}" cy="{c}" r="{MR_OUT}" gradientUnits="userSpaceOnUse">{stops}</radialGradient></defs>\n'
            out += f'<path d="{wedge_path(i)}" fill="url(#m)" class="stroke-ink-deep" stroke-width="1.6"/>\n'
            # The place's sign in the wedge's middle: a small star.
            a = math.radians(-90 + (i + 0.5) * 360 / 7)
            rm = (MR_OUT + MR_IN) / 2
            out += star(c + rm * math.cos(a), c + rm * math.sin(a), 11,
                        'class="fill-parchment stroke-ink-deep" stroke-width="1" fill-opacity="0.85"')
            write(f"medallion_{name}_{metal}", out)


# ---------------------------------------------------------------------------
# Trophies, 120 x 150: a cup or a statuette on a plinth; the empty look is a
# dashed outline on the same plinth.

TW, TH = 120, 150


def plinth(greys):
    cls = "fill-grey stroke-grey-dark" if greys else "fill-ink-light stroke-ink-deep"
    return (f'<rect x="24" y="124" width="72" height="20" rx="3" class="{cls}" stroke-width="2"/>'
            f'<rect x="32" y="130" width="56" height="8" rx="2" fill="none" class="stroke-gold-dark" stroke-width="1"/>\n')


def cup(scale, emblem):
    s = scale
    body = (f'<g transform="translate(60 124) scale({s}) translate(-60 -124)">'
            '<path d="M 30 22 H 90 Q 92 74 66 88 L 66 104 Q 66 112 80 116 L 80 124 H 40 L 40 116 Q 54 112 54 104 L 54 88 Q 28 74 30 22 Z" '
            'fill="url(#metal)" class="stroke-ink-deep" stroke-width="2.2"/>'
            '<path d="M 30 32 Q 8 32 12 52 Q 16 66 36 70" fill="none" class="stroke-gold-dark" stroke-width="5"/>'
            '<path d="M 90 32 Q 112 32 108 52 Q 104 66 84 70" fill="none" class="stroke-gold-dark" stroke-width="5"/>'
            '<path d="M 38 30 Q 40 62 56 78" fill="none" class="stroke-gold-light" stroke-width="3" stroke-opacity="0.8"/>'
            f'{emblem}</g>\n')
    return body


def emblem(kind):
    if kind == "error":  # a shield with a tick
        return ('<path d="M 60 38 L 76 44 Q 76 64 60 74 Q 44 64 44 44 Z" class="fill-parchment stroke-ink-deep" stroke-width="1.6"/>'
                '<path d="M 52 55 L 58 62 L 69 48" fill="none" class="stroke-ink-light" stroke-width="3.5" stroke-linecap="round"/>')
    if kind == "hint":  # a closed eye: no lamp needed
        return ('<circle cx="60" cy="54" r="16" class="fill-parchment stroke-ink-deep" stroke-width="1.6"/>'
                '<path d="M 50 62 Q 60 44 70 62 M 60 50 V 42 M 54 50 L 51 44 M 66 50 L 69 44" fill="none" class="stroke-gold-dark" stroke-width="2.5" stroke-linecap="round"/>'
                '<path d="M 54 64 H 66" class="stroke-ink-deep" stroke-width="2"/>')
    # speed: an hourglass
    return ('<circle cx="60" cy="54" r="16" class="fill-parchment stroke-ink-deep" stroke-width="1.6"/>'
            '<path d="M 52 42 H 68 L 60 54 L 68 66 H 52 L 60 54 Z" class="fill-gold-light stroke-ink-deep" stroke-width="1.5"/>'
            '<path d="M 56 64 H 64 L 60 58 Z" class="fill-gold-dark"/>')


def statuette(name):
    """A location's bonus trophy: a round plaque with its sign on a stand."""
    p = Pen()
    return ('<path d="M 52 96 L 50 124 H 70 L 68 96 Z" fill="url(#metal)" class="stroke-ink-deep" stroke-width="2"/>'
            '<clipPath id="plaque"><circle cx="60" cy="58" r="36"/></clipPath>'
            '<circle cx="60" cy="58" r="44" fill="url(#metal)" class="stroke-ink-deep" stroke-width="2.2"/>'
            '<g clip-path="url(#plaque)"><g transform="translate(60 58) scale(0.52) translate(-80 -70)">'
            + SCENES[name](p) +
            '</g></g><circle cx="60" cy="58" r="36" fill="none" class="stroke-ink-deep" stroke-width="2"/>\n')


def metal_defs(kind):
    if kind == "silver":
        stops = ('<stop offset="0" class="stop-parchment"/><stop offset="0.5" class="stop-grey-light"/>'
                 '<stop offset="1" class="stop-grey-dark"/>')
    else:
        stops = ('<stop offset="0" class="stop-gold-light"/><stop offset="0.5" class="stop-gold"/>'
                 '<stop offset="1" class="stop-gold-dark"/>')
    return f'<defs><linearGradient id="metal" x1="0" y1="0" x2="1" y2="1">{stops}</linearGradient></defs>\n'


def trophies():
    for kind in ("error", "hint", "speed"):
        for grade, scale, metal in (("small", 0.82, "silver"), ("big", 1.0, "gold")):
            out = header(TW, TH, f"The trophy for {kind} medals, {grade} grade.")
            out += metal_defs(metal) + plinth(False) + cup(scale, emblem(kind))
            write(f"trophy_{kind}_{grade}", out)
    for name in LOCATIONS:
        out = header(TW, TH, f"The bonus trophy of {name}.")
        out += metal_defs("gold") + plinth(False) + statuette(name)
        write(f"trophy_{name}", out)
    # The empty looks: a faint outline of a cup or a plaque.
    out = header(TW, TH, "An empty place for a cup.")
    out += plinth(True)
    out += ('<path d="M 30 22 H 90 Q 92 74 66 88 L 66 104 Q 66 112 80 116 L 80 124 H 40 L 40 116 Q 54 112 54 104 L 54 88 Q 28 74 30 22 Z" '
            'class="fill-ink-deep stroke-grey" stroke-width="2" stroke-dasharray="5 4" fill-opacity="0.25"/>\n')
    out += '<text x="60" y="68" text-anchor="middle" class="title fill-grey" font-size="30">?</text>\n'
    write("trophy_empty_cup", out)
    out = header(TW, TH, "An empty place for a plaque.")
    out += plinth(True)
    out += ('<circle cx="60" cy="58" r="44" class="fill-ink-deep stroke-grey" stroke-width="2" stroke-dasharray="5 4" fill-opacity="0.25"/>'
            '<path d="M 52 100 L 50 124 H 70 L 68 100" fill="none" class="stroke-grey" stroke-width="2" stroke-dasharray="4 3"/>\n')
    out += '<text x="60" y="70" text-anchor="middle" class="title fill-grey" font-size="30">?</text>\n'
    write("trophy_empty_plaque", out)
    # The three medals.
    for kind in ("error", "hint", "speed"):
        out = header(64, 64, f"The {kind} medal.")
        out += metal_defs("gold")
        out += ('<path d="M 22 2 L 32 22 L 42 2 Z" class="fill-teal stroke-ink-deep" stroke-width="1.5"/>'
                '<circle cx="32" cy="38" r="22" fill="url(#metal)" class="stroke-ink-deep" stroke-width="2"/>'
                '<g transform="translate(32 38) scale(0.95) translate(-60 -55)">' + emblem(kind) + '</g>\n')
        write(f"medal_{kind}", out)


def cabinet():
    out = header(1024, 768, "The trophy cabinet: dark wood shelves behind glass.")
    out += ('<defs><linearGradient id="wood" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" class="stop-ink-light"/><stop offset="1" class="stop-ink-deep"/></linearGradient>'
            '<linearGradient id="shelf" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" class="stop-gold-light"/><stop offset="1" class="stop-gold-dark"/></linearGradient>'
            '<pattern id="grid" width="32" height="32" patternUnits="userSpaceOnUse">'
            '<path d="M 32 0 L 0 0 0 32" fill="none" class="stroke-gold" stroke-width="1" stroke-opacity="0.06"/></pattern>'
            '</defs>\n')
    out += '<rect width="1024" height="768" fill="url(#wood)"/>\n'
    out += '<rect width="1024" height="768" fill="url(#grid)"/>\n'
    # The cabinet's frame and its two shelves of trophies, one of medals.
    out += '<rect x="36" y="128" width="952" height="560" rx="16" class="fill-ink-deep stroke-gold" stroke-width="5" fill-opacity="0.65"/>\n'
    out += '<rect x="50" y="142" width="924" height="532" rx="10" fill="none" class="stroke-gold-dark" stroke-width="1.5"/>\n'
    for y in (348, 548):
        out += f'<rect x="50" y="{y}" width="924" height="14" fill="url(#shelf)" class="stroke-ink-deep" stroke-width="1.5"/>\n'
        out += f'<rect x="50" y="{y + 14}" width="924" height="10" class="fill-ink-deep" fill-opacity="0.6"/>\n'
    # Glass glints.
    for x in (120, 480, 820):
        out += f'<path d="M {x} 150 L {x + 60} 150 L {x - 40} 670 L {x - 100} 670 Z" class="fill-parchment" fill-opacity="0.03"/>\n'
    write("cabinet_background", out)


def bubble():
    out = header(300, 96, "The explanation bubble over a trophy.")
    out += ('<path d="M 16 4 H 284 Q 296 4 296 16 V 70 Q 296 82 284 82 H 162 L 150 94 L 138 82 H 16 Q 4 82 4 70 V 16 Q 4 4 16 4 Z" '
            'class="fill-parchment stroke-gold-dark" stroke-width="2.5"/>\n')
    write("trophy_bubble", out)


def counter_plate():
    out = header(120, 60, "The plate under a medal count.")
    out += '<rect x="3" y="4" width="114" height="52" rx="26" class="fill-ink-deep stroke-gold" stroke-width="3" fill-opacity="0.85"/>\n'
    write("medal_plate", out)


# ---------------------------------------------------------------------------
# The story's page and the final screen's picture.

def story_page():
    out = header(1024, 768, "The page the story is written on.")
    out += ('<defs><radialGradient id="paper" cx="512" cy="384" r="640" gradientUnits="userSpaceOnUse">'
            '<stop offset="0" class="stop-parchment"/><stop offset="0.75" class="stop-parchment"/>'
            '<stop offset="1" class="stop-parchment-shade"/></radialGradient>'
            '<radialGradient id="burn" cx="512" cy="384" r="660" gradientUnits="userSpaceOnUse">'
            '<stop offset="0.75" class="stop-gold-dark" stop-opacity="0"/>'
            '<stop offset="1" class="stop-gold-dark" stop-opacity="0.5"/></radialGradient></defs>\n')
    out += '<rect width="1024" height="768" fill="url(#paper)"/>\n'
    # A faint map in the corner and a quill.
    out += f'<g opacity="0.18">{compass(860, 600, 90)}</g>\n'
    out += ('<g transform="translate(96 132) rotate(-28)">'
            '<path d="M 0 0 Q 60 -26 150 -10 Q 70 4 0 0 Z" class="fill-parchment-shade stroke-ink-deep" stroke-width="1.5"/>'
            '<path d="M 0 0 L 150 -10" class="stroke-ink-deep" stroke-width="1.2"/>'
            '<path d="M -24 4 L 0 0" class="stroke-ink-deep" stroke-width="2.5"/></g>\n')
    out += '<rect width="1024" height="768" fill="url(#burn)"/>\n'
    out += '<rect x="40" y="150" width="944" height="2" class="fill-gold-dark" fill-opacity="0.7"/>\n'
    out += '<rect x="40" y="670" width="944" height="2" class="fill-gold-dark" fill-opacity="0.7"/>\n'
    for x in (40, 984):
        for y in (151, 671):
            out += f'<circle cx="{x}" cy="{y}" r="5" class="fill-gold-dark"/>\n'
    write("story_page", out)


def spark():
    out = header(12, 12, "One spark of a burst (tinted by the particles).")
    out += ('<defs><radialGradient id="g" cx="6" cy="6" r="6" gradientUnits="userSpaceOnUse">'
            '<stop offset="0" class="stop-parchment"/><stop offset="0.5" class="stop-parchment" stop-opacity="0.8"/>'
            '<stop offset="1" class="stop-parchment" stop-opacity="0"/></radialGradient></defs>\n')
    out += '<circle cx="6" cy="6" r="6" fill="url(#g)"/>\n'
    write("spark", out)


def main():
    spark()
    for name in LOCATIONS:
        for kind in ("plain", "locked", "gold", "silver"):
            location_picture(name, kind)
    location_glow()
    progress_bar()
    map_background()
    scroll_edge()
    map_panel()
    markers()
    medallion()
    trophies()
    cabinet()
    bubble()
    counter_plate()
    story_page()


if __name__ == "__main__":
    main()

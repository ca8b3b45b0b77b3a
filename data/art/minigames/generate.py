#!/usr/bin/env python3
"""Writes the mini-games' pictures as SVG next to this script.

One scene a location, at dusk, in the game's ink-and-gold look: a sky with
its moon or sun and stars, layered hills, the location's landmark and a
gold frame. From each scene come the big mosaic's picture, its mat (the
same scene dimmed to an engraving, with the cells' grooves) and the bonus
round's background (the scene darkened behind the board). The smaller art
(the scroll edge, the tip ribbon, the bonus cards) is here too.

Run it after changing a shape; the SVGs are committed, the build only
rasterises them. Colours come from ../palette.css by class.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 1024, 768

# The boards the mosaics are cut into (rows, cols); the game option of each
# location says the same.
GRIDS = {
    "japan": (3, 3), "rome": (3, 4), "tibet": (4, 4), "egypt": (4, 4),
    "greece": (4, 5), "aztecs": (5, 5), "china": (5, 6),
}

HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n'
# The palette goes into each picture: the rasteriser reads no stylesheet
# outside the picture's own folder.
with open(os.path.join(HERE, "..", "palette.css")) as _f:
    PALETTE = _f.read()
# The teal of the palette as a stroke too (palm fronds).
PALETTE += ".stroke-teal { stroke: %s; }\n" % PALETTE.split(".fill-teal")[1].split("fill:")[1].split(";")[0].strip()


def svg(name, comment, width, height, body, defs=""):
    text = (HEAD + "<!-- %s Written by generate.py. -->\n" % comment +
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n' % (width, height, width, height))
    text += "<defs>\n<style>\n" + PALETTE + "</style>\n" + defs + "</defs>\n"
    text += body + "</svg>\n"
    with open(os.path.join(HERE, name), "w") as f:
        f.write(text)


def pts(points):
    return " ".join("%.1f,%.1f" % p for p in points)


def ridge(rng, y, amp, step, x0=-20, x1=W + 20, bottom=H + 10):
    """A closed path of a hill line around height y."""
    points = [(x0, bottom)]
    x = x0
    phase = rng.random() * 6.28
    while x <= x1:
        dy = amp * (0.6 * math.sin(x / 97.0 + phase) + 0.4 * math.sin(x / 41.0 + 2 * phase))
        points.append((x, y + dy))
        x += step
    points.append((x1, bottom))
    return '<polygon points="%s"' % pts(points)


def sky(rng, light_x, light_y, sun, warm):
    defs = (
        '<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" class="stop-ink-deep"/><stop offset="0.55" class="stop-ink"/>'
        '<stop offset="0.82" class="stop-ink-light"/>'
        '<stop offset="1" class="stop-%s"/></linearGradient>\n' % ("gold-dark" if warm else "teal") +
        '<radialGradient id="glow" cx="%d" cy="%d" r="360" gradientUnits="userSpaceOnUse">'
        '<stop offset="0" class="stop-gold-light" stop-opacity="0.55"/>'
        '<stop offset="0.35" class="stop-gold" stop-opacity="0.18"/>'
        '<stop offset="1" class="stop-gold" stop-opacity="0"/></radialGradient>\n' % (light_x, light_y) +
        '<linearGradient id="water" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" class="stop-ink-light"/><stop offset="1" class="stop-ink-deep"/>'
        '</linearGradient>\n'
        '<radialGradient id="vignette" cx="512" cy="384" r="640" gradientUnits="userSpaceOnUse">'
        '<stop offset="0.55" stop-color="#000" stop-opacity="0"/>'
        '<stop offset="1" stop-color="#000" stop-opacity="0.5"/></radialGradient>\n')
    body = '<rect width="%d" height="%d" fill="url(#sky)"/>\n' % (W, H)
    body += '<rect width="%d" height="%d" fill="url(#glow)"/>\n' % (W, H)
    # Stars: many small, a few bright with a cross.
    body += '<g class="fill-parchment">'
    for _ in range(150):
        x, y = rng.uniform(10, W - 10), rng.uniform(10, 360) ** 1.0
        if math.hypot(x - light_x, y - light_y) < 120:
            continue
        body += '<circle cx="%.1f" cy="%.1f" r="%.1f" fill-opacity="%.2f"/>' % (
            x, y, rng.choice([0.8, 1.0, 1.3, 1.7]), rng.uniform(0.35, 0.95))
    body += '</g>\n<g class="stroke-gold-light" stroke-width="1.2">'
    for _ in range(9):
        x, y = rng.uniform(40, W - 40), rng.uniform(30, 300)
        if math.hypot(x - light_x, y - light_y) < 150:
            continue
        body += ('<path d="M%.1f %.1f h12 M%.1f %.1f v12" stroke-opacity="0.8"/>' %
                 (x - 6, y, x, y - 6))
    body += '</g>\n'
    if sun:
        body += ('<circle cx="%d" cy="%d" r="70" class="fill-gold-light"/>'
                 '<circle cx="%d" cy="%d" r="86" fill="none" class="stroke-gold" stroke-width="3" '
                 'stroke-dasharray="10 14" stroke-opacity="0.8"/>\n' % (light_x, light_y, light_x, light_y))
    else:
        body += ('<circle cx="%d" cy="%d" r="58" class="fill-parchment"/>'
                 '<circle cx="%d" cy="%d" r="58" class="fill-gold-light" fill-opacity="0.35"/>'
                 '<circle cx="%d" cy="%d" r="9" class="fill-parchment-shade" fill-opacity="0.8"/>'
                 '<circle cx="%d" cy="%d" r="14" class="fill-parchment-shade" fill-opacity="0.6"/>\n' % (
                     light_x, light_y, light_x, light_y, light_x - 18, light_y - 14,
                     light_x + 20, light_y + 16))
    # Long clouds, lit on their lower edge.
    for _ in range(5):
        x, y = rng.uniform(-100, W - 200), rng.uniform(90, 330)
        w = rng.uniform(180, 360)
        body += ('<g><ellipse cx="%.1f" cy="%.1f" rx="%.1f" ry="11" class="fill-ink-light" fill-opacity="0.75"/>'
                 '<ellipse cx="%.1f" cy="%.1f" rx="%.1f" ry="5" class="fill-gold" fill-opacity="0.35"/></g>\n' % (
                     x + w / 2, y, w / 2, x + w / 2 + 10, y + 7, w / 2.4))
    return defs, body


def frame():
    return ('<rect width="%d" height="%d" fill="url(#vignette)"/>\n' % (W, H) +
            '<rect x="6" y="6" width="%d" height="%d" fill="none" class="stroke-gold" stroke-width="6"/>\n' % (W - 12, H - 12) +
            '<rect x="18" y="18" width="%d" height="%d" fill="none" class="stroke-gold-dark" stroke-width="2"/>\n' % (W - 36, H - 36) +
            '<g class="fill-gold">' + "".join(
                '<rect x="%d" y="%d" width="14" height="14" transform="rotate(45 %d %d)"/>' % (x - 7, y - 7, x, y)
                for x, y in ((18, 18), (W - 18, 18), (18, H - 18), (W - 18, H - 18))) + '</g>\n')


def water(y, rng, reflect_x):
    body = '<rect x="0" y="%d" width="%d" height="%d" fill="url(#water)"/>\n' % (y, W, H - y)
    body += '<g class="fill-gold-light">'
    for i in range(14):
        yy = y + 10 + i * 9
        w = 120 - i * 6
        body += '<rect x="%.1f" y="%d" width="%.1f" height="2.5" fill-opacity="%.2f"/>' % (
            reflect_x - w / 2 + rng.uniform(-10, 10), yy, w, 0.7 - i * 0.04)
    body += '</g>\n<g class="fill-parchment" fill-opacity="0.18">'
    for _ in range(40):
        body += '<rect x="%.1f" y="%.1f" width="%.1f" height="1.5"/>' % (
            rng.uniform(0, W), rng.uniform(y + 5, H - 20), rng.uniform(20, 70))
    return body + '</g>\n'


# --- The landmarks

def japan(rng):
    b = ""
    # Fuji with its snowcap.
    b += '<polygon points="160,560 470,250 520,236 570,252 880,560" class="fill-ink-light"/>\n'
    b += '<polygon points="470,250 520,236 570,252 612,296 585,286 560,306 536,286 510,312 486,288 460,306 432,290" class="fill-parchment"/>\n'
    b += '<polygon points="520,236 570,252 612,296 585,286 560,306 536,286" class="fill-parchment-shade"/>\n'
    b += ridge(rng, 560, 14, 20) + ' class="fill-ink"/>\n'
    b += water(600, rng, 820)
    # The torii in the water.
    b += '<g class="fill-gold-dark"><rect x="640" y="470" width="16" height="170"/><rect x="760" y="470" width="16" height="170"/>'
    b += '<path d="M610 462 Q708 442 806 462 L812 478 Q708 460 604 478Z"/><rect x="626" y="494" width="164" height="12"/></g>\n'
    b += '<g class="fill-gold"><path d="M606 458 Q708 436 810 458 L806 464 Q708 446 610 464Z"/></g>\n'
    # A pagoda on the left shore.
    x, y = 150, 600
    b += '<g>'
    for i in range(5):
        w = 150 - i * 22
        top = y - 60 - i * 52
        b += '<rect x="%d" y="%d" width="%d" height="48" class="fill-ink-deep"/>' % (x - w / 2 + 14, top + 8, w - 28)
        b += '<path d="M%d %d L%d %d L%d %d L%d %d Z" class="fill-gold-dark"/>' % (
            x - w / 2 - 10, top + 12, x - w / 2 + 16, top, x + w / 2 - 16, top, x + w / 2 + 10, top + 12)
        b += '<rect x="%d" y="%d" width="10" height="18" class="fill-gold-light" fill-opacity="0.85"/>' % (x - 5, top + 24)
    b += '<rect x="%d" y="%d" width="4" height="70" class="fill-gold"/></g>\n' % (x - 2, y - 60 - 4 * 52 - 66)
    # Cherry branch in the corner.
    b += '<path d="M1030 60 Q880 110 820 190 M900 104 Q870 60 840 52 M860 150 Q810 150 780 170" fill="none" class="stroke-ink-deep" stroke-width="9" stroke-linecap="round"/>\n'
    b += '<g class="fill-parchment-shade">'
    for _ in range(60):
        cx, cy = rng.uniform(770, 1010), rng.uniform(40, 210)
        b += '<circle cx="%.1f" cy="%.1f" r="%.1f" fill-opacity="%.2f"/>' % (cx, cy, rng.uniform(4, 8), rng.uniform(0.6, 1))
    b += '</g>\n'
    return b


def rome(rng):
    b = ridge(rng, 520, 18, 20) + ' class="fill-ink-light"/>\n'
    # The Colosseum: an elliptical wall of three arcade storeys.
    b += '<path d="M220 600 L220 330 Q512 280 804 330 L804 600 Z" class="fill-parchment-shade"/>\n'
    b += '<path d="M220 330 Q512 280 804 330 L804 350 Q512 300 220 350 Z" class="fill-gold-dark"/>\n'
    for row, (top, h) in enumerate(((362, 64), (440, 64), (518, 70))):
        for i in range(12):
            x = 236 + i * 47
            b += '<path d="M%d %d v-%d a16 16 0 0 1 32 0 v%d Z" class="fill-ink-deep"/>' % (x, top + h, h - 16, h - 16)
        b += '<rect x="220" y="%d" width="584" height="8" class="fill-parchment"/>\n' % (top + h + 2)
    # The broken end of the wall.
    b += '<path d="M700 300 L804 330 L804 600 L760 600 L770 420 L740 390 L752 344 Z" class="fill-ink" fill-opacity="0.35"/>\n'
    b += ridge(rng, 610, 8, 30) + ' class="fill-ink"/>\n'
    # Cypresses.
    for x, h in ((90, 220), (140, 170), (890, 240), (950, 180), (60, 140)):
        b += '<path d="M%d 640 Q%d %d %d %d Q%d %d %d 640 Z" class="fill-teal"/>' % (
            x - 22, x - 30, 640 - h * 0.6, x, 640 - h, x + 30, 640 - h * 0.6, x + 22)
        b += '<path d="M%d 640 Q%d %d %d %d" fill="none" class="stroke-ink-deep" stroke-width="3" stroke-opacity="0.6"/>\n' % (
            x, x + 8, 640 - h * 0.5, x, 640 - h)
    b += '<rect x="0" y="640" width="%d" height="130" class="fill-ink-deep"/>\n' % W
    # A column drum and a road of stones.
    b += '<g class="fill-grey-dark">'
    for i in range(18):
        b += '<rect x="%d" y="%d" width="%d" height="10" rx="3"/>' % (300 + i * 24 + rng.randint(-4, 4), 700 + (i % 3) * 14, rng.randint(14, 22))
    b += '</g>\n<rect x="760" y="650" width="70" height="40" rx="6" class="fill-parchment-shade"/><rect x="760" y="650" width="70" height="8" class="fill-gold-dark"/>\n'
    return b


def tibet(rng):
    b = ""
    for i, (y, amp, cls) in enumerate(((300, 60, "fill-grey"), (380, 50, "fill-ink-light"))):
        b += ridge(rng, y, amp, 18) + ' class="%s"/>\n' % cls
    # Snow peaks.
    for x, top, w in ((250, 170, 220), (600, 130, 260), (860, 210, 200)):
        b += '<polygon points="%d,460 %d,%d %d,460" class="fill-ink-light"/>' % (x - w, x, top, x + w)
        b += '<polygon points="%d,%d %d,%d %d,%d %d,%d %d,%d %d,%d" class="fill-parchment"/>\n' % (
            x - w * 0.32, top + 70, x, top, x + w * 0.32, top + 70, x + 12, top + 56, x - 8, top + 78, x - 22, top + 60)
    b += ridge(rng, 500, 20, 16) + ' class="fill-ink"/>\n'
    # The monastery on its rock: white walls, gold roofs, dark windows.
    b += '<polygon points="300,560 360,440 700,430 760,560" class="fill-ink-deep"/>\n'
    for x, y, w, h in ((380, 380, 140, 70), (500, 340, 150, 110), (630, 390, 90, 60)):
        b += '<rect x="%d" y="%d" width="%d" height="%d" class="fill-parchment"/>' % (x, y, w, h)
        b += '<rect x="%d" y="%d" width="%d" height="14" class="fill-gold-dark"/>' % (x - 6, y - 14, w + 12)
        b += '<rect x="%d" y="%d" width="%d" height="5" class="fill-gold"/>' % (x - 6, y - 18, w + 12)
        for wx in range(x + 14, x + w - 10, 26):
            b += '<rect x="%d" y="%d" width="10" height="16" class="fill-ink-deep"/>' % (wx, y + 24)
        b += '\n'
    b += '<path d="M575 322 l12 -30 l12 30 Z" class="fill-gold-light"/>\n'
    # Prayer flags across the front.
    colours = ["fill-gold-light", "fill-teal", "fill-parchment", "fill-gold", "fill-grey"]
    for line, (x0, y0, x1, y1) in enumerate(((0, 600, 520, 660), (520, 660, 1024, 590))):
        b += '<path d="M%d %d Q%d %d %d %d" fill="none" class="stroke-parchment-shade" stroke-width="2"/>' % (
            x0, y0, (x0 + x1) / 2, max(y0, y1) + 40, x1, y1)
        for i in range(13):
            t = (i + 0.5) / 13
            x = (1 - t) ** 2 * x0 + 2 * (1 - t) * t * (x0 + x1) / 2 + t * t * x1
            y = (1 - t) ** 2 * y0 + 2 * (1 - t) * t * (max(y0, y1) + 40) + t * t * y1
            b += '<rect x="%.1f" y="%.1f" width="24" height="30" class="%s" transform="rotate(%d %.1f %.1f)"/>' % (
                x - 12, y, colours[(i + line) % 5], rng.randint(-8, 8), x, y)
        b += '\n'
    b += '<rect x="0" y="690" width="%d" height="80" class="fill-ink-deep"/>\n' % W
    b += ''.join('<path d="M%d 700 l20 -26 l20 26 Z" class="fill-ink"/>' % x for x in range(20, W, 90))
    return b + '\n'


def egypt(rng):
    b = ridge(rng, 560, 10, 30) + ' class="fill-gold-dark"/>\n'
    for cx, base, h in ((330, 600, 300), (640, 600, 230), (850, 600, 140)):
        w = h * 1.15
        b += '<polygon points="%d,%d %d,%d %d,%d" class="fill-gold"/>' % (cx - w, base, cx, base - h, cx, base)
        b += '<polygon points="%d,%d %d,%d %d,%d" class="fill-gold-dark"/>' % (cx, base - h, cx + w * 0.7, base, cx, base)
        for k in range(1, 10):
            y = base - h + k * h / 10
            b += '<line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" class="stroke-gold-dark" stroke-width="1.5" stroke-opacity="0.6"/>' % (
                cx - w * k / 10, y, cx, y)
        b += '\n'
    # The river with its palms.
    b += water(610, rng, 760)
    b += ridge(rng, 640, 6, 40) + ' class="fill-ink-deep"/>\n'
    for x, h, lean in ((70, 200, -8), (120, 150, 10), (940, 190, 6), (990, 140, -10)):
        b += '<path d="M%d 660 Q%d %d %d %d" fill="none" class="stroke-ink-deep" stroke-width="9"/>' % (
            x, x + lean, 660 - h / 2, x + lean * 2, 660 - h)
        tx, ty = x + lean * 2, 660 - h
        for a in range(0, 360, 45):
            ex, ey = tx + 70 * math.cos(math.radians(a)), ty + 34 * math.sin(math.radians(a)) + 18
            b += '<path d="M%.1f %.1f Q%.1f %.1f %.1f %.1f" fill="none" class="stroke-teal" stroke-width="10" stroke-linecap="round"/>' % (
                tx, ty, (tx + ex) / 2, ty - 20, ex, ey)
        b += '\n'
    # A felucca on the water.
    b += '<path d="M560 690 L700 690 L680 708 L580 708 Z" class="fill-ink-deep"/><path d="M630 688 L630 590 L690 684 Z" class="fill-parchment"/>\n'
    return b


def greece(rng):
    b = water(540, rng, 820)
    # The rocky hill with the temple.
    b += '<path d="M-20 780 L-20 470 Q120 400 300 410 Q480 380 640 470 L700 560 L700 780 Z" class="fill-ink-light"/>\n'
    b += '<path d="M-20 780 L-20 520 Q160 470 330 480 Q520 470 620 560 L640 780 Z" class="fill-ink"/>\n'
    x0, base = 90, 410
    b += '<rect x="%d" y="%d" width="460" height="16" class="fill-parchment-shade"/><rect x="%d" y="%d" width="480" height="12" class="fill-parchment"/>\n' % (x0 - 10, base, x0 - 20, base + 14)
    for i in range(9):
        x = x0 + 12 + i * 52
        b += '<rect x="%d" y="%d" width="22" height="150" class="fill-parchment"/>' % (x, base - 150)
        b += '<rect x="%d" y="%d" width="6" height="150" class="fill-parchment-shade"/>' % (x + 16, base - 150)
        b += '<rect x="%d" y="%d" width="30" height="8" class="fill-parchment-shade"/>' % (x - 4, base - 158)
    b += '<rect x="%d" y="%d" width="470" height="26" class="fill-parchment"/>' % (x0 - 15, base - 184)
    b += '<polygon points="%d,%d %d,%d %d,%d" class="fill-parchment-shade"/>' % (x0 - 25, base - 184, x0 + 220, base - 250, x0 + 465, base - 184)
    b += '<polygon points="%d,%d %d,%d %d,%d" class="fill-gold-dark" fill-opacity="0.5"/>\n' % (x0 + 20, base - 188, x0 + 220, base - 240, x0 + 420, base - 188)
    # Olive trees and a small sail.
    for x, y in ((620, 600), (690, 640), (40, 640)):
        b += '<rect x="%d" y="%d" width="10" height="60" class="fill-ink-deep"/>' % (x - 5, y)
        for k in range(7):
            b += '<circle cx="%.1f" cy="%.1f" r="%.1f" class="fill-teal" fill-opacity="0.9"/>' % (
                x + rng.uniform(-40, 40), y - rng.uniform(0, 40), rng.uniform(18, 28))
        b += '\n'
    b += '<path d="M860 620 L940 620 L928 634 L872 634 Z" class="fill-ink-deep"/><path d="M900 618 L900 560 L938 616 Z" class="fill-parchment"/>\n'
    b += '<g class="fill-grey" fill-opacity="0.7"><ellipse cx="760" cy="560" rx="120" ry="14"/><ellipse cx="980" cy="575" rx="80" ry="10"/></g>\n'
    return b


def aztecs(rng):
    b = ridge(rng, 470, 30, 14) + ' class="fill-teal" fill-opacity="0.55"/>\n'
    b += ridge(rng, 520, 22, 14) + ' class="fill-ink-light"/>\n'
    # The stepped pyramid with its temple and stair.
    base, cx = 640, 512
    for i in range(6):
        w = 560 - i * 80
        y = base - (i + 1) * 52
        b += '<rect x="%d" y="%d" width="%d" height="52" class="fill-grey"/>' % (cx - w / 2, y, w)
        b += '<rect x="%d" y="%d" width="%d" height="6" class="fill-grey-dark"/>' % (cx - w / 2, y + 46, w)
        b += '<rect x="%d" y="%d" width="%d" height="4" class="fill-parchment-shade" fill-opacity="0.7"/>' % (cx - w / 2, y, w)
    b += '<polygon points="%d,%d %d,%d %d,%d %d,%d" class="fill-grey-dark"/>' % (cx - 50, base, cx - 34, base - 312, cx + 34, base - 312, cx + 50, base)
    for k in range(26):
        y = base - 12 * k
        b += '<rect x="%d" y="%d" width="%d" height="3" class="fill-ink" fill-opacity="0.5"/>' % (cx - 48 + k * 0.6, y - 3, 96 - k * 1.2)
    b += '<rect x="%d" y="%d" width="120" height="70" class="fill-gold-dark"/><rect x="%d" y="%d" width="40" height="46" class="fill-ink-deep"/>' % (cx - 60, base - 382, cx - 20, base - 358)
    b += '<rect x="%d" y="%d" width="136" height="12" class="fill-gold"/>' % (cx - 68, base - 394)
    b += ''.join('<rect x="%d" y="%d" width="14" height="16" class="fill-gold-light"/>' % (cx - 64 + k * 22, base - 410) for k in range(6))
    b += '\n'
    # Jungle in front: layered leaves.
    for layer, (y, cls) in enumerate(((620, "fill-teal"), (670, "fill-ink-light"), (720, "fill-ink-deep"))):
        b += '<g class="%s">' % cls
        x = -30
        while x < W + 30:
            r = rng.uniform(30, 60)
            b += '<circle cx="%.1f" cy="%.1f" r="%.1f"/>' % (x, y + rng.uniform(-15, 15), r)
            x += r * 1.2
        b += '<rect x="0" y="%d" width="%d" height="%d"/></g>\n' % (y, W, H - y)
    b += '<g class="fill-gold-light" fill-opacity="0.8">' + ''.join(
        '<circle cx="%.1f" cy="%.1f" r="2.2"/>' % (rng.uniform(30, W - 30), rng.uniform(600, 740)) for _ in range(30)) + '</g>\n'
    return b


def china(rng):
    b = ""
    for y, amp, cls in ((380, 70, "fill-ink-light"), (470, 50, "fill-ink")):
        b += ridge(rng, y, amp, 16) + ' class="%s"/>\n' % cls
    # The wall winding over the ridge, with towers.
    path = []
    for i in range(0, 62):
        x = -20 + i * 17.5
        y = 500 + 70 * math.sin(x / 160.0) - 40 * math.cos(x / 90.0)
        path.append((x, y))
    top = pts(path)
    bottom = pts([(x, y + 34) for x, y in reversed(path)])
    b += '<polygon points="%s %s" class="fill-grey"/>\n' % (top, bottom)
    b += '<polyline points="%s" fill="none" class="stroke-parchment-shade" stroke-width="4"/>\n' % top
    b += '<g class="fill-grey-dark">' + ''.join(
        '<rect x="%.1f" y="%.1f" width="8" height="9"/>' % (x, y - 9) for x, y in path[::1]) + '</g>\n'
    for k in (8, 27, 47):
        x, y = path[k]
        b += '<rect x="%.1f" y="%.1f" width="56" height="70" class="fill-grey"/><rect x="%.1f" y="%.1f" width="16" height="22" class="fill-ink-deep"/>' % (x - 28, y - 50, x - 8, y - 30)
        b += '<path d="M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" class="fill-gold-dark"/>\n' % (x - 40, y - 46, x - 24, y - 66, x + 24, y - 66, x + 40, y - 46)
    b += ridge(rng, 640, 16, 20) + ' class="fill-ink-deep"/>\n'
    # A pagoda gate and lanterns.
    x = 830
    b += '<rect x="%d" y="520" width="20" height="180" class="fill-gold-dark"/><rect x="%d" y="520" width="20" height="180" class="fill-gold-dark"/>' % (x - 90, x + 70)
    b += '<path d="M%d 530 Q%d 500 %d 500 L%d 500 Q%d 500 %d 530 L%d 518 Q%d 490 %d 490 L%d 490 Q%d 490 %d 518 Z" class="fill-ink-deep"/>' % (
        x - 130, x - 110, x - 80, x + 80, x + 110, x + 130, x + 130, x + 110, x + 80, x - 80, x - 110, x - 130)
    b += '<rect x="%d" y="540" width="200" height="16" class="fill-gold"/>\n' % (x - 100)
    for lx, ly in ((120, 560), (200, 600), (290, 580), (740, 600), (920, 600)):
        b += '<line x1="%d" y1="%d" x2="%d" y2="%d" class="stroke-ink-deep" stroke-width="2"/>' % (lx, ly - 40, lx, ly - 14)
        b += '<ellipse cx="%d" cy="%d" rx="18" ry="22" class="fill-gold"/><ellipse cx="%d" cy="%d" rx="10" ry="16" class="fill-gold-light"/>' % (lx, ly, lx, ly)
        b += '<rect x="%d" y="%d" width="16" height="5" class="fill-ink-deep"/>\n' % (lx - 8, ly + 20)
    b += '<path d="M-10 780 Q200 690 420 720 Q640 750 1034 700 L1034 780 Z" class="fill-ink-deep"/>\n'
    return b


LOCATIONS = [
    # name, landmark, light position, sun or moon, warm horizon
    ("japan", japan, (820, 150), False, False),
    ("rome", rome, (170, 150), True, True),
    ("tibet", tibet, (880, 110), False, False),
    ("egypt", egypt, (760, 300), True, True),
    ("greece", greece, (800, 170), False, False),
    ("aztecs", aztecs, (200, 170), True, True),
    ("china", china, (180, 140), False, False),
]


def scene(name, landmark, light, sun, warm):
    rng = random.Random(name)
    defs, body = sky(rng, light[0], light[1], sun, warm)
    body += landmark(rng)
    body += frame()
    return defs, body


def grooves(rows, cols):
    """The cells' grooves of a mosaic of rows x cols."""
    b = '<g class="stroke-gold-dark" stroke-width="3" stroke-opacity="0.9">'
    for c in range(1, cols):
        x = c * (W // cols)
        b += '<line x1="%d" y1="0" x2="%d" y2="%d"/>' % (x, x, H)
    for r in range(1, rows):
        y = r * (H // rows)
        b += '<line x1="0" y1="%d" x2="%d" y2="%d"/>' % (y, W, y)
    b += '</g>\n<g class="fill-gold">'
    for r in range(1, rows):
        for c in range(1, cols):
            b += '<circle cx="%d" cy="%d" r="5"/>' % (c * (W // cols), r * (H // rows))
    return b + '</g>\n'


def main():
    for name, landmark, light, sun, warm in LOCATIONS:
        defs, body = scene(name, landmark, light, sun, warm)
        svg("mosaic_%s.svg" % name, "The big mosaic of %s." % name, W, H, body, defs)
        rows, cols = GRIDS[name]
        # The mat: the scene as a faded engraving on ink, with the grooves the
        # cells sit in.
        mat_defs = defs + (
            '<filter id="engrave"><feColorMatrix type="saturate" values="0.1"/>'
            '<feComponentTransfer><feFuncR type="linear" slope="0.45"/><feFuncG type="linear" slope="0.45"/>'
            '<feFuncB type="linear" slope="0.5"/></feComponentTransfer></filter>\n')
        mat = ('<rect width="%d" height="%d" class="fill-ink-deep"/>\n<g filter="url(#engrave)" opacity="0.55">\n' % (W, H) +
               body + '</g>\n' + grooves(rows, cols))
        svg("mosaic_%sMat.svg" % name, "The board under the mosaic of %s." % name, W, H, mat, mat_defs)
        # The bonus background: the scene dimmed, a gold rule along the panel.
        bg = ('<rect width="%d" height="%d" class="fill-ink-deep"/>\n' % (W, H) +
              '<g opacity="0.62">\n' + body + '</g>\n' +
              '<rect width="%d" height="%d" class="fill-ink-deep" fill-opacity="0.35"/>\n' % (W, H) +
              '')
        svg("bonus_%s.svg" % name, "The background of the bonus round of %s." % name, W, H, bg, defs)

    # The rolled edge of the map as it scrolls away: 1024 x 114.
    edge_defs = ('<linearGradient id="roll" x1="0" y1="0" x2="0" y2="1">'
                 '<stop offset="0" class="stop-parchment-shade"/><stop offset="0.45" class="stop-parchment"/>'
                 '<stop offset="0.8" class="stop-parchment-shade"/><stop offset="1" class="stop-gold-dark"/></linearGradient>\n')
    edge = ('<rect x="0" y="20" width="1024" height="74" rx="37" fill="url(#roll)" class="stroke-gold-dark" stroke-width="3"/>\n'
            '<rect x="0" y="50" width="1024" height="4" class="fill-gold-dark" fill-opacity="0.5"/>\n'
            '<rect x="0" y="28" width="1024" height="6" class="fill-parchment" fill-opacity="0.8"/>\n'
            '<g class="fill-gold"><circle cx="16" cy="57" r="16"/><circle cx="1008" cy="57" r="16"/></g>\n')
    svg("scroll_edge.svg", "The rolled edge of a picture scrolling away.", 1024, 114, edge, edge_defs)

    # The ribbon of the mosaic's tip: 560 x 72.
    ribbon = ('<path d="M0 14 L40 14 L40 58 L0 58 L16 36 Z" class="fill-gold-dark"/>'
              '<path d="M560 14 L520 14 L520 58 L560 58 L544 36 Z" class="fill-gold-dark"/>\n'
              '<rect x="28" y="4" width="504" height="60" rx="8" class="fill-parchment stroke-gold" stroke-width="3"/>\n'
              '<rect x="38" y="12" width="484" height="44" rx="4" fill="none" class="stroke-gold-dark" stroke-width="1.2"/>\n')
    svg("tip_ribbon.svg", "The ribbon that carries the mosaic's tip.", 560, 72, ribbon)

    # A bonus level's card: 232 x 296, the location's miniature (160 x 120) at 36, 46.
    card_defs = ('<linearGradient id="paper" x1="0" y1="0" x2="0" y2="1">'
                 '<stop offset="0" class="stop-parchment"/><stop offset="1" class="stop-parchment-shade"/></linearGradient>\n')
    card = ('<rect x="4" y="4" width="224" height="288" rx="14" fill="url(#paper)" class="stroke-gold" stroke-width="4"/>\n'
            '<rect x="13" y="13" width="206" height="270" rx="8" fill="none" class="stroke-gold-dark" stroke-width="1.2"/>\n'
            '<rect x="33" y="43" width="166" height="126" class="fill-gold-dark"/>\n'
            '<line x1="36" y1="176" x2="196" y2="176" class="stroke-gold-dark" stroke-width="1.5"/>\n'
            '<g class="fill-gold-dark"><circle cx="116" cy="176" r="4"/></g>\n')
    svg("bonus_card.svg", "The card of one bonus level.", 232, 296, card, card_defs)
    # The same card while its location is not completed: grey, with a lock.
    locked = ('<rect x="4" y="4" width="224" height="288" rx="14" class="fill-grey-dark stroke-grey" stroke-width="4"/>\n'
              '<rect x="13" y="13" width="206" height="270" rx="8" fill="none" class="stroke-grey" stroke-width="1.2"/>\n'
              '<rect x="36" y="46" width="160" height="120" class="fill-ink-deep"/>\n'
              '<path d="M100 102 v-14 a16 16 0 0 1 32 0 v14" fill="none" class="stroke-grey" stroke-width="7"/>\n'
              '<rect x="90" y="100" width="52" height="42" rx="7" class="fill-grey"/><circle cx="116" cy="117" r="6" class="fill-ink-deep"/>'
              '<rect x="113" y="119" width="6" height="12" class="fill-ink-deep"/>\n')
    svg("bonus_card_locked.svg", "The card of a bonus level not open yet.", 232, 296, locked)


    # The hint buttons of the bonus panel, 56 x 48: normal, selected, used up.
    for state, face, ink, mark in (("normal", "ink-light", "stroke-gold", "fill-gold-light"),
                                   ("selected", "teal", "stroke-gold-light", "fill-parchment"),
                                   ("disabled", "grey-dark", "stroke-grey", "fill-grey")):
        body = ('<rect x="3" y="3" width="50" height="42" rx="10" class="fill-%s %s" stroke-width="3"/>\n' % (face, ink) +
                '<path d="M28 9 l3.5 8 l8.5 0.6 l-6.6 5.4 l2.2 8.3 l-7.6 -4.6 l-7.6 4.6 l2.2 -8.3 l-6.6 -5.4 l8.5 -0.6 Z" class="%s"/>\n' % mark +
                '<rect x="14" y="36" width="28" height="3" rx="1.5" class="%s" fill-opacity="0.6"/>\n' % mark)
        svg("hint_%s.svg" % state, "A hint button, %s." % state, 56, 48, body)

    # The bonus tools, 96 x 64: the arrow opens a cell, the hammer breaks one.
    tools = {
        "open": ("ink", '<rect x="60" y="18" width="24" height="24" rx="3" class="fill-gold-light"/>'
                        '<path d="M20 14 L20 46 L28 38 L34 50 L39 47 L33 36 L44 36 Z" class="fill-parchment stroke-ink-deep" stroke-width="2"/>'),
        "break": ("gold-dark", '<rect x="58" y="20" width="24" height="24" rx="3" fill="none" class="stroke-parchment" stroke-width="2" stroke-dasharray="5 3"/>'
                               '<g transform="rotate(-35 32 34)"><rect x="29" y="24" width="6" height="30" rx="2" class="fill-parchment-shade"/>'
                               '<rect x="18" y="14" width="28" height="13" rx="3" class="fill-grey stroke-ink-deep" stroke-width="2"/></g>'),
    }
    for name, (face, icon) in tools.items():
        body = ('<rect x="3" y="3" width="90" height="58" rx="12" class="fill-%s stroke-gold" stroke-width="3"/>\n' % face +
                icon + '\n')
        svg("tool_%s.svg" % name, "The bonus tool that %ss a cell." % name, 96, 64, body)

    # The seal of a new record, 64 x 64.
    rays = "".join('<path d="M32 32 L%.1f %.1f L%.1f %.1f Z"/>' % (
        32 + 31 * math.cos(math.radians(a - 7)), 32 + 31 * math.sin(math.radians(a - 7)),
        32 + 31 * math.cos(math.radians(a + 7)), 32 + 31 * math.sin(math.radians(a + 7)))
        for a in range(0, 360, 30))
    seal = ('<g class="fill-gold-dark">' + rays + '</g>\n'
            '<circle cx="32" cy="32" r="22" class="fill-gold stroke-gold-dark" stroke-width="2"/>\n'
            '<circle cx="32" cy="32" r="16" fill="none" class="stroke-gold-light" stroke-width="1.5"/>\n'
            '<path d="M32 21 l3 7 l7.5 0.5 l-5.8 4.8 l1.9 7.3 l-6.6 -4 l-6.6 4 l1.9 -7.3 l-5.8 -4.8 l7.5 -0.5 Z" class="fill-parchment"/>\n')
    svg("record_seal.svg", "The seal of a new record.", 64, 64, seal)


if __name__ == "__main__":
    main()

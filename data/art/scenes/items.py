# The magic items' shapes: each kind draws itself in its own box (vw x vh,
# ground at the bottom edge) from a few colours, in the flat storybook look
# of the scenes: soft top-lit gradients, a thin ink outline, warm highlights.
# Used by generate.py; nothing here writes files.

import math

INK = "#0e1724"
OUTLINE = f'stroke="{INK}" stroke-opacity="0.55" stroke-width="2" stroke-linejoin="round"'


def mix(a, b, t):
    a = a.lstrip("#")
    b = b.lstrip("#")
    ca = [int(a[i:i + 2], 16) for i in (0, 2, 4)]
    cb = [int(b[i:i + 2], 16) for i in (0, 2, 4)]
    return "#" + "".join(f"{round(x + (y - x) * t):02x}" for x, y in zip(ca, cb))


def light(c, t=0.35):
    return mix(c, "#fff6e0", t)


def dark(c, t=0.35):
    return mix(c, INK, t)


class Defs:
    """Gradients used by one picture, each made once."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.items = {}

    def vgrad(self, c):
        key = "v" + c.lstrip("#")
        if key not in self.items:
            self.items[key] = (f'<linearGradient id="{self.prefix}{key}" x1="0" y1="0" x2="0" y2="1">'
                               f'<stop offset="0" stop-color="{light(c, 0.28)}"/>'
                               f'<stop offset="1" stop-color="{dark(c, 0.22)}"/></linearGradient>')
        return f"url(#{self.prefix}{key})"

    def hgrad(self, c):
        key = "h" + c.lstrip("#")
        if key not in self.items:
            self.items[key] = (f'<linearGradient id="{self.prefix}{key}" x1="0" y1="0" x2="1" y2="0">'
                               f'<stop offset="0" stop-color="{light(c, 0.25)}"/>'
                               f'<stop offset="0.55" stop-color="{c}"/>'
                               f'<stop offset="1" stop-color="{dark(c, 0.3)}"/></linearGradient>')
        return f"url(#{self.prefix}{key})"

    def render(self):
        return "".join(self.items.values())


def outline(extra=""):
    """The ink outline, less the attributes that extra sets itself."""
    parts = [a for a in OUTLINE.split(" ") if a.split("=")[0] + "=" not in extra]
    return " ".join(parts)


def shape(d, fill, extra=""):
    return f'<path d="{d}" fill="{fill}" {outline(extra)} {extra}/>'


def rect(x, y, w, h, fill, rx=0, extra=""):
    return f'<rect x="{x:.1f}" y="{y:.1f}" width="{w:.1f}" height="{h:.1f}" rx="{rx}" fill="{fill}" {OUTLINE} {extra}/>'


def ellipse(cx, cy, rx, ry, fill, outline=True, extra=""):
    o = OUTLINE if outline else ""
    return f'<ellipse cx="{cx:.1f}" cy="{cy:.1f}" rx="{rx:.1f}" ry="{ry:.1f}" fill="{fill}" {o} {extra}/>'


def ground_shadow(vw, vh, w=None):
    w = w or vw * 0.42
    return f'<ellipse cx="{vw / 2:.1f}" cy="{vh - 5:.1f}" rx="{w:.1f}" ry="6" fill="{INK}" fill-opacity="0.28"/>'


# --- The kinds. Each answers (vw, vh, body).

def tree_round(D, c):
    """A broad tree: trunk and clustered crown; blossom dots optional."""
    vw, vh = 200, 220
    trunk = c.get("trunk", "#6b4a2b")
    leaf = c["leaf"]
    out = [ground_shadow(vw, vh, 60)]
    out.append(shape("M92 215 C94 180 90 150 78 122 L90 118 C100 140 104 150 106 130 L114 118 "
                     "L122 124 C112 150 110 180 112 215 Z", D.hgrad(trunk)))
    blobs = [(100, 70, 62, 50), (52, 100, 44, 36), (148, 100, 46, 36), (70, 52, 36, 30),
             (134, 56, 38, 32), (100, 112, 52, 30)]
    for (x, y, rx, ry) in blobs:
        out.append(ellipse(x, y, rx, ry, D.vgrad(leaf)))
    for (x, y, rx, ry) in blobs[:4]:
        out.append(ellipse(x - rx * 0.25, y - ry * 0.35, rx * 0.45, ry * 0.3, light(leaf, 0.45),
                           outline=False, extra='fill-opacity="0.55"'))
    if "blossom" in c:
        for i in range(46):
            a = i * 2.399
            r = 70 * math.sqrt((i + 0.5) / 46)
            x = 100 + math.cos(a) * r * 1.25
            y = 86 + math.sin(a) * r * 0.7
            out.append(f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{3 + i % 3}" fill="{c["blossom"]}" '
                       f'stroke="{dark(c["blossom"], 0.4)}" stroke-width="0.8"/>')
    if "fruit" in c:
        for i in range(14):
            a = i * 2.399
            r = 66 * math.sqrt((i + 0.5) / 14)
            x = 100 + math.cos(a) * r * 1.25
            y = 86 + math.sin(a) * r * 0.7
            out.append(f'<ellipse cx="{x:.1f}" cy="{y:.1f}" rx="3" ry="4" fill="{c["fruit"]}" fill-opacity="0.85"/>')
    return vw, vh, "".join(out)


def tree_tall(D, c):
    """A slender flame-shaped tree (cypress)."""
    vw, vh = 90, 260
    leaf = c["leaf"]
    out = [ground_shadow(vw, vh, 26)]
    out.append(rect(40, 220, 10, 38, c.get("trunk", "#6b4a2b")))
    out.append(shape("M45 6 C60 40 74 90 74 150 C74 200 62 226 45 228 C28 226 16 200 16 150 "
                     "C16 90 30 40 45 6 Z", D.hgrad(leaf)))
    out.append(shape("M45 40 C52 80 56 120 54 170", "none", 'stroke-opacity="0.3"'))
    return vw, vh, "".join(out)


def palm(D, c):
    if c.get("style") == "jungle":
        return jungle_palm(D, c)
    vw, vh = 200, 260
    leaf = c["leaf"]
    out = [ground_shadow(vw, vh, 40)]
    trunk = c.get("trunk", "#8a6a3a")
    out.append(shape("M92 258 C96 200 104 140 118 70 L128 72 C116 140 110 200 110 258 Z", D.hgrad(trunk)))
    for i in range(7):
        y = 240 - i * 26
        out.append(f'<path d="M{94 + i * 2.6:.1f} {y} l{16 - i * 0.4:.1f} -4" stroke="{dark(trunk, 0.4)}" stroke-width="2"/>')
    fronds = ["M123 70 C90 40 50 50 18 92 C52 70 88 70 123 74 Z",
              "M123 70 C150 36 186 44 198 90 C176 68 150 66 123 76 Z",
              "M123 68 C104 30 80 14 52 16 C86 28 106 46 121 72 Z",
              "M123 68 C140 26 166 14 188 26 C160 30 140 46 125 72 Z",
              "M123 72 C112 100 84 130 70 160 C100 128 118 104 126 76 Z",
              "M123 72 C140 100 164 120 176 150 C150 124 134 104 121 76 Z"]
    for f in fronds:
        out.append(shape(f, D.vgrad(leaf)))
    if "fruit" in c:
        for (x, y) in [(118, 80), (128, 82), (123, 88)]:
            out.append(f'<circle cx="{x}" cy="{y}" r="6" fill="{c["fruit"]}" {OUTLINE}/>')
    return vw, vh, "".join(out)


def jungle_palm(D, c):
    """A rain-forest palm: a tall thin curving trunk whose crown of long
    feathered fronds rises above a canopy of broad leaves."""
    vw, vh = 200, 300
    leaf = c["leaf"]
    trunk = c.get("trunk", "#7a6a4a")
    out = [ground_shadow(vw, vh, 70)]
    out.append(shape("M96 298 C92 220 96 140 120 64 L128 66 C108 140 106 220 108 298 Z", D.hgrad(trunk)))
    for i in range(10):
        y = 286 - i * 22
        x = 96 + (298 - y) * 0.1
        out.append(f'<path d="M{x:.1f} {y} l12 -3" stroke="{dark(trunk, 0.4)}" stroke-width="1.5"/>')
    # Feathered fronds: a curved rib with leaflets hanging from it.
    for (ex, ey, cx_, cy_) in [(10, 96, 60, 30), (190, 100, 180, 30), (40, 140, 70, 70), (170, 146, 160, 80),
                               (70, 10, 90, 10), (160, 12, 150, 10), (120, 150, 118, 110)]:
        out.append(f'<path d="M124 64 Q{cx_} {cy_} {ex} {ey}" fill="none" stroke="{dark(leaf, 0.3)}" stroke-width="3"/>')
        for k in range(1, 9):
            t = k / 9
            x = (1 - t) ** 2 * 124 + 2 * (1 - t) * t * cx_ + t * t * ex
            y = (1 - t) ** 2 * 64 + 2 * (1 - t) * t * cy_ + t * t * ey
            for side in (-1, 1):
                out.append(f'<path d="M{x:.1f} {y:.1f} q{side * 10:.1f} 12 {side * 8:.1f} {36 - k * 3:.1f}" fill="none" '
                           f'stroke="{leaf if side > 0 else light(leaf, 0.15)}" stroke-width="5.5" stroke-linecap="round"/>')
    # The canopy of broad-leaved shrubs at its foot.
    for (x, y, rx, ry, col) in [(56, 270, 40, 26, dark(leaf, 0.1)), (146, 272, 42, 24, dark(leaf, 0.1)),
                                (100, 280, 48, 18, leaf)]:
        out.append(ellipse(x, y, rx, ry, D.vgrad(col)))
    for (x, y, a) in [(40, 262, -30), (72, 252, 10), (136, 258, -10), (166, 264, 30), (102, 270, 0)]:
        out.append(f'<path d="M{x} {y} q6 -16 0 -30 q-6 14 0 30 Z" fill="{light(leaf, 0.25)}" fill-opacity="0.7" transform="rotate({a} {x} {y})"/>')
    return vw, vh, "".join(out)


def pine(D, c):
    """A windswept pine or bonsai: flat clouds of needles on a bent trunk."""
    vw, vh = 220, 200
    leaf = c["leaf"]
    trunk = c.get("trunk", "#5b3e26")
    out = [ground_shadow(vw, vh, 60)]
    if c.get("pot"):
        out.append(shape("M70 170 L150 170 L140 196 L80 196 Z", D.vgrad(c["pot"])))
        base = 172
    else:
        base = 198
    out.append(shape(f"M100 {base} C96 150 120 130 104 100 C92 80 130 70 150 58 L156 66 "
                     f"C136 80 110 86 118 102 C134 130 112 150 118 {base} Z", D.hgrad(trunk)))
    for (x, y, rx, ry) in [(150, 52, 58, 20), (70, 86, 50, 17), (160, 104, 44, 15), (110, 30, 40, 15)]:
        out.append(ellipse(x, y, rx, ry, D.vgrad(leaf)))
        out.append(ellipse(x - 8, y - 6, rx * 0.6, ry * 0.35, light(leaf, 0.4), outline=False,
                           extra='fill-opacity="0.5"'))
    return vw, vh, "".join(out)


def bamboo(D, c):
    vw, vh = 150, 260
    leaf = c["leaf"]
    out = [ground_shadow(vw, vh, 50)]
    for i, (x, top) in enumerate([(40, 30), (72, 8), (104, 44)]):
        out.append(rect(x, top, 12, vh - top - 4, D.hgrad(c.get("stem", "#7aa052")), rx=4))
        for y in range(top + 40, vh - 10, 44):
            out.append(f'<rect x="{x - 1}" y="{y}" width="14" height="4" rx="2" fill="{dark(c.get("stem", "#7aa052"), 0.3)}"/>')
        for j, y in enumerate(range(top + 20, vh - 80, 52)):
            s = 1 if (i + j) % 2 else -1
            out.append(shape(f"M{x + 6} {y} q{s * 30} -16 {s * 48} -4 q{-s * 20} 10 {-s * 48} 4 Z", D.vgrad(leaf)))
    return vw, vh, "".join(out)


def lantern_stone(D, c):
    vw, vh = 120, 200
    st = c.get("stone", "#9a958a")
    out = [ground_shadow(vw, vh, 44)]
    out.append(rect(30, 176, 60, 20, D.vgrad(st), rx=4))
    out.append(rect(50, 110, 20, 68, D.hgrad(st)))
    out.append(rect(26, 96, 68, 16, D.vgrad(st), rx=3))
    out.append(rect(36, 62, 48, 36, D.vgrad(st)))
    out.append(f'<rect x="48" y="70" width="24" height="22" fill="{c.get("glow", "#f3d27a")}"/>')
    out.append(shape("M12 64 Q60 26 108 64 Z", D.vgrad(st)))
    out.append(ellipse(60, 28, 10, 10, D.vgrad(st)))
    return vw, vh, "".join(out)


def lantern_paper(D, c):
    """Paper lanterns hanging from a post."""
    vw, vh = 160, 240
    red = c.get("paper", "#c8412e")
    out = [ground_shadow(vw, vh, 30)]
    wood = c.get("wood", "#5b3e26")
    out.append(rect(20, 20, 10, 218, D.hgrad(wood)))
    out.append(rect(20, 18, 130, 8, D.vgrad(wood)))
    for (x, y, s) in [(70, 30, 1.0), (122, 30, 0.8)]:
        out.append(f'<line x1="{x}" y1="26" x2="{x}" y2="{y + 10}" stroke="{INK}" stroke-width="2"/>')
        out.append(rect(x - 8 * s, y + 8, 16 * s, 8 * s, "#2b1e12"))
        out.append(ellipse(x, y + 44 * s, 28 * s, 36 * s, D.hgrad(red)))
        for k in (-1, 0, 1):
            out.append(f'<path d="M{x + k * 14 * s:.1f} {y + 12 * s:.1f} q{k * 10 * s:.1f} 32 0 64" fill="none" stroke="{dark(red, 0.4)}" stroke-width="1.2" stroke-opacity="0.6"/>')
        out.append(ellipse(x - 8 * s, y + 34 * s, 8 * s, 12 * s, "#fff0b0", outline=False, extra='fill-opacity="0.45"'))
        out.append(rect(x - 8 * s, y + 78 * s, 16 * s, 8 * s, "#2b1e12"))
        out.append(f'<line x1="{x}" y1="{y + 86 * s:.1f}" x2="{x}" y2="{y + 100 * s:.1f}" stroke="{c.get("tassel", "#d8a93f")}" stroke-width="3"/>')
    return vw, vh, "".join(out)


def gate(D, c):
    """A torii or a ceremonial gate: two posts and two beams."""
    vw, vh = 240, 220
    red = c.get("wood", "#c8412e")
    out = [ground_shadow(vw, vh, 100)]
    out.append(rect(48, 50, 18, 168, D.hgrad(red)))
    out.append(rect(174, 50, 18, 168, D.hgrad(red)))
    out.append(rect(40, 204, 34, 14, "#2b1e12"))
    out.append(rect(166, 204, 34, 14, "#2b1e12"))
    out.append(rect(30, 72, 180, 14, D.vgrad(red)))
    out.append(rect(112, 52, 16, 22, D.vgrad(red)))
    out.append(shape("M4 36 Q120 50 236 36 L232 22 Q120 34 8 22 Z", D.vgrad(c.get("top", "#2b1e12"))))
    out.append(shape("M14 50 L226 50 L222 38 Q120 46 18 38 Z", D.vgrad(red)))
    return vw, vh, "".join(out)


def moon_gate(D, c):
    vw, vh = 240, 200
    wall = c.get("wall", "#e8dcc0")
    out = [ground_shadow(vw, vh, 110)]
    out.append(f'<path d="M10 40 L230 40 L230 198 L10 198 Z M120 70 A62 62 0 1 0 120.1 70 Z" '
               f'fill-rule="evenodd" fill="{D.vgrad(wall)}" {OUTLINE}/>')
    out.append(shape("M0 44 L240 44 L226 22 L14 22 Z", D.vgrad(c.get("roof", "#2c4260"))))
    out.append(rect(0, 40, 240, 8, c.get("trim", "#9a2f22")))
    return vw, vh, "".join(out)


def pagoda(D, c):
    vw, vh = 180, 300
    wall = c.get("wall", "#c8412e")
    roof = c.get("roof", "#2c4260")
    tiers = c.get("tiers", 4)
    out = [ground_shadow(vw, vh, 70)]
    h = 250 / tiers
    # One eave a storey, the storeys narrowing from 120 to 48 wide.
    step = (120 - 48) / max(tiers - 1, 1)
    for i in range(tiers):
        w = 120 - i * step
        y = vh - 4 - (i + 1) * h
        out.append(rect(90 - w / 2, y + h * 0.3, w, h * 0.7, D.hgrad(wall)))
        out.append(f'<rect x="{90 - w / 4:.1f}" y="{y + h * 0.45:.1f}" width="{w / 2:.1f}" height="{h * 0.35:.1f}" fill="#f3d27a" fill-opacity="0.7"/>')
        rw = w / 2 + min(26, 10 + h * 0.35)
        out.append(shape(f"M{90 - rw:.1f} {y + h * 0.34:.1f} Q90 {y + h * 0.22:.1f} {90 + rw:.1f} {y + h * 0.34:.1f} "
                         f"L{90 + rw - 16:.1f} {y + h * 0.06:.1f} L{90 - rw + 16:.1f} {y + h * 0.06:.1f} Z", D.vgrad(roof)))
        if c.get("bells"):
            for side in (-1, 1):
                bx = 90 + side * (rw - 2)
                out.append(f'<line x1="{bx:.1f}" y1="{y + h * 0.32:.1f}" x2="{bx:.1f}" y2="{y + h * 0.32 + 6:.1f}" stroke="{INK}" stroke-width="1"/>')
                out.append(f'<circle cx="{bx:.1f}" cy="{y + h * 0.32 + 8:.1f}" r="2.6" fill="{c["bells"]}" stroke="{INK}" stroke-width="0.8"/>')
    top = vh - 4 - tiers * h
    out.append(rect(87, top - 40, 6, 46, c.get("spire", "#d8a93f")))
    for k in range(3):
        out.append(ellipse(90, top - 10 - k * 10, 8 - k, 3, c.get("spire", "#d8a93f")))
    return vw, vh, "".join(out)


def column(D, c):
    vw, vh = 90, 250
    st = c.get("stone", "#e8dcc0")
    out = [ground_shadow(vw, vh, 36)]
    out.append(rect(12, 228, 66, 18, D.vgrad(st)))
    out.append(rect(22, 50, 46, 180, D.hgrad(st)))
    for x in (32, 45, 58):
        out.append(f'<line x1="{x}" y1="54" x2="{x}" y2="226" stroke="{dark(st, 0.35)}" stroke-width="2" stroke-opacity="0.5"/>')
    cap = c.get("capital", "ionic")
    if cap == "ionic":
        out.append(rect(10, 34, 70, 16, D.vgrad(st)))
        out.append(ellipse(14, 46, 10, 10, D.vgrad(st)))
        out.append(ellipse(76, 46, 10, 10, D.vgrad(st)))
        out.append(rect(6, 22, 78, 12, D.vgrad(st)))
    elif cap == "lotus":
        out.append(shape("M22 52 C6 30 10 14 20 8 L70 8 C80 14 84 30 68 52 Z", D.vgrad(c.get("paint", "#3a8c86"))))
        for x in (30, 45, 60):
            out.append(f'<path d="M{x} 50 Q{x - 6} 28 {x} 10" fill="none" stroke="{INK}" stroke-opacity="0.4" stroke-width="1.5"/>')
        out.append(rect(14, 2, 62, 8, D.vgrad(st)))
        out.append(rect(22, 100, 46, 10, c.get("paint", "#3a8c86")))
        out.append(rect(22, 180, 46, 10, c.get("band", "#d8a93f")))
    if c.get("topper"):
        out.append(ellipse(45, 12, 12, 12, D.vgrad(c["topper"])))
    return vw, vh, "".join(out)


def obelisk(D, c):
    vw, vh = 80, 280
    st = c.get("stone", "#d9b36a")
    out = [ground_shadow(vw, vh, 34)]
    out.append(rect(8, 254, 64, 22, D.vgrad(st)))
    out.append(shape("M22 256 L28 40 L52 40 L58 256 Z", D.hgrad(st)))
    out.append(shape("M28 40 L40 14 L52 40 Z", D.vgrad(c.get("tip", "#f3d27a"))))
    for i, y in enumerate(range(70, 240, 34)):
        g = ["M36 {y} h8 v10 h-8 Z", "M34 {y} a6 6 0 1 0 12 0 a6 6 0 1 0 -12 0", "M40 {y} l6 10 h-12 Z"][i % 3]
        out.append(f'<path d="{g.format(y=y)}" fill="{dark(st, 0.45)}" fill-opacity="0.7"/>')
    return vw, vh, "".join(out)


def pyramid(D, c):
    vw, vh = 260, 200
    st = c.get("stone", "#d9b36a")
    out = [ground_shadow(vw, vh, 120)]
    if c.get("steps"):
        n = 5
        for i in range(n):
            w = 240 - i * 40
            y = vh - 4 - (i + 1) * 30
            out.append(rect(130 - w / 2, y, w, 30, D.vgrad(st)))
        out.append(rect(110, 20, 40, 30, D.vgrad(c.get("temple", "#9a2f22"))))
        out.append(shape("M104 22 L156 22 L146 8 L114 8 Z", D.vgrad(c.get("roof", "#3a8c86"))))
        out.append(rect(118, 30, 24, 20, "#2b1e12"))
        out.append(shape("M112 196 L148 196 L140 50 L120 50 Z", D.vgrad(dark(st, 0.15))))
        for y in range(60, 196, 12):
            out.append(f'<line x1="{114 + (196 - y) * 0.02:.1f}" y1="{y}" x2="{146 - (196 - y) * 0.02:.1f}" y2="{y}" stroke="{INK}" stroke-opacity="0.35"/>')
    else:
        out.append(shape("M8 196 L130 20 L252 196 Z", D.hgrad(st)))
        out.append(shape("M130 20 L252 196 L170 196 Z", dark(st, 0.25), 'fill-opacity="0.6"'))
        out.append(shape("M114 43 L130 20 L146 43 Z", c.get("cap", "#f3d27a")))
    return vw, vh, "".join(out)


def arch(D, c):
    vw, vh = 240, 220
    st = c.get("stone", "#e8dcc0")
    out = [ground_shadow(vw, vh, 110)]
    out.append(f'<path d="M10 40 L230 40 L230 216 L160 216 L160 140 A40 40 0 0 0 80 140 L80 216 L10 216 Z" fill="{D.vgrad(st)}" {OUTLINE}/>')
    out.append(rect(4, 22, 232, 20, D.vgrad(st)))
    out.append(rect(60, 48, 120, 26, c.get("plaque", "#d8a93f")))
    for x in (22, 52, 188, 218):
        out.append(f'<line x1="{x}" y1="80" x2="{x}" y2="214" stroke="{dark(st, 0.4)}" stroke-width="3" stroke-opacity="0.5"/>')
    if c.get("quadriga", True):
        out.append(shape("M90 22 L96 4 L110 10 L120 0 L132 10 L146 4 L150 22 Z", D.vgrad(c.get("bronze", "#9a7222"))))
    return vw, vh, "".join(out)


def temple(D, c):
    vw, vh = 260, 200
    st = c.get("stone", "#efe6d2")
    out = [ground_shadow(vw, vh, 124)]
    out.append(rect(6, 180, 248, 18, D.vgrad(st)))
    out.append(rect(16, 168, 228, 14, D.vgrad(st)))
    for i in range(6):
        x = 26 + i * 40
        out.append(rect(x, 74, 20, 96, D.hgrad(st)))
    out.append(rect(12, 58, 236, 18, D.vgrad(st)))
    out.append(shape("M8 60 L130 8 L252 60 Z", D.vgrad(st)))
    out.append(shape("M40 54 L130 18 L220 54 Z", c.get("frieze", "#3a8c86"), 'fill-opacity="0.55"'))
    return vw, vh, "".join(out)


def vase(D, c):
    vw, vh = 120, 180
    body = c.get("clay", "#c0703a")
    out = [ground_shadow(vw, vh, 36)]
    out.append(shape("M44 8 L76 8 L72 30 C108 50 110 120 84 160 L88 176 L32 176 L36 160 C10 120 12 50 48 30 Z", D.hgrad(body)))
    out.append(shape("M48 30 C30 20 18 30 22 48 M72 30 C90 20 102 30 98 48", "none", 'stroke-width="5"'))
    band = c.get("band", "#1b2a3d")
    if c.get("figures"):
        # Black figures on the red clay: a black neck and foot, and between
        # the belly's borders two warriors with crest, shield and spear.
        black = c["figures"]
        out.append(shape("M44 8 L76 8 L72 30 L48 30 Z", black))
        out.append(shape("M36 150 L84 150 L88 176 L32 176 Z", black))
        out.append(f'<path d="M20 62 C50 56 70 56 100 62 M18 128 C50 136 70 136 102 128" fill="none" stroke="{black}" stroke-width="4"/>')
        for (x, s) in [(42, 1), (78, -1)]:
            out.append(f'<path d="M{x} 72 l{s * 2} -6 l{s * 6} 4 Z" fill="{black}"/>'
                       f'<circle cx="{x}" cy="80" r="5" fill="{black}"/>'
                       f'<path d="M{x - 4} 86 L{x + 4} 86 L{x + 5} 106 L{x + s * 8} 122 L{x + s * 4} 124 L{x} 110 L{x - s * 4} 124 L{x - s * 8} 122 L{x - 5} 106 Z" fill="{black}"/>'
                       f'<circle cx="{x + s * 8}" cy="98" r="8" fill="{black}" stroke="{c.get("clay", "#c0703a")}" stroke-width="1"/>'
                       f'<path d="M{x - s * 6} 120 L{x - s * 2} 70" stroke="{black}" stroke-width="2"/>')
        return vw, vh, "".join(out)
    out.append(f'<path d="M22 80 C50 92 70 92 98 80 L100 104 C70 116 50 116 20 104 Z" fill="{band}"/>')
    if c.get("waves"):
        # A running wave.
        out.append(f'<path d="M26 96 ' + " ".join(f"q7 -12 14 0" for _ in range(5)) + f'" fill="none" stroke="{c.get("motif", "#f3d27a")}" stroke-width="2.5"/>')
        return vw, vh, "".join(out)
    for x in range(30, 96, 14):
        out.append(f'<path d="M{x} 86 l6 10 l6 -10" fill="none" stroke="{c.get("motif", "#f3d27a")}" stroke-width="2"/>')
    return vw, vh, "".join(out)


def statue(D, c):
    """A figure on a plinth: a robed standing figure, or a lying sphinx/jaguar."""
    st = c.get("stone", "#cfc6b0")
    if c.get("lying"):
        vw, vh = 240, 150
        out = [ground_shadow(vw, vh, 110)]
        out.append(rect(10, 116, 220, 32, D.vgrad(dark(st, 0.1))))
        # The body lying down, the forelegs stretched out, the head raised.
        out.append(shape("M24 116 C20 88 44 70 96 70 L160 72 C170 72 176 80 176 96 L176 116 Z", D.vgrad(st)))
        out.append(shape("M24 110 C10 108 6 96 12 88 C16 100 22 102 30 100 Z", D.vgrad(st)))
        out.append(shape("M140 116 L146 100 L226 100 C232 104 232 112 226 116 Z", D.vgrad(light(st, 0.08))))
        out.append(shape("M150 84 C146 56 150 30 164 18 L206 18 C220 30 224 56 220 84 C210 96 160 96 150 84 Z",
                         D.vgrad(c.get("headdress", st))))
        for y in range(30, 86, 10):
            out.append(f'<path d="M{152 + (y - 30) * 0.05:.1f} {y} H{218 - (y - 30) * 0.05:.1f}" stroke="{light(c.get("headdress", st), 0.4)}" stroke-width="3" stroke-opacity="0.7"/>')
        out.append(shape("M166 30 C166 22 204 22 204 30 L202 70 C196 80 174 80 168 70 Z", D.vgrad(light(st, 0.05))))
        out.append(f'<path d="M174 44 h8 M190 44 h8 M184 52 v8 M178 64 q7 4 14 0" fill="none" stroke="{INK}" stroke-width="2.5" stroke-linecap="round"/>')
        return vw, vh, "".join(out)
    vw, vh = 110, 260
    out = [ground_shadow(vw, vh, 40)]
    out.append(rect(14, 206, 82, 50, D.vgrad(dark(st, 0.12))))
    out.append(rect(8, 200, 94, 10, D.vgrad(st)))
    out.append(shape("M36 200 L40 96 C40 80 70 80 70 96 L76 200 Z", D.hgrad(st)))
    out.append(shape("M40 100 L24 150 L32 154 L46 116 Z", D.hgrad(st)))
    out.append(shape("M70 98 L92 60 L84 54 L64 92 Z", D.hgrad(st)))
    out.append(ellipse(55, 68, 15, 17, D.vgrad(st)))
    if c.get("item") == "torch":
        out.append(shape("M84 56 L92 20 L96 22 L90 58 Z", "#5b3e26"))
        out.append(shape("M94 22 C84 10 96 0 94 -2 C104 8 104 18 94 22 Z", "#f3a03a"))
    if c.get("wreath"):
        out.append(f'<path d="M40 62 Q55 48 70 62" fill="none" stroke="{c["wreath"]}" stroke-width="5"/>')
    return vw, vh, "".join(out)


def stupa(D, c):
    vw, vh = 200, 260
    wall = c.get("wall", "#f1ece0")
    out = [ground_shadow(vw, vh, 90)]
    out.append(rect(14, 220, 172, 36, D.vgrad(wall)))
    out.append(rect(34, 190, 132, 32, D.vgrad(wall)))
    out.append(shape("M40 192 C40 120 160 120 160 192 Z", D.vgrad(wall)))
    out.append(rect(76, 104, 48, 26, D.vgrad(c.get("trim", "#d8a93f"))))
    out.append(f'<path d="M88 118 q6 -6 12 0 q6 -6 12 0" fill="none" stroke="{INK}" stroke-width="2"/>')
    out.append(shape("M82 104 L100 20 L118 104 Z", D.hgrad(c.get("trim", "#d8a93f"))))
    for y in range(34, 100, 12):
        out.append(f'<line x1="{100 - (y - 20) * 0.2:.1f}" y1="{y}" x2="{100 + (y - 20) * 0.2:.1f}" y2="{y}" stroke="{INK}" stroke-opacity="0.45"/>')
    out.append(ellipse(100, 16, 8, 8, c.get("jewel", "#f3d27a")))
    out.append(f'<path d="M40 200 H160" stroke="{c.get("band", "#9a2f22")}" stroke-width="5"/>')
    return vw, vh, "".join(out)


def flags(D, c):
    """A string of prayer flags or pennants between two poles."""
    vw, vh = 300, 200
    colors = c.get("colors", ["#2c6fbf", "#f1ece0", "#c8412e", "#3a8c46", "#e3b52e"])
    out = [ground_shadow(vw, vh, 130)]
    out.append(rect(12, 20, 8, 178, D.hgrad("#5b3e26")))
    out.append(rect(280, 40, 8, 158, D.hgrad("#5b3e26")))
    out.append(f'<path d="M16 24 Q150 96 284 44" fill="none" stroke="{INK}" stroke-width="2"/>')
    n = 11
    for i in range(n):
        t = (i + 0.5) / n
        x = (1 - t) ** 2 * 16 + 2 * (1 - t) * t * 150 + t * t * 284
        y = (1 - t) ** 2 * 24 + 2 * (1 - t) * t * 96 + t * t * 44
        col = colors[i % len(colors)]
        out.append(f'<path d="M{x - 10:.1f} {y - 2:.1f} L{x + 10:.1f} {y + 1:.1f} L{x + 8:.1f} {y + 30:.1f} L{x - 12:.1f} {y + 27:.1f} Z" fill="{col}" {OUTLINE}/>')
    return vw, vh, "".join(out)


def boat(D, c):
    vw, vh = 260, 220
    hull = c.get("hull", "#6b4a2b")
    sail = c.get("sail", "#f1e6c8")
    out = [f'<ellipse cx="130" cy="212" rx="120" ry="7" fill="#ffffff" fill-opacity="0.35"/>']
    out.append(shape("M10 160 L250 160 C236 196 200 206 130 206 C60 206 24 196 10 160 Z", D.vgrad(hull)))
    out.append(f'<path d="M20 172 H240" stroke="{c.get("trim", "#d8a93f")}" stroke-width="4"/>')
    out.append(rect(124, 20, 8, 142, "#5b3e26"))
    style = c.get("style", "lateen")
    if style == "lateen":
        out.append(shape("M60 150 L200 10 L212 18 L132 150 Z", D.hgrad(sail)))
    elif style == "junk":
        out.append(shape("M60 150 L70 30 L200 24 L196 150 Z", D.hgrad(sail)))
        for y in range(44, 150, 22):
            out.append(f'<line x1="64" y1="{y}" x2="198" y2="{y - 2}" stroke="{INK}" stroke-opacity="0.5" stroke-width="2"/>')
    else:
        out.append(shape("M50 40 L210 40 C200 90 200 120 210 150 L50 150 C60 120 60 90 50 40 Z", D.vgrad(sail)))
        if c.get("emblem"):
            out.append(ellipse(130, 96, 24, 24, c["emblem"]))
        banks = c.get("banks", 1)
        for b in range(banks):
            y0 = 176 + b * 9 if banks > 1 else 186
            for x in range(30 + b * 7, 236, 16 if banks > 1 else 22):
                out.append(f'<line x1="{x}" y1="{y0}" x2="{x - 14 - b * 4}" y2="214" stroke="{INK}" stroke-width="2.4" stroke-opacity="0.65"/>')
        if c.get("ram"):
            # The bronze ram at the waterline and the painted eye at the bow.
            out.append(shape("M246 168 L262 196 L236 196 Z", D.vgrad(c["ram"])))
            out.append(f'<ellipse cx="226" cy="170" rx="7" ry="4" fill="#f6f1e6" stroke="{INK}" stroke-width="1.5"/><circle cx="227" cy="170" r="2" fill="{INK}"/>')
    return vw, vh, "".join(out)


def bridge(D, c):
    vw, vh = 300, 150
    wood = c.get("wood", "#c8412e")
    out = [f'<ellipse cx="150" cy="144" rx="140" ry="6" fill="#ffffff" fill-opacity="0.3"/>']
    out.append(f'<path d="M0 140 Q150 20 300 140 L300 146 Q150 44 0 146 Z" fill="{D.vgrad(wood)}" {OUTLINE}/>')
    out.append(f'<path d="M6 118 Q150 -2 294 118" fill="none" stroke="{dark(wood, 0.2)}" stroke-width="6"/>')
    for i in range(9):
        t = (i + 0.5) / 9
        x = t * 300
        y = (1 - t) ** 2 * 140 + 2 * (1 - t) * t * 20 + t * t * 140
        yr = (1 - t) ** 2 * 118 + 2 * (1 - t) * t * -2 + t * t * 118
        out.append(f'<line x1="{x:.1f}" y1="{y - 4:.1f}" x2="{x:.1f}" y2="{yr:.1f}" stroke="{wood}" stroke-width="5"/>')
    for x in (60, 240):
        out.append(rect(x - 5, 110, 10, 36, dark(wood, 0.3)))
    return vw, vh, "".join(out)


def fountain(D, c):
    vw, vh = 220, 190
    st = c.get("stone", "#e8dcc0")
    water = c.get("water", "#7fc4d8")
    out = [ground_shadow(vw, vh, 100)]
    out.append(shape("M10 150 L210 150 L200 186 L20 186 Z", D.vgrad(st)))
    out.append(ellipse(110, 150, 100, 14, D.vgrad(water)))
    out.append(rect(98, 70, 24, 80, D.hgrad(st)))
    out.append(shape("M60 78 Q110 100 160 78 L150 66 L70 66 Z", D.vgrad(st)))
    for s in (-1, 1):
        out.append(f'<path d="M110 40 C{110 + s * 40} 10 {110 + s * 70} 60 {110 + s * 80} 146" fill="none" stroke="{water}" stroke-width="5" stroke-opacity="0.85"/>')
    out.append(f'<path d="M110 66 L110 24" stroke="{water}" stroke-width="6"/>')
    out.append(ellipse(110, 22, 8, 8, water, outline=False))
    return vw, vh, "".join(out)


def bird(D, c):
    """A bird on the wing (crane, owl, quetzal, kite...)."""
    vw, vh = 220, 140
    body = c.get("body", "#f1ece0")
    wing = c.get("wing", body)
    out = []
    out.append(shape("M20 60 C60 10 100 30 110 66 C120 30 170 0 206 40 C160 40 130 70 112 88 C90 70 60 54 20 60 Z", D.vgrad(wing)))
    out.append(shape("M80 80 C100 66 140 66 160 78 C140 96 100 96 80 80 Z", D.vgrad(body)))
    out.append(shape("M160 78 C170 70 180 70 190 74 L204 76 L190 82 C180 86 170 86 160 80 Z", D.vgrad(c.get("head", body))))
    if c.get("tail"):
        out.append(shape("M82 80 C60 96 30 120 6 136 C40 110 60 100 86 86 Z", D.vgrad(c["tail"])))
    out.append(f'<circle cx="186" cy="76" r="2" fill="{INK}"/>')
    if c.get("crest"):
        out.append(f'<circle cx="182" cy="70" r="5" fill="{c["crest"]}"/>')
    return vw, vh, "".join(out)


def kite(D, c):
    vw, vh = 200, 220
    col = c.get("color", "#c8412e")
    out = [shape("M100 6 L170 70 L100 150 L30 70 Z", D.vgrad(col))]
    out.append(f'<path d="M100 6 V150 M30 70 H170" stroke="{INK}" stroke-width="2" stroke-opacity="0.6"/>')
    out.append(ellipse(100, 70, 24, 24, c.get("emblem", "#f3d27a")))
    out.append(f'<path d="M100 150 C80 170 120 180 96 200 C80 212 110 216 100 220" fill="none" stroke="{INK}" stroke-width="2"/>')
    for (x, y) in [(92, 170), (104, 188), (94, 206)]:
        out.append(f'<path d="M{x} {y} l-10 -6 l0 12 Z M{x} {y} l10 -6 l0 12 Z" fill="{c.get("bows", "#f3d27a")}"/>')
    return vw, vh, "".join(out)


def sun_disc(D, c):
    vw, vh = 200, 240
    st = c.get("stone", "#b8a98a")
    out = [ground_shadow(vw, vh, 60)]
    out.append(rect(84, 190, 32, 48, D.hgrad(dark(st, 0.15))))
    out.append(rect(50, 226, 100, 12, D.vgrad(st)))
    out.append(f'<circle cx="100" cy="100" r="92" fill="{D.vgrad(st)}" {OUTLINE}/>')
    for i in range(16):
        a = i * math.pi / 8
        x1, y1 = 100 + math.cos(a) * 62, 100 + math.sin(a) * 62
        x2, y2 = 100 + math.cos(a) * 88, 100 + math.sin(a) * 88
        out.append(f'<line x1="{x1:.1f}" y1="{y1:.1f}" x2="{x2:.1f}" y2="{y2:.1f}" stroke="{dark(st, 0.4)}" stroke-width="4"/>')
    out.append(f'<circle cx="100" cy="100" r="60" fill="{c.get("inner", "#3a8c86")}" {OUTLINE}/>')
    out.append(f'<circle cx="100" cy="100" r="34" fill="{c.get("face", "#d8a93f")}" {OUTLINE}/>')
    out.append(f'<path d="M88 96 h6 M106 96 h6 M92 112 q8 6 16 0" stroke="{INK}" stroke-width="3" fill="none"/>')
    return vw, vh, "".join(out)


def cactus(D, c):
    vw, vh = 140, 220
    g = c.get("leaf", "#4f8a4a")
    out = [ground_shadow(vw, vh, 40)]
    out.append(shape("M56 216 L56 40 C56 20 84 20 84 40 L84 216 Z", D.hgrad(g)))
    out.append(shape("M56 130 L34 130 C22 130 18 120 18 110 L18 70 C18 58 34 58 34 70 L34 112 L56 112 Z", D.hgrad(g)))
    out.append(shape("M84 110 L106 110 L106 60 C106 48 122 48 122 60 L122 116 C122 126 116 128 106 128 L84 128 Z", D.hgrad(g)))
    if c.get("flower"):
        out.append(ellipse(70, 26, 12, 9, c["flower"]))
    return vw, vh, "".join(out)


def bell(D, c):
    vw, vh = 180, 220
    wood = c.get("wood", "#6b4a2b")
    bronze = c.get("bronze", "#b5852e")
    out = [ground_shadow(vw, vh, 76)]
    out.append(rect(24, 40, 14, 178, D.hgrad(wood)))
    out.append(rect(142, 40, 14, 178, D.hgrad(wood)))
    out.append(shape("M4 38 Q90 20 176 38 L170 24 Q90 6 10 24 Z", D.vgrad(c.get("roof", "#2c4260"))))
    out.append(rect(18, 40, 144, 10, D.vgrad(wood)))
    out.append(shape("M62 60 C62 52 118 52 118 60 L124 150 C130 158 136 162 136 168 L44 168 C44 162 50 158 56 150 Z", D.hgrad(bronze)))
    out.append(f'<path d="M60 120 H120 M58 140 H122" stroke="{dark(bronze, 0.4)}" stroke-width="2"/>')
    out.append(rect(86, 50, 8, 12, dark(bronze, 0.3)))
    return vw, vh, "".join(out)


def wheel(D, c):
    """A prayer wheel on a post."""
    vw, vh = 120, 220
    out = [ground_shadow(vw, vh, 40)]
    out.append(rect(56, 30, 8, 188, D.hgrad("#5b3e26")))
    out.append(rect(24, 60, 72, 100, D.hgrad(c.get("drum", "#d8a93f")), rx=8))
    out.append(rect(20, 52, 80, 14, D.vgrad(c.get("trim", "#9a2f22")), rx=4))
    out.append(rect(20, 154, 80, 14, D.vgrad(c.get("trim", "#9a2f22")), rx=4))
    for y in (86, 108, 130):
        out.append(f'<path d="M32 {y} q10 -8 20 0 t20 0 t20 0" fill="none" stroke="{INK}" stroke-width="2" stroke-opacity="0.6"/>')
    out.append(ellipse(60, 30, 10, 10, c.get("jewel", "#f3d27a")))
    return vw, vh, "".join(out)


def pavilion(D, c):
    vw, vh = 260, 220
    wall = c.get("wood", "#9a2f22")
    roof = c.get("roof", "#2c4260")
    out = [ground_shadow(vw, vh, 120)]
    out.append(rect(20, 196, 220, 20, D.vgrad(c.get("stone", "#cfc6b0"))))
    for x in (44, 100, 150, 206):
        out.append(rect(x, 96, 12, 102, D.hgrad(wall)))
    out.append(rect(40, 140, 182, 8, wall))
    out.append(shape("M0 100 Q130 70 260 100 L226 46 Q130 60 34 46 Z", D.vgrad(roof)))
    out.append(shape("M40 48 Q130 58 220 48 L180 14 L80 14 Z", D.vgrad(roof)))
    out.append(ellipse(130, 10, 10, 8, c.get("finial", "#d8a93f")))
    return vw, vh, "".join(out)


def plants(D, c):
    """A clump of reeds, maize or flowers."""
    vw, vh = 200, 180
    g = c.get("leaf", "#5f8f3a")
    out = [ground_shadow(vw, vh, 80)]
    for i in range(9):
        x = 30 + i * 18
        h = 110 + (i * 37 % 50)
        s = -1 if i % 2 else 1
        out.append(f'<path d="M{x} 178 C{x + s * 10} {178 - h * 0.5:.1f} {x + s * 20} {178 - h * 0.8:.1f} {x + s * 8} {178 - h}" fill="none" stroke="{dark(g, 0.2)}" stroke-width="5" stroke-linecap="round"/>')
        if c.get("head") == "papyrus":
            out.append(f'<path d="M{x + s * 8} {178 - h} l-16 -22 l32 0 Z" fill="{D.vgrad(g)}" {OUTLINE}/>')
        elif c.get("head") == "maize":
            out.append(ellipse(x + s * 12, 178 - h * 0.6, 7, 18, D.vgrad(c.get("cob", "#e3b52e"))))
            out.append(f'<path d="M{x} 178 C{x - s * 30} {178 - h * 0.4:.1f} {x - s * 40} {178 - h * 0.5:.1f} {x - s * 50} {178 - h * 0.3:.1f}" fill="none" stroke="{g}" stroke-width="6" stroke-linecap="round"/>')
        elif c.get("head") == "flower":
            out.append(f'<circle cx="{x + s * 8}" cy="{178 - h}" r="9" fill="{c.get("flower", "#e06a8a")}" {OUTLINE}/>')
    return vw, vh, "".join(out)


def wall(D, c):
    """A stretch of fortified wall with a watchtower."""
    vw, vh = 300, 180
    st = c.get("stone", "#b8a98a")
    out = [ground_shadow(vw, vh, 140)]
    out.append(rect(0, 90, 300, 88, D.vgrad(st)))
    for x in range(0, 300, 24):
        out.append(rect(x + 2, 76, 14, 16, D.vgrad(st)))
    out.append(rect(110, 30, 80, 148, D.vgrad(dark(st, 0.05))))
    for x in range(110, 190, 20):
        out.append(rect(x + 2, 16, 14, 16, D.vgrad(st)))
    out.append(shape("M104 34 L196 34 L176 4 L124 4 Z", D.vgrad(c.get("roof", "#9a2f22"))))
    out.append(rect(138, 120, 24, 58, "#2b1e12", rx=10))
    return vw, vh, "".join(out)


def camel(D, c):
    vw, vh = 220, 190
    fur = c.get("fur", "#c9a064")
    out = [ground_shadow(vw, vh, 80)]
    out.append(shape("M40 100 C40 60 70 40 90 64 C104 30 140 30 150 70 C160 90 164 100 160 116 L40 116 Z", D.vgrad(fur)))
    out.append(shape("M150 76 C170 60 176 40 180 24 L200 24 C206 30 204 36 196 38 L188 40 C182 70 176 96 160 110 Z", D.vgrad(fur)))
    for x in (52, 74, 128, 148):
        out.append(rect(x, 110, 12, 76, D.hgrad(dark(fur, 0.1))))
    out.append(shape("M70 60 L140 60 L136 90 L74 90 Z", c.get("blanket", "#9a2f22"), 'fill-opacity="0.9"'))
    out.append(f'<circle cx="192" cy="30" r="2" fill="{INK}"/>')
    return vw, vh, "".join(out)


def jar(D, c):
    """A gilded urn or canopic jar with a lid."""
    vw, vh = 110, 170
    body = c.get("clay", "#d8a93f")
    out = [ground_shadow(vw, vh, 34)]
    out.append(shape("M30 54 C8 90 14 150 36 166 L74 166 C96 150 102 90 80 54 Z", D.hgrad(body)))
    out.append(rect(26, 44, 58, 12, D.vgrad(dark(body, 0.15))))
    out.append(shape("M32 46 C30 20 80 20 78 46 Z", D.vgrad(c.get("lid", "#3a8c86"))))
    out.append(ellipse(55, 16, 8, 8, D.vgrad(c.get("lid", "#3a8c86"))))
    out.append(f'<path d="M22 100 H88" stroke="{c.get("band", "#1b2a3d")}" stroke-width="8"/>')
    return vw, vh, "".join(out)


def owl(D, c):
    vw, vh = 120, 180
    body = c.get("body", "#9a7a5a")
    out = [ground_shadow(vw, vh, 36)]
    out.append(rect(20, 150, 80, 28, D.vgrad(c.get("stone", "#e8dcc0"))))
    out.append(shape("M60 20 C20 20 18 70 26 110 C30 140 44 150 60 150 C76 150 90 140 94 110 C102 70 100 20 60 20 Z", D.vgrad(body)))
    out.append(shape("M26 24 L40 40 L30 46 Z M94 24 L80 40 L90 46 Z", dark(body, 0.2)))
    for x in (44, 76):
        out.append(f'<circle cx="{x}" cy="58" r="14" fill="#f1e6c8" {OUTLINE}/>')
        out.append(f'<circle cx="{x}" cy="58" r="6" fill="{INK}"/>')
    out.append(shape("M56 70 L64 70 L60 82 Z", "#d8a93f"))
    for y in range(96, 140, 12):
        out.append(f'<path d="M44 {y} q8 6 16 0 q8 6 16 0" fill="none" stroke="{dark(body, 0.35)}" stroke-width="2"/>')
    return vw, vh, "".join(out)


def lyre(D, c):
    vw, vh = 140, 200
    gold = c.get("gold", "#d8a93f")
    out = [ground_shadow(vw, vh, 44)]
    out.append(rect(30, 170, 80, 26, D.vgrad(c.get("stone", "#e8dcc0"))))
    out.append(f'<path d="M40 160 C10 120 20 60 30 20 M100 160 C130 120 120 60 110 20" fill="none" stroke="{gold}" stroke-width="10" stroke-linecap="round"/>')
    out.append(f'<path d="M24 40 H116" stroke="{dark(gold, 0.3)}" stroke-width="8" stroke-linecap="round"/>')
    out.append(shape("M36 150 C50 172 90 172 104 150 Z", D.vgrad(gold)))
    for x in range(50, 96, 9):
        out.append(f'<line x1="{x}" y1="42" x2="{x}" y2="154" stroke="{INK}" stroke-width="1.5"/>')
    return vw, vh, "".join(out)


def yak(D, c):
    vw, vh = 220, 170
    fur = c.get("fur", "#3b2e26")
    out = [ground_shadow(vw, vh, 90)]
    out.append(shape("M30 60 C40 30 140 26 170 50 C190 66 192 110 180 126 L170 150 L160 150 L154 122 L70 122 L64 150 L52 150 "
                     "L44 120 C24 110 20 80 30 60 Z", D.vgrad(fur)))
    out.append(shape("M170 50 C180 40 200 40 210 54 C214 70 206 84 194 86 C184 86 176 76 170 66 Z", D.vgrad(fur)))
    out.append(f'<path d="M186 44 C176 30 182 20 192 22 M204 46 C214 32 210 22 202 22" fill="none" stroke="#f1ece0" stroke-width="5" stroke-linecap="round"/>')
    out.append(shape("M80 52 L140 52 L136 90 L84 90 Z", c.get("blanket", "#c8412e")))
    out.append(f'<path d="M84 62 H136 M84 78 H136" stroke="{c.get("trim", "#e3b52e")}" stroke-width="4"/>')
    return vw, vh, "".join(out)


def big_cat(D, c):
    """A seated cat carved in stone on a plinth, facing right: an Aztec
    jaguar (rosettes) or a Tibetan snow lion (curled turquoise mane)."""
    vw, vh = 180, 230
    body = c.get("stone", "#c9a064")
    mane = c.get("mane")
    out = [ground_shadow(vw, vh, 76)]
    plinth = c.get("plinth", dark(body, 0.12))
    out.append(rect(14, 196, 152, 32, D.vgrad(plinth)))
    if c.get("fret"):
        # Stepped frets along the plinth.
        for x in range(22, 160, 24):
            out.append(f'<path d="M{x} 222 v-12 h8 v-6 h8 v12 h-4 v-6" fill="none" stroke="{c["fret"]}" stroke-width="2.5"/>')
    # The tail curls round the front of the plinth.
    out.append(f'<path d="M40 190 C8 192 10 214 40 212 C64 210 70 200 60 196" fill="none" stroke="{INK}" stroke-opacity="0.55" stroke-width="14" stroke-linecap="round"/>')
    out.append(f'<path d="M40 190 C8 192 10 214 40 212 C64 210 70 200 60 196" fill="none" stroke="{body}" stroke-width="10" stroke-linecap="round"/>')
    # Haunch, back and chest.
    out.append(shape("M30 198 C20 160 34 120 70 112 C88 84 104 70 122 74 L148 96 C146 130 142 166 140 198 Z", D.vgrad(body)))
    out.append(ellipse(62, 170, 34, 30, D.vgrad(light(body, 0.06))))
    # The forelegs, straight down to the paws.
    for x in (112, 130):
        out.append(rect(x, 120, 16, 76, D.hgrad(body), rx=6))
        out.append(ellipse(x + 11, 194, 12, 6, D.vgrad(body)))
    # The head: skull, muzzle, ear, eye and mouth.
    if mane:
        for i in range(12):
            a = -2.6 + i * 0.42
            out.append(f'<circle cx="{118 + math.cos(a) * 40:.1f}" cy="{78 + math.sin(a) * 38:.1f}" r="13" fill="{D.vgrad(mane)}" {OUTLINE}/>')
            out.append(f'<path d="M{118 + math.cos(a) * 40 - 5:.1f} {78 + math.sin(a) * 38:.1f} a5 5 0 1 1 5 5" fill="none" stroke="{dark(mane, 0.35)}" stroke-width="2"/>')
    out.append(ellipse(122, 68, 32, 28, D.vgrad(body)))
    out.append(shape("M138 64 C156 60 168 70 166 82 C162 92 146 94 136 88 Z", D.vgrad(light(body, 0.08))))
    out.append(shape("M104 48 L108 28 L122 42 Z", D.vgrad(dark(body, 0.1))))
    out.append(f'<ellipse cx="136" cy="60" rx="5" ry="4" fill="{c.get("eye", "#f3d27a")}" stroke="{INK}" stroke-width="1.5"/>')
    out.append(f'<circle cx="137" cy="60" r="1.8" fill="{INK}"/>')
    out.append(f'<path d="M162 72 l4 4 M150 88 q8 4 14 -4" fill="none" stroke="{INK}" stroke-width="2.5" stroke-linecap="round"/>')
    out.append(f'<path d="M156 84 l2 7 l3 -6" fill="#f6f1e6" stroke="{INK}" stroke-width="1"/>')
    if c.get("spots"):
        for (x, y, r) in [(52, 150, 7), (76, 140, 6), (64, 178, 7), (90, 168, 5), (44, 176, 5), (96, 120, 5),
                          (82, 194, 5), (110, 96, 4), (100, 146, 5), (118, 150, 4), (136, 170, 4)]:
            out.append(f'<circle cx="{x}" cy="{y}" r="{r}" fill="none" stroke="{c["spots"]}" stroke-width="2.6"/>')
            out.append(f'<circle cx="{x}" cy="{y}" r="{r * 0.35:.1f}" fill="{c["spots"]}"/>')
    if mane:
        out.append(f'<path d="M60 196 m-4 0" fill="none"/>')
        for (x, y) in [(10, 202), (18, 214)]:
            out.append(f'<circle cx="{x}" cy="{y}" r="8" fill="{D.vgrad(mane)}" {OUTLINE}/>')
    return vw, vh, "".join(out)


def warrior(D, c):
    """An Aztec stone warrior standing stiff on a plinth, feathers on his
    head, a butterfly breastplate, and a raised torch in his right hand."""
    vw, vh = 140, 280
    st = c.get("stone", "#c9a064")
    out = [ground_shadow(vw, vh, 46)]
    out.append(rect(22, 244, 96, 34, D.vgrad(dark(st, 0.12))))
    for x in range(30, 112, 20):
        out.append(f'<path d="M{x} 272 v-12 h8 v-6 h8 v12 h-4 v-6" fill="none" stroke="{c.get("paint", "#9a2f22")}" stroke-width="2.5"/>')
    # Legs, loincloth and body as blocks.
    out.append(rect(44, 196, 20, 50, D.hgrad(st)))
    out.append(rect(76, 196, 20, 50, D.hgrad(st)))
    out.append(rect(38, 104, 64, 98, D.hgrad(st), rx=4))
    out.append(rect(40, 176, 60, 12, D.vgrad(c.get("paint", "#9a2f22"))))
    out.append(shape("M58 188 L82 188 L76 214 L64 214 Z", D.vgrad(c.get("paint", "#9a2f22"))))
    # The butterfly breastplate.
    out.append(shape("M70 126 C56 110 44 118 48 132 C44 146 60 150 70 138 C80 150 96 146 92 132 C96 118 84 110 70 126 Z",
                     D.vgrad(c.get("jade", "#3a8c86"))))
    # The left arm down, the right arm up holding the torch.
    out.append(rect(26, 108, 14, 70, D.hgrad(st), rx=5))
    out.append(shape("M100 110 L118 60 L130 64 L114 116 Z", D.hgrad(st)))
    out.append(shape("M116 66 L122 16 L130 16 L128 68 Z", "#5b3e26"))
    out.append(shape("M126 18 C112 6 124 -8 122 -16 C136 -4 138 8 126 18 Z", c.get("fire", "#f3a03a")))
    out.append(shape("M126 14 C120 6 126 0 126 -6 C132 2 132 8 126 14 Z", "#fff0b0"))
    out.append(rect(112, 58, 20, 12, D.vgrad(st), rx=4))
    # The head under its feathers, eyes and mouth cut square.
    for i in range(7):
        x = 40 + i * 10
        col = [c.get("feather", "#2f8a5a"), c.get("paint", "#9a2f22")][i % 2]
        out.append(shape(f"M{x} 62 C{x - 4} 40 {x - 2} 24 {x + 4} 14 C{x + 10} 24 {x + 12} 40 {x + 8} 62 Z", D.vgrad(col)))
    out.append(rect(44, 56, 52, 10, D.vgrad(c.get("jade", "#3a8c86"))))
    out.append(rect(48, 64, 44, 42, D.vgrad(st), rx=3))
    out.append(f'<path d="M56 78 h10 M74 78 h10 M62 94 h16" stroke="{INK}" stroke-width="3"/>')
    out.append(rect(42, 76, 6, 14, D.vgrad(c.get("jade", "#3a8c86"))))
    out.append(rect(92, 76, 6, 14, D.vgrad(c.get("jade", "#3a8c86"))))
    return vw, vh, "".join(out)


def olla(D, c):
    """An Aztec round-bellied pot on three feet, a band of stepped frets."""
    vw, vh = 160, 150
    clay = c.get("clay", "#a8502a")
    out = [ground_shadow(vw, vh, 56)]
    for x in (40, 80, 120):
        out.append(shape(f"M{x - 10} 120 L{x + 10} 120 L{x + 4} 146 L{x - 4} 146 Z", D.vgrad(dark(clay, 0.15))))
    out.append(shape("M52 24 L108 24 L104 40 C148 50 156 110 120 130 L40 130 C4 110 12 50 56 40 Z", D.hgrad(clay)))
    out.append(rect(46, 14, 68, 12, D.vgrad(dark(clay, 0.1)), rx=4))
    band = c.get("band", "#2b1e12")
    out.append(f'<path d="M20 70 C60 80 100 80 140 70 L142 98 C100 108 60 108 18 98 Z" fill="{band}"/>')
    motif = c.get("motif", "#e3b52e")
    for x in range(28, 124, 22):
        out.append(f'<path d="M{x} 98 v-8 h6 v-6 h6 v-6 h6 v10 h-6 v-4" fill="none" stroke="{motif}" stroke-width="2.4" stroke-linejoin="miter"/>')
    out.append(f'<path d="M30 52 C60 46 100 46 130 52" fill="none" stroke="{motif}" stroke-width="3"/>')
    out.append(f'<path d="M34 118 C60 124 100 124 126 118" fill="none" stroke="{c.get("motif2", "#f1ece0")}" stroke-width="3" stroke-dasharray="6 6"/>')
    return vw, vh, "".join(out)


def nopal(D, c):
    """A prickly-pear cactus: flat oval pads on pads, red fruit on the rims."""
    vw, vh = 200, 220
    g = c.get("leaf", "#4f8a4a")
    out = [ground_shadow(vw, vh, 60)]
    pads = [(100, 170, 30, 48, 0), (62, 122, 24, 36, -28), (138, 118, 26, 38, 24), (100, 96, 22, 34, 0),
            (40, 76, 20, 30, -20), (160, 70, 20, 30, 30), (96, 44, 18, 28, 8)]
    for (x, y, rx, ry, a) in pads:
        out.append(f'<g transform="rotate({a} {x} {y})">{ellipse(x, y, rx, ry, D.hgrad(g))}'
                   + "".join(f'<circle cx="{x + dx * rx * 0.5:.1f}" cy="{y + dy * ry * 0.5:.1f}" r="1.6" fill="{light(g, 0.6)}"/>'
                             for dx, dy in [(-1, -1), (1, -0.5), (0, 0.2), (-0.8, 0.8), (0.7, 0.9), (0, -1.2)])
                   + '</g>')
    for (x, y) in [(40, 44), (58, 50), (158, 40), (176, 48), (90, 16), (106, 14), (124, 90)]:
        out.append(ellipse(x, y, 6, 8, D.vgrad(c.get("fruit", "#c8412e"))))
    if c.get("flower"):
        for (x, y) in [(140, 82), (70, 90)]:
            out.append(f'<circle cx="{x}" cy="{y}" r="7" fill="{c["flower"]}" {OUTLINE}/>')
    return vw, vh, "".join(out)


KINDS = {f.__name__: f for f in [
    tree_round, tree_tall, palm, pine, bamboo, lantern_stone, lantern_paper, gate, moon_gate, pagoda,
    column, obelisk, pyramid, arch, temple, vase, statue, stupa, flags, boat, bridge, fountain, bird,
    kite, sun_disc, cactus, bell, wheel, pavilion, plants, wall, camel, jar, owl, lyre, yak, big_cat, warrior, olla, nopal]}


def draw(kind, colours, prefix):
    """The kind's box and its SVG: (vw, vh, defs, body)."""
    D = Defs(prefix)
    vw, vh, body = KINDS[kind](D, colours)
    return vw, vh, D.render(), body

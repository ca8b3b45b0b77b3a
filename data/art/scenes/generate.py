#!/usr/bin/env python3
"""Writes the location scenes' SVG sources and the data that names them.

Seven locations, each a picture in three layers (dawn, day, golden evening)
with three magic items per layer. A layer's picture shows the items of the
layers below it as part of the scene (they were all bought to open it). Each
item has its bought look, its silhouette (shown in the shop) and an icon
(rasterised at 170 and 105 pixels).

Run from anywhere; it rewrites, relative to the data folder:
  art/scenes/<loc>/*.svg            the pictures
  ini/screens/scene_locations.xml   the picture group "locations"
  ini/screens/scene_store.xml       the "magic_items" store of GS_Scene (each location's
                                    pictures end with the part location_pictures/<loc>.xml,
                                    where other screens add the pictures they show there)
  ini/screens/scene_levels.xml      the level buttons of the scene control
  lang/scenes_items.lng             the items' titles and descriptions
  scenes_art.cmake                  the build steps for the pictures
  art/scenes/ui/palette.css         a copy of the palette beside the interface pictures
The outputs are committed; run it again after changing this file.
"""

import math
import os
import random

from items import INK, dark, draw, light, mix

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", ".."))
W, H = 1024, 768
LOCATIONS = ["japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"]
LAYERS = ["layer_1", "layer_2", "layer_3"]

# --- Locations: the land, the landmark and the nine items.
# An item: (name, kind, colours, centre x, base y, height on screen, title, description).

LOC = {
    "japan": dict(
        path=(560, 496),
        land="#5f8f4a", far="#6a7fa0", hills="#4f7a52", water="#5f9fb8", accent="#c8412e",
        items=[
            [("lantern", "lantern_stone", {}, 200, 664, 140, "Stone Lantern",
              "Carved granite that keeps a small flame through the night."),
             ("torii", "gate", {"wood": "#c8412e"}, 720, 505, 120, "Torii Gate",
              "A vermilion gate marking the way into sacred ground."),
             ("pine", "pine", {"leaf": "#3f6a3a"}, 930, 505, 120, "Old Pine",
              "A windswept pine, patient as the mountain behind it.")],
            [("cherry", "tree_round", {"leaf": "#8fb060", "blossom": "#f4b8c8"}, 800, 660, 150, "Cherry Tree",
              "Blossoms that fall like pink snow each spring."),
             ("pagoda", "pagoda", {"wall": "#c8412e", "roof": "#2c4260", "tiers": 5}, 420, 505, 210,
              "Pagoda", "Five storeys of cedar climbing toward the clouds."),
             ("bridge", "bridge", {"wood": "#c8412e"}, 230, 512, 52, "Arched Bridge",
              "A red bridge curving over the koi pond.")],
            [("paper_lanterns", "lantern_paper", {"paper": "#d9482e"}, 70, 664, 160, "Paper Lanterns",
              "Red lanterns that glow warmly at dusk."),
             ("crane", "bird", {"body": "#f6f1e6", "wing": "#f1ece0", "head": "#f6f1e6", "crest": "#c8412e"},
              640, 250, 90, "Red-crowned Crane", "A graceful crane, bringer of good fortune."),
             ("bell", "bell", {"bronze": "#b5852e"}, 350, 660, 130, "Temple Bell",
              "Its deep voice rolls over the valley at evening.")],
        ]),
    "rome": dict(
        land="#8f9a4a", far="#8a8070", hills="#7a8a48", water="#6fa7c0", accent="#9a2f22",
        items=[
            [("cypress", "tree_tall", {"leaf": "#2f5a34"}, 40, 665, 230, "Cypress",
              "A dark green spire standing guard along the road."),
             ("column", "column", {"stone": "#efe6d2", "capital": "ionic"}, 380, 505, 150, "Marble Column",
              "A fluted column of white Carrara marble."),
             ("amphora", "vase", {"clay": "#c0703a", "band": "#1b2a3d", "waves": True}, 690, 660, 110, "Amphora",
              "A tall jar for olive oil and wine, painted with waves.")],
            [("fountain", "fountain", {"stone": "#e8dcc0"}, 320, 665, 120, "Fountain",
              "Fresh water from the aqueduct, splashing in the square."),
             ("arch", "arch", {"stone": "#e8dcc0"}, 760, 500, 140, "Triumphal Arch",
              "Built to welcome a victorious legion home."),
             ("olive", "tree_round", {"leaf": "#7f9a5a", "fruit": "#3b2e3a"}, 900, 660, 160, "Olive Tree",
              "Silver leaves and dark olives, the gift of the goddess.")],
            [("statue", "statue", {"stone": "#e8e0cc", "wreath": "#5f8f3a"}, 150, 665, 150, "Emperor Statue",
              "A laurel-crowned emperor watching over the forum."),
             ("temple", "temple", {"stone": "#efe6d2", "frieze": "#9a2f22"}, 240, 500, 110, "Temple of Jupiter",
              "A temple on the hill, bright against the sky."),
             ("eagle", "bird", {"body": "#9a7222", "wing": "#b5852e", "head": "#e8dcc0"}, 220, 230, 90,
              "Golden Eagle", "The proud eagle of the legions, soaring high.")],
        ]),
    "tibet": dict(
        land="#8a8a5a", far="#7f8fb0", hills="#6f7a52", water="#7fb4c8", accent="#9a2f22",
        items=[
            [("prayer_flags", "flags", {}, 160, 500, 120, "Prayer Flags",
              "Bright flags sending blessings on every gust of wind."),
             ("mani_wheel", "wheel", {"drum": "#d8a93f"}, 940, 662, 140, "Prayer Wheel",
              "Each turn of the drum sends a prayer into the world."),
             ("yak", "yak", {"fur": "#3b2e26"}, 760, 660, 120, "Yak",
              "A shaggy yak, tireless on the high passes.")],
            [("stupa", "stupa", {"wall": "#f1ece0"}, 360, 505, 200, "White Stupa",
              "A whitewashed stupa crowned with a golden spire."),
             ("bell", "bell", {"bronze": "#c59a3a", "roof": "#9a2f22"}, 80, 665, 150, "Monastery Bell",
              "Rung at dawn to wake the monks for prayer."),
             ("juniper", "pine", {"leaf": "#3f6a4a"}, 930, 505, 110, "Juniper",
              "A hardy juniper clinging to the mountainside.")],
            [("banners", "flags", {"colors": ["#e3b52e", "#c8412e", "#f1ece0"]}, 760, 420, 110,
              "Victory Banners", "Golden banners strung between the monastery roofs."),
             ("snow_lion", "big_cat", {"stone": "#f6f1e6", "mane": "#3a9c96", "eye": "#3a6fa0", "plinth": "#cfc6b0"}, 260, 665, 130,
              "Snow Lion", "The guardian of the mountains, with a turquoise mane."),
             ("kite", "kite", {"color": "#2c6fbf", "emblem": "#f3d27a"}, 560, 230, 120, "Festival Kite",
              "Flown from the rooftops on the new year.")],
        ]),
    "egypt": dict(
        path=(500, 566),
        land="#d9b36a", far="#c99a5a", hills="#cfa85e", water="#3f8fa8", accent="#3a8c86",
        items=[
            [("palm", "palm", {"leaf": "#4f8a3a", "fruit": "#7a3a1e"}, 80, 665, 220, "Date Palm",
              "Shade and sweet dates on the banks of the river."),
             ("obelisk", "obelisk", {"stone": "#d9b36a"}, 600, 462, 200, "Obelisk",
              "A needle of granite covered in hieroglyphs."),
             ("jar", "jar", {"clay": "#d8a93f", "lid": "#3a8c86"}, 860, 665, 100, "Canopic Jar",
              "A gilded jar with a falcon-blue lid.")],
            [("sphinx", "statue", {"stone": "#d2ad6a", "lying": True, "headdress": "#3a6fa0"}, 300, 640, 90,
              "Sphinx", "A lion with a pharaoh's face, keeping the desert's secrets."),
             ("felucca", "boat", {"hull": "#8a5a2a", "style": "lateen"}, 820, 520, 90, "Felucca",
              "A sailing boat gliding up the Nile."),
             ("papyrus", "plants", {"leaf": "#5f8f3a", "head": "papyrus"}, 960, 600, 110, "Papyrus Reeds",
              "Reeds from the marshes, made into scrolls.")],
            [("lotus_column", "column", {"stone": "#e2c48a", "capital": "lotus", "paint": "#3a8c86"}, 410, 640, 170,
              "Lotus Column", "A painted column shaped like a lotus in bloom."),
             ("camel", "camel", {"fur": "#c9a064"}, 720, 665, 120, "Camel",
              "A caravan's patient traveller across the sands."),
             ("ibis", "bird", {"body": "#f1ece0", "wing": "#f1ece0", "head": "#1b2a3d"}, 300, 240, 80,
              "Sacred Ibis", "The bird of Thoth, god of writing.")],
        ]),
    "greece": dict(
        path=(500, 508),
        land="#a9a86a", far="#8a9ab0", hills="#8f9a5a", water="#2f7fa8", accent="#3a6fa0",
        items=[
            [("olive", "tree_round", {"leaf": "#7f9a5a", "fruit": "#2b2e3a"}, 170, 650, 170, "Olive Grove",
              "The sacred olive of Athena, old and gnarled."),
             ("amphora", "vase", {"clay": "#c8682e", "figures": "#1b1612"}, 400, 665, 110, "Painted Amphora",
              "Black figures of heroes dance around its belly."),
             ("column", "column", {"stone": "#f1ece0", "capital": "ionic"}, 860, 580, 170, "Ionic Column",
              "Scrolled like a ram's horns, light and elegant.")],
            [("trireme", "boat", {"hull": "#5b3e26", "style": "square", "sail": "#f1e6c8", "emblem": "#3a6fa0", "banks": 3,
                          "ram": "#9a7222"},
              660, 492, 90, "Trireme", "Three banks of oars driving the fleet across the sea."),
             ("owl", "owl", {"body": "#9a7a5a"}, 310, 665, 110, "Owl of Athena",
              "Wisdom's bird, watching from its pedestal."),
             ("statue", "statue", {"stone": "#f1ece0", "item": "torch"}, 720, 665, 170, "Statue of a Hero",
              "A bronze-age hero holding a torch aloft.")],
            [("lyre", "lyre", {"gold": "#d8a93f"}, 960, 665, 110, "Golden Lyre",
              "Apollo's instrument, strung for the festival."),
             ("cypress", "tree_tall", {"leaf": "#2f5a34"}, 36, 665, 200, "Cypress",
              "A tall cypress on the cliff path."),
             ("gull", "bird", {"body": "#f6f1e6", "wing": "#dcd6ca", "head": "#f6f1e6"}, 480, 220, 70,
              "Sea Gull", "Crying over the harbour at sunset.")],
        ]),
    "aztecs": dict(
        land="#3f7a3a", far="#6a8a7a", hills="#356a36", water="#3f8fa0", accent="#d8a93f",
        items=[
            [("cactus", "nopal", {"leaf": "#5f9a4a", "fruit": "#c8412e", "flower": "#e3b52e"}, 80, 665, 150, "Nopal Cactus",
              "The cactus where the eagle landed, founding the city."),
             ("maize", "plants", {"leaf": "#5f9a3a", "head": "maize"}, 330, 540, 90, "Maize Field",
              "Golden corn, the gift of the gods."),
             ("pot", "olla", {"clay": "#a8502a", "band": "#2b1e12", "motif": "#e3b52e"}, 820, 665, 80,
              "Painted Pot", "Clay pottery painted with stepped frets.")],
            [("sun_stone", "sun_disc", {"stone": "#b8a98a", "inner": "#3a8c86"}, 230, 665, 150, "Sun Stone",
              "The great calendar stone with the sun's face at its heart."),
             ("jaguar", "big_cat", {"stone": "#c9a064", "spots": "#4a3320", "fret": "#9a2f22"}, 395, 665, 135,
              "Jaguar Statue", "The jaguar warrior's guardian, carved in stone."),
             ("palm", "palm", {"leaf": "#3f7a3a", "style": "jungle"}, 940, 665, 230, "Jungle Palm",
              "A tall palm rising over the canopy.")],
            [("pyramid", "pyramid", {"stone": "#b8a98a", "steps": True, "temple": "#9a2f22"}, 640, 500, 130,
              "Temple Pyramid", "Steep steps leading to the temple of the sun."),
             ("quetzal", "bird", {"body": "#2f8a5a", "wing": "#3aa06a", "head": "#2f8a5a", "tail": "#2f8a5a",
                                  "crest": "#c8412e"}, 380, 230, 90, "Quetzal",
              "Its long emerald feathers crown the emperor."),
             ("torch", "warrior", {"stone": "#c9a064", "paint": "#9a2f22", "jade": "#3a8c86", "feather": "#2f8a5a"}, 700, 665, 160, "Torch Bearer",
              "A stone warrior holding the sacred fire.")],
        ]),
    "china": dict(
        path=(500, 530),
        land="#6f9a5a", far="#7f9a9a", hills="#5a8a52", water="#5fa0a8", accent="#c8412e",
        items=[
            [("bamboo", "bamboo", {"leaf": "#5f9a4a"}, 70, 665, 210, "Bamboo Grove",
              "Green stalks whispering in the breeze."),
             ("lantern", "lantern_paper", {"paper": "#d9482e", "tassel": "#e3b52e"}, 370, 665, 150,
              "Red Lanterns", "Lanterns of silk for the spring festival."),
             ("moon_gate", "moon_gate", {"wall": "#e8dcc0", "roof": "#2c4260"}, 730, 665, 130, "Moon Gate",
              "A round gate opening onto the scholar's garden.")],
            [("pagoda", "pagoda", {"wall": "#9a2f22", "roof": "#3a6a5a", "tiers": 7, "bells": "#e3b52e"}, 340, 505, 250, "Pagoda",
              "Seven eaves hung with tiny bells that sing in the wind."),
             ("junk", "boat", {"hull": "#6b3a22", "style": "junk", "sail": "#c8704a"}, 720, 510, 90, "Junk",
              "A ship with ribbed sails trading along the river."),
             ("pavilion", "pavilion", {"wood": "#9a2f22", "roof": "#2c4260"}, 920, 665, 140, "Pavilion",
              "A place to sit, drink tea and watch the moon.")],
            [("dragon_kite", "kite", {"color": "#c8412e", "emblem": "#e3b52e"}, 720, 230, 110, "Dragon Kite",
              "A red kite with a golden dragon pearl."),
             ("pine", "pine", {"leaf": "#3f6a4a", "pot": "#3a6fa0"}, 200, 665, 110, "Bonsai Pine",
              "A tiny pine shaped over a hundred years."),
             ("wall", "wall", {"stone": "#b8a98a"}, 190, 470, 90, "Great Wall",
              "A watchtower on the wall winding over the hills.")],
        ]),
}

# The class of an item widget.
ITEM_CLASS = "QuillmarchMagicItem"

COSTS = [[300, 400, 500], [600, 700, 800], [900, 1000, 1200]]

# --- Time of day per layer: sky stops, sun, light on the land.
SKY = {
    "layer_1": dict(top="#24385a", mid="#7f93b0", low="#e8d2b4", sun="#fbe8c4", sun_y=440, sun_r=34,
                    tint="#5a6f96", tint_t=0.35),
    "layer_2": dict(top="#3a78b0", mid="#8fc0dc", low="#f1e6c8", sun="#fff6d8", sun_y=140, sun_r=40,
                    tint="#fff6e0", tint_t=0.0),
    "layer_3": dict(top="#1b2a3d", mid="#b8603a", low="#f3d27a", sun="#f6a64a", sun_y=400, sun_r=58,
                    tint="#d8703a", tint_t=0.22),
}


def tint(colour, layer):
    s = SKY[layer]
    return mix(colour, s["tint"], s["tint_t"])


def ridge(y0, amp, seed, step=32, rough=0.5):
    rnd = random.Random(seed)
    pts = []
    y = y0
    for x in range(-32, W + 64, step):
        y = y0 + amp * math.sin(x / 170.0 + seed) + rnd.uniform(-amp, amp) * rough
        pts.append((x, y))
    d = f"M-40 {H} L" + " L".join(f"{x} {y:.1f}" for x, y in pts) + f" L{W + 40} {H} Z"
    return d


def smooth_ridge(y0, amp, seed, freq=1.0):
    d = [f"M-10 {H}"]
    for x in range(-10, W + 21, 16):
        y = y0 + amp * (math.sin(x / 210.0 * freq + seed) * 0.6 + math.sin(x / 93.0 * freq + seed * 2) * 0.25)
        d.append(f"L{x} {y:.1f}")
    d.append(f"L{W + 10} {H} Z")
    return " ".join(d)


def landmark(loc, layer, c):
    """The far scenery that names the place."""
    far = tint(mix(c["far"], SKY[layer]["mid"], 0.35), layer)
    snow = tint("#f6f3ee", layer)
    out = []
    if loc == "japan":
        out.append(f'<path d="M380 470 L600 170 C612 156 628 156 640 170 L880 470 Z" fill="{far}"/>')
        out.append(f'<path d="M560 226 L600 170 C612 156 628 156 640 170 L682 226 L660 240 L640 222 L620 246 L598 224 L578 242 Z" fill="{snow}"/>')
    elif loc == "rome":
        out.append(f'<path d="{smooth_ridge(420, 26, 1.2)}" fill="{far}"/>')
        col = tint(mix("#c8b490", SKY[layer]["mid"], 0.3), layer)
        out.append(f'<path d="M600 420 L600 336 Q700 316 800 336 L800 420 Z" fill="{col}"/>')
        for row, (y, h) in enumerate([(346, 22), (376, 22)]):
            for x in range(612, 792, 20):
                out.append(f'<path d="M{x} {y + h} v-{h - 6} a6 6 0 0 1 12 0 v{h - 6} Z" fill="{dark(col, 0.35)}"/>')
        out.append(f'<path d="M360 420 L360 360 Q400 320 440 360 L440 420 Z" fill="{dark(col, 0.1)}"/>')
    elif loc == "tibet":
        out.append(f'<path d="{ridge(300, 70, 3, 48, 0.9)}" fill="{far}"/>')
        rnd = random.Random(9)
        for x in range(40, W, 130):
            y = 240 + rnd.uniform(0, 80)
            out.append(f'<path d="M{x - 50} {y + 60} L{x} {y} L{x + 50} {y + 60} L{x + 30} {y + 50} L{x} {y + 62} L{x - 26} {y + 48} Z" fill="{snow}" fill-opacity="0.9"/>')
        wall = tint("#f1ece0", layer)
        red = tint("#9a2f22", layer)
        out.append(f'<path d="M620 440 L640 330 L900 330 L920 440 Z" fill="{wall}" stroke="{INK}" stroke-opacity="0.2"/>')
        out.append(f'<rect x="700" y="300" width="130" height="40" fill="{red}"/>')
        out.append(f'<rect x="740" y="282" width="50" height="20" fill="{tint("#d8a93f", layer)}"/>')
        for x in range(650, 900, 26):
            out.append(f'<rect x="{x}" y="{360 + (x % 3) * 18}" width="8" height="12" fill="{dark(wall, 0.5)}"/>')
    elif loc == "egypt":
        sand = tint(mix("#e2c07a", SKY[layer]["mid"], 0.25), layer)
        for (x, s) in [(560, 1.0), (760, 0.75), (420, 0.5)]:
            out.append(f'<path d="M{x - 220 * s} 440 L{x} {440 - 240 * s} L{x + 220 * s} 440 Z" fill="{sand}"/>')
            out.append(f'<path d="M{x} {440 - 240 * s} L{x + 220 * s} 440 L{x + 60 * s} 440 Z" fill="{dark(sand, 0.25)}"/>')
    elif loc == "greece":
        out.append(f'<path d="M-10 {H} L-10 330 C120 300 220 300 300 330 L360 340 L360 {H} Z" fill="{tint(c["hills"], layer)}"/>')
        col = tint("#f1ece0", layer)
        out.append(f'<rect x="60" y="282" width="220" height="10" fill="{col}"/>')
        for x in range(70, 280, 22):
            out.append(f'<rect x="{x}" y="248" width="10" height="36" fill="{col}"/>')
        out.append(f'<path d="M56 250 L170 216 L284 250 Z" fill="{col}"/>')
        out.append(f'<path d="M700 420 Q780 360 880 400 Q940 380 1000 420 Z" fill="{far}"/>')
    elif loc == "aztecs":
        out.append(f'<path d="M560 430 L720 210 C730 198 760 198 770 210 L940 430 Z" fill="{far}"/>')
        out.append(f'<path d="M700 240 L720 210 C730 198 760 198 770 210 L792 240 L770 252 L746 236 L722 254 Z" fill="{snow}"/>')
        smoke = tint("#d8d2c8", layer)
        out.append(f'<path d="M740 196 C720 160 780 150 760 110 C750 90 790 70 820 76" fill="none" stroke="{smoke}" stroke-width="18" stroke-linecap="round" stroke-opacity="0.5"/>')
    elif loc == "china":
        for (x, h, w) in [(120, 230, 80), (220, 170, 70), (640, 260, 90), (760, 190, 70), (880, 240, 84), (420, 140, 60)]:
            out.append(f'<path d="M{x - w} 460 C{x - w} {460 - h} {x - w * 0.4} {440 - h} {x} {440 - h} '
                       f'C{x + w * 0.4} {440 - h} {x + w} {460 - h} {x + w} 460 Z" fill="{far}"/>')
        wallc = tint("#b8a98a", layer)
        out.append(f'<path d="M600 300 C680 260 740 330 820 290 C880 260 940 300 1030 270" fill="none" stroke="{wallc}" stroke-width="8"/>')
    return "".join(out)


def water_band(loc, layer, c):
    w = tint(c["water"], layer)
    glint = light(w, 0.5)
    if loc in ("greece",):
        d = f'<rect id="water" x="0" y="400" width="{W}" height="100" fill="{w}"/>'
    elif loc == "egypt":
        d = f'<path id="water" d="M0 470 C240 450 520 500 760 470 C860 458 960 470 1030 462 L1030 520 C900 530 760 520 600 540 C380 566 180 520 0 530 Z" fill="{w}"/>'
    elif loc == "china":
        d = f'<path id="water" d="M440 470 C560 456 700 470 820 462 L1030 466 L1030 520 C860 512 700 540 560 520 C500 510 460 500 440 470 Z" fill="{w}"/>'
    elif loc == "japan":
        d = f'<ellipse id="water" cx="250" cy="500" rx="150" ry="22" fill="{w}"/>'
    elif loc == "aztecs":
        d = f'<path id="water" d="M0 450 L420 450 C380 470 300 480 0 490 Z" fill="{w}"/>'
    else:
        return ""
    # Glints on the water, kept to it.
    clip = (d.replace('id="water"', "").replace(f'fill="{w}"', "")
            .replace("<rect", '<clipPath id="water_clip"><rect').replace("<path", '<clipPath id="water_clip"><path')
            .replace("<ellipse", '<clipPath id="water_clip"><ellipse') + "</clipPath>")
    d += clip + '<g clip-path="url(#water_clip)">'
    rnd = random.Random(len(loc))
    for _ in range(14):
        x = rnd.uniform(*{"japan": (100, 360), "aztecs": (0, 380), "china": (440, W)}.get(loc, (0, W)))
        y = rnd.uniform(455, 515) if loc != "greece" else rnd.uniform(410, 492)
        d += f'<path d="M{x:.0f} {y:.0f} h{rnd.uniform(14, 40):.0f}" stroke="{glint}" stroke-width="2" stroke-opacity="0.6"/>'
    d += "</g>"
    return d


def clouds(layer, seed):
    rnd = random.Random(seed)
    col = {"layer_1": "#c8cfe0", "layer_2": "#ffffff", "layer_3": "#f6c08a"}[layer]
    out = []
    for _ in range(5):
        x, y = rnd.uniform(0, W), rnd.uniform(90, 260)
        s = rnd.uniform(0.6, 1.3)
        out.append(f'<g fill="{col}" fill-opacity="{0.55 if layer != "layer_2" else 0.8}">'
                   f'<ellipse cx="{x:.0f}" cy="{y:.0f}" rx="{70 * s:.0f}" ry="{18 * s:.0f}"/>'
                   f'<ellipse cx="{x - 30 * s:.0f}" cy="{y - 10 * s:.0f}" rx="{34 * s:.0f}" ry="{20 * s:.0f}"/>'
                   f'<ellipse cx="{x + 20 * s:.0f}" cy="{y - 16 * s:.0f}" rx="{40 * s:.0f}" ry="{24 * s:.0f}"/></g>')
    return "".join(out)


def nested(item, x, y, w, h, prefix, body_filter=""):
    """An item drawn into a box of a larger picture."""
    vw, vh, defs, body = item
    return (f'<svg x="{x:.1f}" y="{y:.1f}" width="{w:.1f}" height="{h:.1f}" viewBox="-4 -4 {vw + 8} {vh + 8}" '
            f'overflow="visible"><defs>{defs}</defs><g {body_filter}>{body}</g></svg>')


def footpath(tx, ty):
    """The path winding from the foreground up to its far end, centred on
    (tx, ty): that end is set per location so that it stops at the shore."""
    def p(x, y):
        t = (640 - y) / (640 - 488)
        return f"{x + (tx - 500) * t:.0f} {640 - (640 - y) * (640 - ty) / (640 - 488):.0f}"
    return (f"M{p(470, 488)} C{p(430, 540)} {p(560, 580)} 470 640 C420 680 380 720 360 {H} L560 {H} "
            f"C560 720 600 680 620 640 C{p(680, 580)} {p(540, 540)} {p(530, 488)} Z")


def item_box(item_def, kind_box):
    name, kind, colours, cx, base, height = item_def[:6]
    vw, vh = kind_box
    h = height
    w = round(h * (vw + 8) / (vh + 8))
    return round(cx - w / 2), round(base - h), w, h


def layer_svg(loc, li, placed):
    layer = LAYERS[li]
    c = LOC[loc]
    s = SKY[layer]
    land = tint(c["land"], layer)
    hills = tint(mix(c["hills"], SKY[layer]["mid"], 0.15), layer)
    out = [f'<?xml version="1.0" encoding="UTF-8"?>\n',
           f'<!-- {loc}, {layer}: generated by generate.py. -->\n',
           f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" viewBox="0 0 {W} {H}">',
           '<defs>',
           f'<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{s["top"]}"/>'
           f'<stop offset="0.45" stop-color="{s["mid"]}"/><stop offset="0.62" stop-color="{s["low"]}"/></linearGradient>',
           f'<radialGradient id="sun"><stop offset="0" stop-color="{s["sun"]}"/><stop offset="0.35" stop-color="{s["sun"]}" stop-opacity="0.9"/>'
           f'<stop offset="1" stop-color="{s["sun"]}" stop-opacity="0"/></radialGradient>',
           f'<linearGradient id="land" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{light(land, 0.1)}"/>'
           f'<stop offset="1" stop-color="{dark(land, 0.35)}"/></linearGradient>',
           f'<linearGradient id="mist" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{s["low"]}" stop-opacity="0"/>'
           f'<stop offset="0.5" stop-color="{s["low"]}" stop-opacity="0.55"/><stop offset="1" stop-color="{s["low"]}" stop-opacity="0"/></linearGradient>',
           f'<radialGradient id="vignette" cx="512" cy="384" r="700" gradientUnits="userSpaceOnUse">'
           f'<stop offset="0.55" stop-color="#000" stop-opacity="0"/><stop offset="1" stop-color="{INK}" stop-opacity="0.55"/></radialGradient>',
           '</defs>',
           f'<rect width="{W}" height="{H}" fill="url(#sky)"/>']
    if layer == "layer_3":
        rnd = random.Random(li + len(loc))
        for _ in range(40):
            out.append(f'<circle cx="{rnd.uniform(0, W):.0f}" cy="{rnd.uniform(0, 150):.0f}" r="{rnd.uniform(0.8, 1.8):.1f}" fill="#fff6d8" fill-opacity="0.8"/>')
    sx = {"layer_1": 180, "layer_2": 860, "layer_3": 300}[layer]
    out.append(f'<circle cx="{sx}" cy="{s["sun_y"]}" r="{s["sun_r"] * 3}" fill="url(#sun)"/>')
    out.append(f'<circle cx="{sx}" cy="{s["sun_y"]}" r="{s["sun_r"]}" fill="{s["sun"]}"/>')
    out.append(clouds(layer, len(loc) * 7 + li))
    out.append(landmark(loc, layer, c))
    out.append(f'<path d="{smooth_ridge(440, 18, len(loc) * 0.7)}" fill="{hills}"/>')
    out.append(f'<rect x="0" y="380" width="{W}" height="110" fill="url(#mist)" opacity="{0.9 if layer == "layer_1" else 0.45}"/>')
    out.append(f'<path d="{smooth_ridge(470, 10, len(loc) * 1.3, 0.6)}" fill="url(#land)"/>')
    out.append(water_band(loc, layer, c))
    # A path winding to the foreground, and tufts of grass.
    pathc = tint(mix(c["land"], "#e8d8b0", 0.55), layer)
    out.append(f'<path id="path" d="{footpath(*c.get("path", (500, 488)))}" fill="{pathc}" opacity="0.75"/>')
    rnd = random.Random(len(loc) * 3 + 1)
    grass = dark(land, 0.25)
    for _ in range(60):
        x, y = rnd.uniform(0, W), rnd.uniform(500, H)
        out.append(f'<path d="M{x:.0f} {y:.0f} l-4 -10 M{x:.0f} {y:.0f} l0 -13 M{x:.0f} {y:.0f} l5 -10" stroke="{grass}" stroke-width="2" stroke-linecap="round"/>')
    # Extras of the later layers: flowers by day, warm lights at evening.
    if li >= 1:
        for _ in range(40):
            x, y = rnd.uniform(0, W), rnd.uniform(520, 720)
            col = rnd.choice(["#f4b8c8", "#f3d27a", "#ffffff", c["accent"]])
            out.append(f'<circle cx="{x:.0f}" cy="{y:.0f}" r="{rnd.uniform(2, 4):.1f}" fill="{col}" fill-opacity="0.85"/>')
    # The bought items of the layers below, now part of the scene.
    for (item, box, prefix) in placed:
        out.append(nested(item, *box, prefix))
    if li == 2:
        for _ in range(30):
            x, y = rnd.uniform(0, W), rnd.uniform(300, 700)
            out.append(f'<circle cx="{x:.0f}" cy="{y:.0f}" r="{rnd.uniform(6, 14):.0f}" fill="#f3d27a" fill-opacity="0.18"/>'
                       f'<circle cx="{x:.0f}" cy="{y:.0f}" r="2" fill="#fff0b0" fill-opacity="0.9"/>')
    if li == 0:
        out.append(f'<rect x="0" y="{H - 260}" width="{W}" height="160" fill="url(#mist)" opacity="0.35"/>')
    out.append(f'<rect width="{W}" height="{H}" fill="url(#vignette)"/>')
    out.append('</svg>\n')
    return "".join(out)


def item_svg(loc, item_def, kind, mode):
    name = item_def[0]
    prefix = f"{loc}_{name}_"
    vw, vh, defs, body = draw(kind, item_def[2], prefix)
    x, y, w, h = item_box(item_def, (vw, vh))
    head = f'<?xml version="1.0" encoding="UTF-8"?>\n<!-- {loc}: {name}, {mode}; generated by generate.py. -->\n'
    if mode == "look":
        return head + (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="-4 -4 {vw + 8} {vh + 8}">'
                       f'<defs>{defs}</defs>{body}</svg>\n')
    if mode == "shadow":
        # The silhouette: the shape in deep ink with a gold rim.
        flt = (f'<filter id="{prefix}sil" x="-5%" y="-5%" width="110%" height="110%">'
               f'<feFlood flood-color="#f3d27a" result="gold"/>'
               f'<feMorphology in="SourceAlpha" operator="dilate" radius="2.5" result="wide"/>'
               f'<feComposite in="gold" in2="wide" operator="in" result="rim"/>'
               f'<feFlood flood-color="#1b2a3d" flood-opacity="0.88" result="ink"/>'
               f'<feComposite in="ink" in2="SourceAlpha" operator="in" result="shape"/>'
               f'<feMerge><feMergeNode in="rim"/><feMergeNode in="shape"/></feMerge></filter>')
        return head + (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="-4 -4 {vw + 8} {vh + 8}">'
                       f'<defs>{defs}{flt}</defs><g filter="url(#{prefix}sil)">{body}</g></svg>\n')
    # The icon: the item on a parchment medallion with a gold ring.
    s = 112.0 / max(vw, vh)
    ox, oy = 85 - vw * s / 2, 85 - vh * s / 2 + 4
    return head + ('<svg xmlns="http://www.w3.org/2000/svg" width="170" height="170" viewBox="0 0 170 170">'
                   f'<defs>{defs}<radialGradient id="{prefix}disc" cx="0.45" cy="0.4" r="0.7">'
                   '<stop offset="0" stop-color="#fbf4e0"/><stop offset="0.7" stop-color="#f1e6c8"/>'
                   '<stop offset="1" stop-color="#dccaa0"/></radialGradient></defs>'
                   '<circle cx="85" cy="87" r="80" fill="#0e1724" fill-opacity="0.35"/>'
                   f'<circle cx="85" cy="84" r="78" fill="url(#{prefix}disc)" stroke="#d8a93f" stroke-width="6"/>'
                   '<circle cx="85" cy="84" r="70" fill="none" stroke="#9a7222" stroke-width="1.5" stroke-opacity="0.7"/>'
                   f'<g transform="translate({ox:.2f} {oy:.2f}) scale({s:.4f})">{body}</g></svg>\n')


def write(path, text):
    full = os.path.join(DATA, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def main():
    boxes = {}
    for loc in LOCATIONS:
        placed = []
        for li, layer in enumerate(LAYERS):
            write(f"art/scenes/{loc}/{layer}.svg", layer_svg(loc, li, placed))
            for item_def in LOC[loc]["items"][li]:
                name, kind = item_def[0], item_def[1]
                for mode, suffix in (("look", ""), ("shadow", "_shadow"), ("icon", "_icon")):
                    write(f"art/scenes/{loc}/{name}{suffix}.svg", item_svg(loc, item_def, kind, mode))
                prefix = f"bg{li}_{loc}_{name}_"
                item = draw(kind, item_def[2], prefix)
                box = item_box(item_def, item[:2])
                boxes[(loc, name)] = box
                placed.append((item, box, prefix))
    write_data(boxes)
    # The interface pictures take their colours from the game's palette; the
    # SVG renderer reads a stylesheet only from the picture's own folder.
    with open(os.path.join(DATA, "art", "palette.css"), encoding="utf-8") as f:
        write("art/scenes/ui/palette.css", "/* A copy of ../../palette.css, made by generate.py. */\n" + f.read())


def res(loc, name=None, suffix=""):
    return f"scenes_{loc}_{name}{suffix}" if name else f"scenes_{loc}"


def write_data(boxes):
    # The picture group, shared by the scene, the shop and the level screen.
    x = ['<?xml version="1.0" encoding="UTF-8"?>\n',
         '<!-- The locations\' layered pictures (generated by art/scenes/generate.py): one group per\n'
         '     location, each with the layers layer_1 to layer_3, each a full picture "layer_bg"\n'
         '     and its magic items. Shared by the scene, the shop and the level screen. -->\n',
         '          <widget type="group_widget" name="locations" visible="yes" anchor_left="0" anchor_top="0">\n'
         '            <widgets>\n']
    for loc in LOCATIONS:
        x.append(f'              <widget type="group_widget" name="{loc}" anchor_left="0" anchor_top="0">\n'
                 '                <widgets>\n')
        for li, layer in enumerate(LAYERS):
            x.append(f'                  <widget type="group_widget" name="{layer}" anchor_left="0" anchor_top="0">\n'
                     '                    <widgets>\n'
                     f'                      <widget type="image_widget" name="layer_bg" visible="yes" width="{W}" height="{H}" resourcename="{res(loc, layer)}"/>\n'
                     '                      <widget type="group_widget" name="items" visible="yes">\n'
                     '                        <widgets>\n')
            for item_def in LOC[loc]["items"][li]:
                name = item_def[0]
                bx, by, bw, bh = boxes[(loc, name)]
                x.append(
                    f'                          <widget type="{ITEM_CLASS}" name="{name}" anchor_left="{bx}" anchor_top="{by}"\n'
                    f'                                  extraparams="item_type=magic\\state=locked\\cost=0\\title=\\desc=\\available=no\\icon_170={res(loc, name, "_icon170")}\\icon_105={res(loc, name, "_icon105")}">\n'
                    '                            <widgets>\n'
                    f'                              <widget type="image_widget" name="unlocked" visible="yes" width="{bw}" height="{bh}" resourcename="{res(loc, name)}"/>\n'
                    '                              <widget type="group_widget" name="locked">\n'
                    '                                <widgets>\n'
                    f'                                  <widget type="image_widget" name="shadow" visible="yes" width="{bw}" height="{bh}" resourcename="{res(loc, name, "_shadow")}"/>\n'
                    '                                </widgets>\n'
                    '                              </widget>\n'
                    '                            </widgets>\n'
                    '                          </widget>\n')
            x.append('                        </widgets>\n'
                     '                      </widget>\n'
                     '                    </widgets>\n'
                     '                  </widget>\n')
        x.append('                </widgets>\n'
                 '              </widget>\n')
    x.append('            </widgets>\n'
             '          </widget>\n')
    write("ini/screens/scene_locations.xml", "".join(x))

    # The store: every picture of a location, and the items' prices and texts.
    s = ['<?xml version="1.0" encoding="UTF-8"?>\n',
         '<!-- The scene\'s magic-item store (generated by art/scenes/generate.py): per location the\n'
         '     pictures loaded when it is shown, and per layer the items\' prices and texts. -->\n',
         '      <magic_items>\n']
    for loc in LOCATIONS:
        s.append(f'        <group name="{loc}">\n'
                 '          <item_type name="components">\n'
                 '            <item name="resources">\n')
        for layer in LAYERS:
            s.append(f'              <param name="{res(loc, layer)}" value="data\\images\\scenes\\{loc}\\{layer}.jpg"/>\n')
        for li in range(3):
            for item_def in LOC[loc]["items"][li]:
                name = item_def[0]
                for suffix in ("", "_shadow", "_icon170", "_icon105"):
                    s.append(f'              <param name="{res(loc, name, suffix)}" value="data\\images\\scenes\\{loc}\\{name}{suffix}.png"/>\n')
        s.append(f'<?include location_pictures/{loc}.xml?>\n'
                 '            </item>\n'
                 '          </item_type>\n')
        for li, layer in enumerate(LAYERS):
            s.append(f'          <item_type name="{layer}">\n')
            for k, item_def in enumerate(LOC[loc]["items"][li]):
                name = item_def[0]
                s.append(f'            <item name="{name}"><param name="cost" value="{COSTS[li][k]}"/>'
                         f'<param name="title" value="%item_{loc}_{name}%"/><param name="desc" value="%item_{loc}_{name}_desc%"/></item>\n')
            s.append('          </item_type>\n')
        s.append('        </group>\n')
    s.append('      </magic_items>\n')
    write("ini/screens/scene_store.xml", "".join(s))

    # The level buttons: ten a location along the bottom panel.
    b = ['<?xml version="1.0" encoding="UTF-8"?>\n',
         '<!-- The scene control\'s level buttons (generated by art/scenes/generate.py): for each\n'
         '     location ten markers "1" to "10" playing the levels "<loc>_<n>". -->\n',
         '              <widget type="group_widget" name="map_parts" visible="yes" anchor_left="0" anchor_top="0" extraparams="start_y=0">\n'
         '                <widgets>\n']
    for loc in LOCATIONS:
        b.append(f'                  <widget type="group_widget" name="{loc}" anchor_left="0" anchor_top="0">\n'
                 '                    <widgets>\n'
                 '                      <widget type="group_widget" name="map_levels" visible="yes" anchor_left="0" anchor_top="0">\n'
                 '                        <widgets>\n')
        for n in range(1, 11):
            left = 316 + (n - 1) * 60
            b.append(f'                          <widget type="QuillmarchMapLevelSmall" name="{n}" visible="yes" anchor_left="{left}" anchor_top="690" width="56" height="56"\n'
                     f'                                  extraparams="level_ref={loc}_{n}">\n'
                     '                            <widgets>\n'
                     f'{marker("locked", n, "scenes_level_locked", False)}'
                     f'{marker("current", n, "scenes_level_current", True)}'
                     '                              <widget type="group_widget" name="completed">\n'
                     '                                <widgets>\n'
                     f'{marker("expert", n, "scenes_level_expert", True, "    ")}'
                     f'{marker("non_expert", n, "scenes_level_done", True, "    ")}'
                     '                                </widgets>\n'
                     '                              </widget>\n'
                     '                            </widgets>\n'
                     '                          </widget>\n')
        b.append('                        </widgets>\n'
                 '                      </widget>\n'
                 '                    </widgets>\n'
                 '                  </widget>\n')
    b.append('                </widgets>\n'
             '              </widget>\n')
    write("ini/screens/scene_levels.xml", "".join(b))

    # The items' texts.
    t = ['<?xml version="1.0" encoding="UTF-8"?>\n',
         '<!-- The magic items\' titles and descriptions (generated by art/scenes/generate.py). -->\n']
    for loc in LOCATIONS:
        for li in range(3):
            for item_def in LOC[loc]["items"][li]:
                name, title, desc = item_def[0], item_def[6], item_def[7]
                t.append(f'    <string name="item_{loc}_{name}">{esc(title)}</string>\n')
                t.append(f'    <string name="item_{loc}_{name}_desc">{esc(desc)}</string>\n')
    write("lang/scenes_items.lng", "".join(t))

    # The build steps of the pictures.
    c = ['# The location scenes\' pictures (generated by art/scenes/generate.py): the layers as\n',
         '# JPEG, the items, their silhouettes and their icons at two sizes as PNG.\n']
    for loc in LOCATIONS:
        names = " ".join(d[0] for layer in LOC[loc]["items"] for d in layer)
        c.append(f'qm_scene_pictures({loc} {names})\n')
    write("scenes_art.cmake", "".join(c))


def marker(name, n, resource, glow, indent=""):
    alias = ' aliases="\\highlight=glow/visible"' if glow else ""
    text = "#FF2B1E12" if name != "locked" else "#FFB4AEA1"
    g = (f'{indent}                                  <widget type="image_widget" name="glow" anchor_left="-8" anchor_top="-8" width="72" height="72" resourcename="scenes_level_glow"/>\n'
         if glow else "")
    return (f'{indent}                              <widget type="group_widget" name="{name}"{alias}>\n'
            f'{indent}                                <widgets>\n'
            f'{g}'
            f'{indent}                                  <widget type="image_widget" name="image" visible="yes" width="56" height="56" resourcename="{resource}"/>\n'
            f'{indent}                                  <widget type="text_widget" name="number" visible="yes" anchor_left="0" anchor_top="14" width="56" height="28" resourcename="font_normal"\n'
            f'{indent}                                          drawmode="fillcolor" fillcolor="${text[1:]}" textalign="center" textvertalign="middle" text="{n}"/>\n'
            f'{indent}                                </widgets>\n'
            f'{indent}                              </widget>\n')


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The scene placement check on a small made-up location, one fault at a time.

    scene_placement_test.py RSVG_CONVERT

A location "here" of two layers on a 200 x 100 canvas: a path down the
middle (x 90 to 110), water at the top right, and items drawn as discs in
square pictures. Each case places the items and expects the check to pass
or to name the fault.
"""
import os
import subprocess
import sys
import tempfile

RSVG = sys.argv[1]
CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "scene_placement.py")


def layer_svg(water_to_path):
    water_x = 100 if water_to_path else 150
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100" viewBox="0 0 200 100">'
            '<rect width="200" height="100" fill="#6a8"/>'
            f'<rect id="water" x="{water_x}" y="0" width="{200 - water_x}" height="20" fill="#38a"/>'
            '<path id="path" d="M90 10 L110 10 L110 100 L90 100 Z" fill="#dcb" opacity="0.75"/></svg>')


# A disc of radius 8 in a 40 x 40 picture: its corners are transparent.
DISC = ('<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40">'
        '<circle cx="20" cy="20" r="8" fill="#a33"/>'
        '<circle cx="20" cy="20" r="19" fill="#000" fill-opacity="0.2"/></svg>')


def item(name, x, y):
    return (f'<widget type="QuillmarchMagicItem" name="{name}" anchor_left="{x}" anchor_top="{y}"><widgets>'
            f'<widget type="image_widget" name="unlocked" width="40" height="40" resourcename="scenes_here_{name}"/>'
            '</widgets></widget>')


def run(case, layers, water_to_path=False):
    """layers: per layer a list of (name, x, y). Answers (exit status, output)."""
    with tempfile.TemporaryDirectory() as tmp:
        art = os.path.join(tmp, "art", "here")
        os.makedirs(art)
        os.makedirs(os.path.join(tmp, "files", "pictures"))
        params = []
        groups = []
        for n, items in enumerate(layers, 1):
            with open(os.path.join(art, f"layer_{n}.svg"), "w") as f:
                f.write(layer_svg(water_to_path))
            for (name, _, _) in items:
                svg = os.path.join(tmp, name + ".svg")
                with open(svg, "w") as f:
                    f.write(DISC)
                subprocess.run([RSVG, "--output", os.path.join(tmp, "files", "pictures", name + ".png"), svg], check=True)
                params.append(f'<param name="scenes_here_{name}" value="pictures\\{name}.png"/>')
            groups.append(f'<widget type="group_widget" name="layer_{n}"><widgets>'
                          '<widget type="group_widget" name="items"><widgets>'
                          + "".join(item(*i) for i in items) + '</widgets></widget></widgets></widget>')
        definition = os.path.join(tmp, "definition.xml")
        with open(definition, "w") as f:
            f.write('<game><magic_items><group name="here"><item_type name="components"><item name="resources">'
                    + "".join(params) + '</item></item_type></group></magic_items>'
                    '<widget type="group_widget" name="locations"><widgets>'
                    '<widget type="group_widget" name="here"><widgets>' + "".join(groups)
                    + '</widgets></widget></widgets></widget></game>')
        r = subprocess.run([sys.executable, CHECK, RSVG, definition, os.path.join(tmp, "files"),
                            os.path.join(tmp, "art")], capture_output=True, text=True, timeout=120)
        return r.returncode, r.stdout + r.stderr


CASES = [
    # (what, layers, water reaches the path, expected status, words the output must hold)
    ("apart from the path and each other", [[("a", 10, 40), ("b", 140, 40)]], False, 0, ["0 problems"]),
    ("pictures' boxes overlap, their drawn discs do not",
     [[("a", 30, 40), ("b", 54, 40)]], False, 0, ["0 problems"]),
    ("the faint halo on the path, the disc beside it", [[("a", 58, 50)]], False, 0, ["0 problems"]),
    ("an item on the path", [[("a", 80, 50)]], False, 1, ["a stands on the path"]),
    ("two items on each other", [[("a", 10, 40), ("b", 20, 45)]], False, 1, ["layer_1/a meets layer_1/b"]),
    ("a later layer's item on an earlier layer's",
     [[("a", 10, 40)], [("b", 18, 42)]], False, 1, ["here/layer_2: layer_1/a meets layer_2/b"]),
    ("the path into the water", [[("a", 10, 40)]], True, 1, ["the path runs into the water"]),
]

failed = 0
for what, layers, water, status, words in CASES:
    code, out = run(what, layers, water)
    ok = code == status and all(w in out for w in words)
    if not ok:
        failed += 1
        print(f"FAIL {what}: status {code}, expected {status}; output:\n{out}")
    else:
        print(f"ok   {what}")
sys.exit(1 if failed else 0)

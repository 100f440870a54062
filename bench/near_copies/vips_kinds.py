# SPDX-License-Identifier: GPL-3.0-or-later
"""The first set: photographs of four wallpaper packages, copies made with libvips' operations
called as the vips command calls them (and libvips itself where the command cannot set a
field)."""
import math
import os
import sys

import libvips

# Pinned: the figures in bench/README.md were made with exactly these photographs.
PACKAGES = {
    "lomiri-wallpapers-16.04": "20.04.0-2",
    "lomiri-wallpapers-20.04": "20.04.0-2",
    "mate-backgrounds": "1.26.0-1",
    "plasma-workspace-wallpapers": "4:5.27.5-2",
}
TOOLS = []  # libvips comes with the build's own
LOMIRI = "/usr/share/backgrounds/"
MATE = "/usr/share/backgrounds/mate/nature/"
PLASMA = "/usr/share/wallpapers/%s/contents/images/2560x1600.jpg"
# Only the photographs: the packages' drawings and renderings are left out.
PHOTOS = (
    [LOMIRI + n + ".jpg" for n in (
        "Bridge_by_Sander_Klootwijk", "Dragonfly_by_Bolly", "Picture_0B_by_freespace",
        "Picture_1A_by_freespace", "Wine_by_Jakkub_Mede", "aitzgorri_by_Aitzol_Berasategi",
        "free_by_Peter_Nerlich", "friends_by_Aitzol_Berasategi", "greentock_by_Peter_Nerlich",
        "life_by_Aitzol_Berasategi", "picosdeeuropa_by_Aitzol_Berasategi",
        "seeding_by_Clements_Engelhardt", "sunset_by_Aitzol_Berasategi",
        "Kleiber_by_Lukas_Baubkus", "Infinite-Sea_by_Aury88")]
    + [MATE + n + ".jpg" for n in (
        "Aqua", "Blinds", "Dune", "FreshFlower", "Garden", "GreenMeadow", "LadyBird",
        "RainDrops", "Storm", "TwoWings", "Wood", "YellowFlower")]
    + [PLASMA % n for n in (
        "BytheWater", "ColdRipple", "ColorfulCups", "DarkestHour", "EveningGlow",
        "FallenLeaf", "Grey", "Kite", "OneStandsOut", "Path", "summer_1am")])
LONGEST_SIDE = 1600  # originals of a camera's usual size keep the runs short
Q = "[Q=90]"


def argument(value):
    # A leading space keeps a negative number from being read as an option.
    return f" {value}" if isinstance(value, (int, float)) and value < 0 else str(value)


def vips(*args):
    try:
        libvips.call(args[0], *map(argument, args[1:]))
    except libvips.VipsError as error:
        sys.exit(f"make_corpus: {error}")


def size_of(path):
    return libvips.size_of(path)


def cut(photo, box, target):
    """The window box = (left, top, width, height) of a photo, shrunk to at most
    LONGEST_SIDE and saved as JPEG Q 95: how every original is made."""
    work = target + ".cut.v"
    vips("extract_area", photo, work, *box)
    vips("thumbnail", work, target + "[Q=95]", LONGEST_SIDE, "--height", LONGEST_SIDE,
         "--size", "down")
    os.remove(work)


class Steps:
    """Intermediate .v files of one copy, removed when it is written."""

    def __init__(self, target):
        self.target, self.made = target, []

    def __enter__(self):
        return self

    def __call__(self, name):
        path = f"{self.target}.{name}.v"
        if path not in self.made:
            self.made.append(path)
        return path

    def __exit__(self, *_):
        for path in self.made:
            if os.path.exists(path):
                os.remove(path)


def scale(c, factor, vscale=None):
    """Resized as picture editors resize: in floating point, rounded once at the end.
    (libvips' own 8-bit resize rounds each pass and brightens by about a quarter of a grey
    level, a bias of that one program that no exact cell comparison survives.)"""
    with Steps(c.base) as step:
        vips("cast", c.src, step("f"), "float")
        vips("resize", step.made[-1], step("r"), factor,
             *(["--vscale", vscale] if vscale else []))
        vips("linear", step.made[-1], c.dst, 1, 0.5, "--uchar")


def crop_box(c, left, top, right, bottom):
    vips("extract_area", c.src, c.dst, left, top, c.w - left - right, c.h - top - bottom)


def side_crop(c, share):
    """share of the width or height off one side; the side turns with the original."""
    dx, dy = round(c.w * share), round(c.h * share)
    crop_box(c, *[(dx, 0, 0, 0), (0, dy, 0, 0), (0, 0, dx, 0), (0, 0, 0, dy)][c.index % 4])


def centre_crop(c, share):
    """The centred window of (1 - share) of each side."""
    dx, dy = round(c.w * share / 2), round(c.h * share / 2)
    crop_box(c, dx, dy, dx, dy)


def border(c, level):
    m = round(0.05 * max(c.w, c.h))
    vips("embed", c.src, c.dst, m, m, c.w + 2 * m, c.h + 2 * m, "--extend", "background",
         "--background", f"{level} {level} {level}")


def caption(c):
    """A dark bar over the bottom tenth with white text on it."""
    bar = max(c.h // 10, 8)
    with Steps(c.base) as step:
        vips("text", step("t"), "Summer holidays 2023", "--font", "DejaVu Sans",
             "--width", c.w * 8 // 10, "--height", bar * 6 // 10)
        vips("gravity", step("t"), step("g"), "centre", c.w, bar)
        vips("linear", step("g"), step("l"), 215 / 255, 40, "--uchar")
        vips("insert", c.src, step("l"), c.dst, 0, c.h - bar)


def through_float(c, *operation):
    """One float operation on the original in colour, clipped back to 8 bits."""
    with Steps(c.base) as step:
        vips("colourspace", c.src, step("c"), "srgb")
        vips(operation[0], step("c"), step("o"), *operation[1:])
        vips("cast", step("o"), c.dst, "uchar")


def sepia(c):
    matrix = c.base + ".sepia.mat"
    with open(matrix, "w") as f:
        f.write("3 3\n0.393 0.769 0.189\n0.349 0.686 0.168\n0.272 0.534 0.131\n")
    through_float(c, "recomb", matrix)
    os.remove(matrix)


def saturation(c):
    with Steps(c.base) as step:
        vips("colourspace", c.src, step("lch"), "lch")
        vips("linear", step("lch"), step("s"), "1 1.5 1", "0 0 0")
        vips("colourspace", step("s"), c.dst, "srgb")


def contrast(c):
    mean = libvips.average(c.src)
    vips("linear", c.src, c.dst, 1.3, mean * (1 - 1.3), "--uchar")


def noise(c):
    with Steps(c.base) as step:
        for band in range(3):
            vips("gaussnoise", step(f"n{band}"), c.w, c.h, "--sigma", 8, "--mean", 0,
                 "--seed", c.index * 3 + band)
        vips("bandjoin", " ".join(step.made), step("n"))
        vips("add", c.src, step("n"), step("sum"))
        vips("cast", step("sum"), c.dst, "uchar")


def largest_upright(w, h, angle):
    """The largest axis-aligned rectangle inside a w x h rectangle turned by angle."""
    sin_a, cos_a = abs(math.sin(angle)), abs(math.cos(angle))
    long_side, short_side = max(w, h), min(w, h)
    if short_side <= 2 * sin_a * cos_a * long_side:
        x = short_side / 2
        return (x / sin_a, x / cos_a) if w >= h else (x / cos_a, x / sin_a)
    cos_2a = cos_a * cos_a - sin_a * sin_a
    return (w * cos_a - h * sin_a) / cos_2a, (h * cos_a - w * sin_a) / cos_2a


def rot2(c):
    with Steps(c.base) as step:
        turned = step("r")
        vips("rotate", c.src, turned, 2)
        rw, rh = size_of(turned)
        w, h = (int(v) - 2 for v in largest_upright(c.w, c.h, math.radians(2)))
        vips("extract_area", turned, c.dst, (rw - w) // 2, (rh - h) // 2, w, h)


# Stored pixels for each EXIF orientation, so that a viewer honouring the tag shows the
# original upright (checked with `vips autorot`).
ORIENTED = {3: [("rot", "d180")], 6: [("rot", "d270")], 8: [("rot", "d90")],
            2: [("flip", "horizontal")], 4: [("flip", "vertical")],
            5: [("rot", "d90"), ("flip", "horizontal")],
            7: [("rot", "d270"), ("flip", "horizontal")]}


def exif(c):
    """The pixels turned or mirrored and the orientation tag set to undo it."""
    tag = list(ORIENTED)[c.index % len(ORIENTED)]
    with Steps(c.base) as step:
        src = c.src
        for i, (operation, argument) in enumerate(ORIENTED[tag]):
            vips(operation, src, step(str(i)), argument)
            src = step.made[-1]
        try:
            libvips.save_oriented(src, tag, c.base + Q)
        except libvips.VipsError as error:
            sys.exit(f"make_corpus: {error}")


def op(*operation):
    return lambda c: vips(operation[0], c.src, c.dst, *operation[1:])


# kind: (extension with save options, how the copy is made from the original)
KINDS = {
    "q90": (".jpg" + Q, op("copy")),
    "q60": (".jpg[Q=60]", op("copy")),
    "half": (".jpg" + Q, lambda c: scale(c, 0.5)),
    "quarter": (".jpg" + Q, lambda c: scale(c, 0.25)),
    "png": (".png", op("copy")),
    "bmp": (".bmp", op("magicksave", "--format", "BMP")),  # libvips 8.14 has no bmpsave
    "gif": (".gif", op("gifsave")),
    "webp": (".webp", op("webpsave")),
    # one pixel off one edge, the edge turning with the original
    "crop": (".jpg" + Q, lambda c: crop_box(
        c, *[(1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1)][c.index % 4])),
    "bright": (".jpg" + Q, op("linear", 1.02, 0, "--uchar")),
    "grey": (".jpg" + Q, op("colourspace", "b-w")),
    "mirror": (".jpg" + Q, op("flip", "horizontal")),
    "rot90": (".jpg" + Q, op("rot", "d90")),
    "rot180": (".jpg" + Q, op("rot", "d180")),
    "rot270": (".jpg" + Q, op("rot", "d270")),
    "exif": (".jpg", exif),
    "crop5": (".jpg" + Q, lambda c: side_crop(c, 0.05)),
    "crop10": (".jpg" + Q, lambda c: side_crop(c, 0.10)),
    "crop20": (".jpg" + Q, lambda c: side_crop(c, 0.20)),
    "centre10": (".jpg" + Q, lambda c: centre_crop(c, 0.10)),
    "centre20": (".jpg" + Q, lambda c: centre_crop(c, 0.20)),
    "border_white": (".jpg" + Q, lambda c: border(c, 255)),
    "border_black": (".jpg" + Q, lambda c: border(c, 0)),
    "caption": (".jpg" + Q, caption),
    "stretch": (".jpg" + Q, lambda c: scale(c, 1.2, 1)),
    "thumb160": (".jpg" + Q, op("thumbnail", 160, "--height", 160)),
    "q30": (".jpg[Q=30]", op("copy")),
    "sepia": (".jpg" + Q, sepia),
    "saturation": (".jpg" + Q, saturation),
    "contrast": (".jpg" + Q, contrast),
    "gamma": (".jpg" + Q, op("gamma", "--exponent", 0.8)),
    "blur": (".jpg" + Q, op("gaussblur", 2)),
    "noise": (".jpg" + Q, noise),
    "rot2": (".jpg" + Q, rot2),
}

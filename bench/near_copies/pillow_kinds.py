# SPDX-License-Identifier: GPL-3.0-or-later
"""The second set: other photographs (a puzzle game's pictures and two libraries' sample
photos), copies made with Pillow's own operations, resampling and encoders."""
import math

from vips_kinds import largest_upright

try:
    import numpy
    from PIL import Image, ImageDraw, ImageEnhance, ImageFilter, ImageFont, ImageOps
except ImportError:  # installed by make_corpus.py, which then loads this again
    Image = None

# Pinned like the first set's packages.
PACKAGES = {
    "palapeli-data": "4:22.12.3-1",
    "python3-skimage": "0.19.3-8",
    "opencv-doc": "4.6.0+dfsg-12",
}
TOOLS = ["python3-pil", "python3-numpy", "fonts-dejavu-core"]
PALAPELI = "/usr/share/palapeli/collection/"
SKIMAGE = "/usr/lib/python3/dist-packages/skimage/data/"
OPENCV = "/usr/share/doc/opencv-doc/examples/data/"
# Only photographs in colour or grey; drawings, diagrams and test charts are left out.
PHOTOS = (
    [PALAPELI + n + ".jpg" for n in (
        "castle-maintenon", "cincinnati-bridge", "citrus-fruits", "european-honey-bee",
        "panther-chameleon-female")]
    + [SKIMAGE + n for n in (
        "astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg", "motorcycle_left.png",
        "hubble_deep_field.jpg", "camera.png")]
    + [OPENCV + n for n in (
        "baboon.jpg", "fruits.jpg", "building.jpg", "butterfly.jpg", "messi5.jpg",
        "orange.jpg", "apple.jpg", "home.jpg", "leuvenA.jpg", "aloeL.jpg", "graf1.png",
        "basketball1.png", "board.jpg", "ela_original.jpg")])
LONGEST_SIDE = 1600
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def load(path):
    with Image.open(path) as image:
        image = ImageOps.exif_transpose(image)
        return image.convert("L" if image.mode in ("L", "LA", "I;16", "1") else "RGB")


def size_of(path):
    with Image.open(path) as image:
        return image.size


def cut(photo, box, target):
    left, top, width, height = box
    image = load(photo).crop((left, top, left + width, top + height))
    image.thumbnail((LONGEST_SIDE, LONGEST_SIDE), Image.LANCZOS)
    image.save(target, quality=95)


def edit(change=lambda image, c: image, **save):
    """A copy: change(original, context), saved in the target's format (JPEG at 90 unless
    save says otherwise)."""
    def make(c):
        image = change(load(c.src), c)
        options = dict(save)
        if c.dst.endswith(".jpg"):
            options.setdefault("quality", 90)
        if isinstance(image, tuple):
            image, more = image
            options.update(more)
        image.save(c.dst, **options)
    return make


def crop(image, left, top, right, bottom):
    return image.crop((left, top, image.width - right, image.height - bottom))


def side_crop(share):
    def change(image, c):
        dx, dy = round(image.width * share), round(image.height * share)
        return crop(image, *[(dx, 0, 0, 0), (0, dy, 0, 0), (0, 0, dx, 0), (0, 0, 0, dy)][
            c.index % 4])
    return edit(change)


def centre_crop(share):
    def change(image, c):
        dx, dy = round(image.width * share / 2), round(image.height * share / 2)
        return crop(image, dx, dy, dx, dy)
    return edit(change)


def border(level):
    return edit(lambda image, c: ImageOps.expand(
        image, round(0.05 * max(image.size)), fill=level if image.mode == "L" else
        (level,) * 3))


def caption(image, c):
    bar = max(image.height // 10, 8)
    image = image.convert("RGB")
    draw = ImageDraw.Draw(image)
    draw.rectangle((0, image.height - bar, image.width, image.height), fill=(40, 40, 40))
    font = ImageFont.truetype(FONT, max(bar * 6 // 10, 6))
    draw.text((image.width // 2, image.height - bar // 2), "Summer holidays 2023",
              fill=(255, 255, 255), font=font, anchor="mm")
    return image


def sepia(image, c):
    return image.convert("RGB").convert("RGB", (0.393, 0.769, 0.189, 0, 0.349, 0.686, 0.168,
                                                0, 0.272, 0.534, 0.131, 0))


def noise(image, c):
    pixels = numpy.asarray(image.convert("RGB"), dtype=numpy.float32)
    pixels += numpy.random.default_rng(c.index).normal(0, 8, pixels.shape)
    return Image.fromarray(numpy.clip(pixels + 0.5, 0, 255).astype(numpy.uint8))


def rot2(image, c):
    w, h = (int(v) - 2 for v in largest_upright(*image.size, math.radians(2)))
    turned = image.rotate(2, Image.BICUBIC, expand=True)
    left, top = (turned.width - w) // 2, (turned.height - h) // 2
    return turned.crop((left, top, left + w, top + h))


# Stored pixels for each EXIF orientation, undone by a viewer honouring the tag.
ORIENTED = {3: "ROTATE_180", 6: "ROTATE_90", 8: "ROTATE_270", 2: "FLIP_LEFT_RIGHT",
            4: "FLIP_TOP_BOTTOM", 5: "TRANSPOSE", 7: "TRANSVERSE"}


def exif(image, c):
    tag = list(ORIENTED)[c.index % len(ORIENTED)]
    tags = Image.Exif()
    tags[0x0112] = tag
    return image.transpose(getattr(Image.Transpose, ORIENTED[tag])), {"exif": tags}


def resized(factor_x, factor_y=None):
    return edit(lambda image, c: image.resize(
        (round(image.width * factor_x), round(image.height * (factor_y or factor_x))),
        Image.BICUBIC))


def thumb160(image, c):
    image.thumbnail((160, 160))
    return image


def transposed(name):
    return edit(lambda image, c: image.transpose(getattr(Image.Transpose, name)))


def enhanced(name, factor):
    return edit(lambda image, c: getattr(ImageEnhance, name)(image).enhance(factor))


def one_pixel_crop(image, c):
    return crop(image, *[(1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1)][c.index % 4])


# kind: (extension, how the copy is made from the original); the names are the first set's.
KINDS = {
    "q90": (".jpg", edit()),
    "q60": (".jpg", edit(quality=60)),
    "half": (".jpg", resized(0.5)),
    "quarter": (".jpg", resized(0.25)),
    "png": (".png", edit()),
    "bmp": (".bmp", edit()),
    "gif": (".gif", edit(lambda image, c: image.convert("RGB").quantize(256))),
    "webp": (".webp", edit(quality=75)),
    "crop": (".jpg", edit(one_pixel_crop)),
    "bright": (".jpg", enhanced("Brightness", 1.02)),
    "grey": (".jpg", edit(lambda image, c: image.convert("L"))),
    "mirror": (".jpg", transposed("FLIP_LEFT_RIGHT")),
    "rot90": (".jpg", transposed("ROTATE_270")),  # Pillow turns counter-clockwise
    "rot180": (".jpg", transposed("ROTATE_180")),
    "rot270": (".jpg", transposed("ROTATE_90")),
    "exif": (".jpg", edit(exif)),
    "crop5": (".jpg", side_crop(0.05)),
    "crop10": (".jpg", side_crop(0.10)),
    "crop20": (".jpg", side_crop(0.20)),
    "centre10": (".jpg", centre_crop(0.10)),
    "centre20": (".jpg", centre_crop(0.20)),
    "border_white": (".jpg", border(255)),
    "border_black": (".jpg", border(0)),
    "caption": (".jpg", edit(caption)),
    "stretch": (".jpg", resized(1.2, 1)),
    "thumb160": (".jpg", edit(thumb160)),
    "q30": (".jpg", edit(quality=30)),
    "sepia": (".jpg", edit(sepia)),
    "saturation": (".jpg", enhanced("Color", 1.5)),
    "contrast": (".jpg", enhanced("Contrast", 1.3)),
    "gamma": (".jpg", edit(lambda image, c: image.point(
        lambda v: round(255 * (v / 255) ** (1 / 0.8))))),
    "blur": (".jpg", edit(lambda image, c: image.filter(ImageFilter.GaussianBlur(2)))),
    "noise": (".jpg", edit(noise)),
    "rot2": (".jpg", edit(rot2)),
}

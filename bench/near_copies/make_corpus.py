#!/usr/bin/env python3
"""Near-copy corpus: N originals cut from the photographs of Debian's wallpaper packages,
each written with its copies (re-saved, resized, converted, cropped, brightened, grey) and a
left-right mirror that must not match. Writes FOLDER/truth.tsv: name, original, kind, source.

usage: make_corpus.py FOLDER [N] [--seed S]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

# Pinned: the figures in bench/README.md were made with exactly these photographs.
PACKAGES = {
    "lomiri-wallpapers-16.04": "20.04.0-2",
    "lomiri-wallpapers-20.04": "20.04.0-2",
    "mate-backgrounds": "1.26.0-1",
    "plasma-workspace-wallpapers": "4:5.27.5-2",
}
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

# kind: (extension, vips operation and arguments after the input and output names)
VARIANTS = {
    "q90": (".jpg[Q=90]", ["copy"]),
    "q60": (".jpg[Q=60]", ["copy"]),
    "half": (".jpg[Q=90]", ["scale", "0.5"]),
    "quarter": (".jpg[Q=90]", ["scale", "0.25"]),
    "png": (".png", ["copy"]),
    "bmp": (".bmp", ["magicksave", "--format", "BMP"]),  # libvips 8.14 has no bmpsave
    "gif": (".gif", ["gifsave"]),
    "webp": (".webp", ["webpsave"]),
    "crop": (".jpg[Q=90]", None),  # one pixel off one edge, the edge turning with the id
    "bright": (".jpg[Q=90]", ["linear", "1.02", "0", "--uchar"]),
    "grey": (".jpg[Q=90]", ["colourspace", "b-w"]),
    "mirror": (".jpg[Q=90]", ["flip", "horizontal"]),
}


def ensure_packages():
    missing = [f"{p}={v}" for p, v in PACKAGES.items() if subprocess.run(
        ["dpkg-query", "-W", "-f=${Version}", p], capture_output=True, text=True).stdout != v]
    if not missing:
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends"]
                   + missing, check=True, env=env)


def vips(*args):
    # libvips warns about harmless things (an odd EXIF unit); only a failure is shown.
    done = subprocess.run(["vips", *args], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"make_corpus: vips {' '.join(args)} failed:\n{done.stderr}")


def size_of(path):
    return tuple(int(subprocess.run(["vipsheader", "-f", field, path], capture_output=True,
                                    text=True, check=True).stdout)
                 for field in ("width", "height"))


def scale(original, target, factor, folder, name):
    """Resized as picture editors resize: in floating point, rounded once at the end.
    (libvips' own 8-bit resize rounds each pass and brightens by about a quarter of a grey
    level, a bias of that one program that no exact cell comparison survives.)"""
    work = os.path.join(folder, name + ".v")
    vips("cast", original, work, "float")
    vips("resize", work, work + ".r.v", factor)
    vips("linear", work + ".r.v", target, "1", "0.5", "--uchar")
    os.remove(work)
    os.remove(work + ".r.v")


def make_original(index, photo, half, names, folder):
    """Cuts the left or right half of a photo, writes it and all its variants."""
    width, height = size_of(photo)
    cut = os.path.join(folder, f"{index}.v")
    vips("extract_area", photo, cut, str(half * (width // 2)), "0", str(width // 2),
         str(height))
    original = os.path.join(folder, names["orig"] + ".jpg")
    vips("thumbnail", cut, original + "[Q=95]", str(LONGEST_SIDE), "--height",
         str(LONGEST_SIDE), "--size", "down")
    os.remove(cut)
    width, height = size_of(original)
    for kind, (extension, operation) in VARIANTS.items():
        target = os.path.join(folder, names[kind] + extension)
        if operation is None:  # crop
            edge = index % 4
            left, top = (1 if edge == 0 else 0), (1 if edge == 1 else 0)
            w, h = width - (1 if edge in (0, 2) else 0), height - (1 if edge in (1, 3) else 0)
            vips("extract_area", original, target, str(left), str(top), str(w), str(h))
        elif operation[0] == "scale":
            scale(original, target, operation[1], folder, names[kind])
        else:
            vips(operation[0], original, target, *operation[1:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("count", nargs="?", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    ensure_packages()
    # Each photo gives two originals, its left and right halves: 76 in all.
    sources = [(p, h) for p in PHOTOS for h in (0, 1)]
    if not 1 <= args.count <= len(sources):
        sys.exit(f"make_corpus: N must be 1..{len(sources)}")
    rng = random.Random(args.seed)
    rng.shuffle(sources)
    sources = sources[:args.count]
    # Random names: the folder's order, and so the choice of each group's head, is chance.
    kinds = ["orig", *VARIANTS]
    drawn = ["%08x" % n for n in rng.sample(range(16 ** 8), len(sources) * len(kinds))]
    names = [dict(zip(kinds, drawn[i * len(kinds):])) for i in range(len(sources))]

    part = args.folder.rstrip("/") + ".part"
    shutil.rmtree(part, ignore_errors=True)
    tmp = os.path.join(part, ".made")
    os.makedirs(tmp)
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        jobs = [pool.submit(make_original, i, p, h, names[i], tmp)
                for i, (p, h) in enumerate(sources)]
        for job in jobs:
            job.result()
    # Some file systems list a folder in the order its files came in: they come in shuffled.
    made = sorted(os.listdir(tmp))
    rng.shuffle(made)
    for name in made:
        os.rename(os.path.join(tmp, name), os.path.join(part, name))
    os.rmdir(tmp)
    with open(os.path.join(part, "truth.tsv"), "w") as truth:
        truth.write("name\toriginal\tkind\tsource\n")
        for i, (photo, half) in enumerate(sources):
            for kind in kinds:
                extension = (".jpg" if kind == "orig" else VARIANTS[kind][0]).split("[")[0]
                source = "%s %s" % (photo.split("/usr/share/")[1], ("left", "right")[half])
                truth.write(f"{names[i][kind]}{extension}\t{i}\t{kind}\t{source}\n")
    os.rename(part, args.folder)


if __name__ == "__main__":
    main()

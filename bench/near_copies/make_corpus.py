#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Near-copy corpus: N originals cut from the photographs of Debian packages, each written
with its copies (re-saved, resized, converted, turned, cropped, framed, captioned, retouched)
and negatives that must not match it: a left-right mirror, the window of the same photograph
shifted by half its width, and the neighbouring window. Set 1 makes the copies with vips,
set 2 from other photographs with Pillow. Writes FOLDER/truth.tsv: name, original, kind,
source, negative_of (the originals a negative must not be grouped with).

usage: make_corpus.py FOLDER [N] [--seed S] [--set 1|2]
"""
import argparse
import importlib
import os
import random
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from types import SimpleNamespace

sys.dont_write_bytecode = True  # nothing left beside the scripts
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
SETS = {1: "vips_kinds", 2: "pillow_kinds"}
NEGATIVES = ("mirror", "shift", "neighbour")


def version_of(package):
    """The installed version of a Debian package, None when it is not installed."""
    status, _, version = subprocess.run(
        ["dpkg-query", "-W", "-f=${db:Status-Abbrev}|${Version}", package],
        capture_output=True, text=True).stdout.partition("|")
    return version if status.startswith("ii") else None


def ensure_packages(pinned, tools):
    missing = ([f"{p}={v}" for p, v in pinned.items() if version_of(p) != v]
               + [p for p in tools if version_of(p) is None])
    if not missing:
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends"]
                   + missing, check=True, env=env)


def windows(width, height):
    """The photo's windows: its left and right halves (the originals) and the window
    between them, shifted by half an original's width from either."""
    w = width // 2
    return {0: (0, 0, w, height), 1: (w, 0, w, height), "shift": (width // 4, 0, w, height)}


def plan(sources, kinds):
    """Every file to make: (key, original index, kind, how: ('cut', photo, window) or
    ('copy', kind)) and the negative_of sets, keyed like the files."""
    chosen = {(p, h): i for i, (p, h) in enumerate(sources)}
    files, negative_of = [], {}
    for i, (photo, half) in enumerate(sources):
        files.append(((i, "orig"), i, "orig", ("cut", photo, half)))
        files += [((i, k), i, k, ("copy", k)) for k in kinds]
        negative_of[(i, "mirror")] = {i}
        other = chosen.get((photo, 1 - half))
        if other is None:
            files.append(((i, "neighbour"), i, "neighbour", ("cut", photo, 1 - half)))
            negative_of[(i, "neighbour")] = {i}
        else:  # the other half is an original itself: each is the other's neighbour
            negative_of[(i, "orig")] = {other}
        halves = sorted(j for (p, _), j in chosen.items() if p == photo)
        if i == halves[0]:  # one shifted window per photo, shared by both halves
            files.append(((i, "shift"), i, "shift", ("cut", photo, "shift")))
            negative_of[(i, "shift")] = set(halves)
    return files, negative_of


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("count", nargs="?", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--set", type=int, choices=sorted(SETS), default=1)
    args = parser.parse_args()
    tool = importlib.import_module(SETS[args.set])
    ensure_packages(tool.PACKAGES, tool.TOOLS)
    tool = importlib.reload(tool)  # a tool installed just now
    if getattr(tool, "Image", True) is None and sys.executable != "/usr/bin/python3":
        # Debian's Python modules are for Debian's own Python, not another one on the PATH.
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    # Each photo gives two originals, its left and right halves.
    sources = [(p, h) for p in tool.PHOTOS for h in (0, 1)]
    count = min(args.count, len(sources))
    if count < 1:
        sys.exit("make_corpus: N must be at least 1")
    rng = random.Random(args.seed)
    rng.shuffle(sources)
    sources = sources[:count]
    kinds = list(tool.KINDS)
    files, negative_of = plan(sources, kinds)
    # Random names: the folder's order, and so the choice of each group's head, is chance.
    names = dict(zip((key for key, *_ in files),
                     ("%08x" % n for n in rng.sample(range(16 ** 8), len(files)))))

    def extension(kind):
        return ".jpg" if kind not in tool.KINDS else tool.KINDS[kind][0].split("[")[0]

    part = args.folder.rstrip("/") + ".part"
    shutil.rmtree(part, ignore_errors=True)
    tmp = os.path.join(part, ".made")
    os.makedirs(tmp)
    path = {key: os.path.join(tmp, names[key] + extension(kind)) for key, _, kind, _ in files}
    sizes = {}

    def make_cut(key, photo, window):
        if photo not in sizes:
            sizes[photo] = tool.size_of(photo)
        tool.cut(photo, windows(*sizes[photo])[window], path[key])

    def make_copy(i, kind):
        original = path[(i, "orig")]
        if original not in sizes:
            sizes[original] = tool.size_of(original)
        w, h = sizes[original]
        base = path[(i, kind)]
        context = SimpleNamespace(index=i, src=original, w=w, h=h, base=base,
                                  dst=base + tool.KINDS[kind][0][len(extension(kind)):])
        tool.KINDS[kind][1](context)

    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for stage in ("cut", "copy"):
            jobs = [pool.submit(make_cut if stage == "cut" else make_copy,
                                *((key, *how[1:]) if stage == "cut" else (i, how[1])))
                    for key, i, _, how in files if how[0] == stage]
            for job in jobs:
                job.result()
    # Some file systems list a folder in the order its files came in: they come in shuffled.
    made = sorted(os.listdir(tmp))
    rng.shuffle(made)
    for name in made:
        os.rename(os.path.join(tmp, name), os.path.join(part, name))
    os.rmdir(tmp)
    with open(os.path.join(part, "truth.tsv"), "w") as truth:
        truth.write("name\toriginal\tkind\tsource\tnegative_of\n")
        for key, i, kind, _ in files:
            photo, half = sources[i]
            if kind in ("neighbour", "shift"):
                half = {"neighbour": 1 - half, "shift": "middle"}[kind]
            source = "%s %s" % (photo.split("/usr/")[1].removeprefix("share/"),
                                ("left", "right")[half] if half in (0, 1) else half)
            against = " ".join(map(str, sorted(negative_of.get(key, ()))))
            truth.write(f"{os.path.basename(path[key])}\t{i}\t{kind}\t{source}\t{against}\n")
    os.rename(part, args.folder)


if __name__ == "__main__":
    main()

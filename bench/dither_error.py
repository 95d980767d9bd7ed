#!/usr/bin/python3
"""How close each dithering of rastelle-convert comes to the picture, beside
Pillow's Floyd-Steinberg with the same palette.

The measure is the mean absolute difference (per channel, 0-255) between the
result and the source, both blurred with the same Gaussian (sigma 2 px by
default): what the eye sees from a little further away. The 1-bit results
are compared in grey (Rec. 601 brightness, as the 1-bit output chooses).

    bench/dither_error.py PICTURE build/bin/rastelle-convert [WORK_DIR]

DITHER_FORMATS and DITHER_METHODS (words separated by spaces) choose fewer
runs; DITHER_SIGMA the blur. Needs only Pillow. Also prints each conversion's wall time (one run; use
/usr/bin/time for careful timings).
"""

import os
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops, ImageFilter, ImageStat

SIGMA = float(os.environ.get("DITHER_SIGMA", "2"))
FORMATS = os.environ.get("DITHER_FORMATS", "1 4 8 16").split()
METHODS = os.environ.get("DITHER_METHODS", "none floyd-steinberg ordered").split()

# The colours the indexed outputs hold (the 4-bit VGA table and the fixed
# 8-8-4 table of the 8-bit output).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
FIXED = [(32 * (i % 8), 32 * ((i // 8) % 8), 64 * (i // 64)) for i in range(256)]


def palette_image(colors):
    flat = [v for color in colors for v in color]
    # Pillow pads a short palette with black: repeat the first colour instead
    # so that no colour is added.
    flat += list(colors[0]) * (256 - len(colors))
    image = Image.new("P", (1, 1))
    image.putpalette(flat)
    return image


def blurred(image, mode):
    return image.convert(mode).filter(ImageFilter.GaussianBlur(SIGMA))


def error(result, source_blurred, mode):
    difference = ImageChops.difference(blurred(result, mode), source_blurred)
    means = ImageStat.Stat(difference).mean
    return sum(means) / len(means)


def pillow_fs(source, fmt):
    if fmt == "1":
        return source.convert("L").convert("1", dither=Image.Dither.FLOYDSTEINBERG)
    colors = VGA if fmt == "4" else FIXED
    return source.quantize(palette=palette_image(colors), dither=Image.Dither.FLOYDSTEINBERG)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    picture, program = sys.argv[1], sys.argv[2]
    work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="dither-")
    os.makedirs(work, exist_ok=True)
    source = Image.open(picture).convert("RGB")
    references = {"RGB": blurred(source, "RGB"), "L": blurred(source, "L")}

    print(f"{picture}: {source.width}x{source.height}, blur sigma {SIGMA} px")
    print(f"{'format':>6} {'method':>16} {'error':>7} {'seconds':>8}")
    for fmt in FORMATS:
        mode = "L" if fmt == "1" else "RGB"
        for method in METHODS:
            out = os.path.join(work, f"dither_{fmt}_{method}.bmp")
            if os.path.exists(out):
                os.remove(out)
            start = time.perf_counter()
            subprocess.run([program, picture, out, "--format", fmt, "--dither", method],
                           check=True)
            seconds = time.perf_counter() - start
            with Image.open(out) as result:
                value = error(result, references[mode], mode)
            print(f"{fmt:>6} {method:>16} {value:7.3f} {seconds:8.2f}")
        if fmt == "16":
            print(f"{fmt:>6} {'Pillow FS':>16}     n/a  (Pillow has no 5-6-5 dithering)")
            continue
        start = time.perf_counter()
        reference = pillow_fs(source, fmt)
        seconds = time.perf_counter() - start
        print(f"{fmt:>6} {'Pillow FS':>16} {error(reference, references[mode], mode):7.3f} "
              f"{seconds:8.2f}")


if __name__ == "__main__":
    main()

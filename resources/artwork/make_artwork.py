#!/usr/bin/python3
"""Draws the product's icon file and window logo and writes them next to the resource script.

The outputs are committed, so the build needs neither Python nor Pillow; run this again
(Debian: python3-pil) only when the artwork changes:  resources/artwork/make_artwork.py
"""
import io
import os
import struct

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)
MASTER = 1024

# A sound wave of five rounded bars on a rounded square: the product listens and speaks.
BARS = (0.30, 0.58, 0.86, 0.58, 0.30)
TOP = (58, 42, 150)      # deep indigo
BOTTOM = (22, 150, 170)  # teal


def master():
    size = MASTER
    gradient = Image.new("RGBA", (size, size))
    px = gradient.load()
    for y in range(size):
        for x in range(size):
            t = (0.75 * y + 0.25 * x) / size
            px[x, y] = tuple(int(a + (b - a) * t) for a, b in zip(TOP, BOTTOM)) + (255,)
    mask = Image.new("L", (size, size), 0)
    inset = size // 32
    ImageDraw.Draw(mask).rounded_rectangle(
        (inset, inset, size - inset - 1, size - inset - 1), radius=size // 5, fill=255)
    art = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    art.paste(gradient, (0, 0), mask)

    # A soft shadow under the bars lifts them off the background at large sizes.
    bars = Image.new("L", (size, size), 0)
    draw = ImageDraw.Draw(bars)
    bar_w = size * 0.095
    gap = size * 0.055
    left = (size - (len(BARS) * bar_w + (len(BARS) - 1) * gap)) / 2
    for i, h in enumerate(BARS):
        x0 = left + i * (bar_w + gap)
        half = size * h / 2
        draw.rounded_rectangle((x0, size / 2 - half, x0 + bar_w, size / 2 + half),
                               radius=bar_w / 2, fill=255)
    shadow = bars.filter(ImageFilter.GaussianBlur(size / 80)).point(lambda v: v * 0.35)
    dark = Image.new("RGBA", (size, size), (10, 10, 40, 255))
    art.paste(dark, (int(size * 0.01), int(size * 0.015)), Image.composite(
        shadow, Image.new("L", (size, size), 0), mask))
    white = Image.new("RGBA", (size, size), (255, 255, 255, 255))
    art.paste(white, (0, 0), bars)
    return art


def scaled(art, px):
    return art.resize((px, px), Image.LANCZOS)


def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=True)
    return buf.getvalue()


def icon_file(art):
    # Every size as a PNG frame, which Windows reads since Vista: a 32-bit bitmap frame of the
    # same picture is four to ten times larger, and the stub is a download.
    images = [(px, png_bytes(scaled(art, px))) for px in (16, 32, 48, 64, 128, 256)]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for px, data in images:
        dim = 0 if px == 256 else px
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main():
    art = master()
    with open(os.path.join(OUT, "corvald-setup.ico"), "wb") as f:
        f.write(icon_file(art))
    # The window shows the 96-pixel logo centred in an 88-pixel frame without scaling, so the
    # artwork keeps clear of the outer 4 pixels that the frame cuts off. At 125, 150 and 200 %
    # display scale frame and logo grow alike, and a logo drawn at that size stays crisp.
    for side, name in ((96, "logo.png"), (120, "logo_120.png"), (144, "logo_144.png"),
                       (192, "logo_192.png")):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(png_bytes(logo(art, side)))


def logo(art, side):
    """The artwork at 86/96 of `side`, centred on a clear square of `side` pixels."""
    inner = round(side * 86 / 96)
    image = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    at = (side - inner) // 2
    image.paste(scaled(art, inner), (at, at))
    return image


if __name__ == "__main__":
    main()

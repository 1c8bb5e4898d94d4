"""BMP files with ImageMagick as the peer: files it makes in 1, 4, 8 and 24
bits per pixel (plain, run-length encoded, and top-down where a BMP may be)
are drawn by the runtime and the screenshot must show them pixel for
pixel; a file the runtime saves must be one ImageMagick reads with the
expected size and depth and the same pixels as the screenshot."""
import os
import struct
import subprocess

from run_e2e import Case, WORK

CONVERT, IDENTIFY, COMPARE = "/usr/bin/convert", "/usr/bin/identify", "/usr/bin/compare"
LISTINGS = os.path.join(WORK, "_bitmap_listings")

# name, ImageMagick options, place on the screen
IMAGES = [
    ("rose24", ["-type", "TrueColor"], (10, 60)),
    ("rose8", ["-colors", "200", "-type", "Palette", "-compress", "None"], (90, 60)),
    ("rose8rle", ["-colors", "200", "-type", "Palette", "-compress", "RLE"], (170, 60)),
    ("rose4", ["-colors", "16", "-type", "Palette", "-compress", "None"], (250, 60)),
    ("rose1", ["-monochrome", "-type", "Bilevel"], (330, 60)),
]
TOP_DOWN = [("rose24td", "rose24", (410, 60)), ("rose8td", "rose8", (490, 60))]
W, H = 70, 46  # ImageMagick's built-in rose


def top_down(src, dst):
    """The same image stored top row first (negative height)."""
    d = bytearray(open(src, "rb").read())
    offset, = struct.unpack_from("<I", d, 10)
    w, h = struct.unpack_from("<ii", d, 18)
    bits, = struct.unpack_from("<H", d, 28)
    stride = (w * bits + 31) // 32 * 4
    rows = [bytes(d[offset + k * stride: offset + (k + 1) * stride]) for k in range(h)]
    struct.pack_into("<i", d, 22, -h)
    d[offset: offset + h * stride] = b"".join(reversed(rows))
    open(dst, "wb").write(d)


def make_images(work):
    for name, options, _ in IMAGES:
        subprocess.run([CONVERT, "rose:"] + options + ["BMP3:" + os.path.join(work, name + ".bmp")], check=True)
    for name, src, _ in TOP_DOWN:
        top_down(os.path.join(work, src + ".bmp"), os.path.join(work, name + ".bmp"))


def differing_pixels(a, b, work):
    r = subprocess.run([COMPARE, "-metric", "AE", a, b, os.path.join(work, "diff.png")],
                       capture_output=True, text=True)
    try:
        return int(float(r.stderr.split()[0]))
    except (ValueError, IndexError):
        return f"compare failed: {r.stderr.strip()}"


def crop(work, x, y, w, h, out):
    subprocess.run([CONVERT, os.path.join(work, "screen.bmp"), "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                    "-type", "TrueColor", os.path.join(work, out)], check=True)
    return os.path.join(work, out)


def check_drawn(work):
    problems = []
    for name, _, (x, y) in IMAGES + [(n, None, p) for n, _, p in TOP_DOWN]:
        got = differing_pixels(os.path.join(work, name + ".bmp"), crop(work, x, y, W, H, name + "_shot.png"), work)
        if got != 0:
            problems.append(f"{name}: {got} pixels differ from ImageMagick's picture")
    # the stretched one: twice the size in both directions
    big = os.path.join(work, "rose_big.png")
    subprocess.run([CONVERT, os.path.join(work, "rose24.bmp"), "-filter", "point", "-resize", "200%",
                    big], check=True)
    got = differing_pixels(big, crop(work, 10, 120, 2 * W, 2 * H, "big_shot.png"), work)
    if got != 0:
        problems.append(f"stretched: {got} pixels differ")
    # the memory bitmap loaded from a file and copied out of it
    got = differing_pixels(os.path.join(work, "rose4.bmp"), crop(work, 170, 120, W, H, "memory_shot.png"), work)
    if got != 0:
        problems.append(f"memory bitmap: {got} pixels differ")
    # the saved file: ImageMagick reads it with its size and depth, and it
    # holds what the screen shows
    saved = os.path.join(work, "saved.bmp")
    if not os.path.exists(saved):
        return "saved.bmp missing"
    info = subprocess.run([IDENTIFY, "-format", "%m %w %h %z %[bmp:bits-per-pixel]", saved],
                          capture_output=True, text=True).stdout.split()
    if info[:4] not in (["BMP", str(W), str(H), "8"], ["BMP3", str(W), str(H), "8"]):
        problems.append(f"identify saved.bmp: {info}")
    data = open(saved, "rb").read()
    stride = (W * 3 + 3) // 4 * 4
    if len(data) != 58 + stride * H or struct.unpack_from("<I", data, 10)[0] != 58 or \
            struct.unpack_from("<H", data, 28)[0] != 24:
        problems.append(f"saved.bmp layout: {len(data)} bytes")
    got = differing_pixels(saved, crop(work, 10, 60, W, H, "saved_shot.png"), work)
    if got != 0:
        problems.append(f"saved.bmp: {got} pixels differ from the screen")
    return "; ".join(problems) or None


def listing():
    lines = [".header plain 7", "CLS"]
    for name, _, (x, y) in IMAGES + [(n, None, p) for n, _, p in TOP_DOWN]:
        lines.append(f'DRAWBMP "{name}.bmp",{x},{y};0')
    lines.append('DRAWSIZEDBMP "rose24.bmp",10,120-140,92;0')
    lines.append('SAVEBMP "saved.bmp",10,60-70,46')
    lines.append("PRINT %{BMPWIDTH},%{BMPHEIGHT},&{PALETTESIZE}")
    lines.append('MLOADBMP "rose4.bmp"')
    lines.append("PRINT %{BMPWIDTH},%{BMPHEIGHT},&{PALETTESIZE}")
    lines.append("MCOPYBMP 0,0-70,46>170,120;0")
    lines.append("END")
    return "\n".join(lines) + "\n"


def image_case():
    path = os.path.join(LISTINGS, "bitmaps_imagemagick.tvl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(listing())
    c = Case("bitmaps_imagemagick")
    c.listing = path
    c.prepare = make_images
    c.check = check_drawn
    c.screen = ["70 46 256", "70 46 16"]
    return c


# ---------------------------------------------------------------------------
# Icons: the runtime's own icon by name, the same icon through the module
# statement with the runtime's instance handle and from its .ico file must
# give the same 32 x 32 pixels, which are not the white of the window; the
# five system icons each leave a picture.

ICON_SPOTS = [(10, 60), (60, 60), (110, 60)]
SYSTEM_SPOTS = [(10 + 50 * n, 120) for n in range(5)]


def copy_icon(work):
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with open(os.path.join(root, "resources", "icons", "gesicht.ico"), "rb") as f:
        data = f.read()
    with open(os.path.join(work, "gesicht.ico"), "wb") as f:
        f.write(data)


def check_icons(work):
    problems = []
    crops = [crop(work, x, y, 32, 32, f"icon{k}.png") for k, (x, y) in enumerate(ICON_SPOTS)]
    for k in (1, 2):
        got = differing_pixels(crops[0], crops[k], work)
        if got != 0:
            problems.append(f"icon {k}: {got} pixels differ from the icon statement's")
    white = os.path.join(work, "white.png")
    subprocess.run([CONVERT, "-size", "32x32", "xc:white", "-type", "TrueColor", white], check=True)
    for k, (x, y) in enumerate(SYSTEM_SPOTS):
        if differing_pixels(white, crop(work, x, y, 32, 32, f"sys{k}.png"), work) == 0:
            problems.append(f"system icon {k} left no picture")
    if differing_pixels(white, crops[0], work) == 0:
        problems.append("the icon left no picture")
    return "; ".join(problems) or None


def icon_case():
    lines = [".header plain 7", "CLS"]
    (a, b), (c, d), (e, f) = ICON_SPOTS
    lines += [f'ICON "GESICHT",{a},{b}', f'EXTICON %{{INSTANCE}},"GESICHT",{c},{d}',
              f'FILEICON "gesicht.ico",0,{e},{f}']
    lines += [f"SYSICON {n},{x},{y}" for n, (x, y) in enumerate(SYSTEM_SPOTS)]
    lines.append("END")
    path = os.path.join(LISTINGS, "icons_three_ways.tvl")
    with open(path, "w", encoding="utf-8") as fh:
        fh.write("\n".join(lines) + "\n")
    c = Case("icons_three_ways")
    c.listing = path
    c.prepare = copy_icon
    c.check = check_icons
    return c


def cases():
    if not all(os.path.exists(p) for p in (CONVERT, IDENTIFY, COMPARE)):
        return []
    os.makedirs(LISTINGS, exist_ok=True)
    return [image_case(), icon_case()]

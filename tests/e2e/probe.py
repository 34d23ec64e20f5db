#!/usr/bin/env python3
# Reads screenshots and .anim files for the end-to-end scripts.
# Screenshots are raw RGB dumps of the 1920x1080 screen; CX CY is the client
# area's top-left corner on it, positions are client coordinates as the
# program counts them (origin bottom left, y up, 720 rows).
#   count SHOT CX CY X0 Y0 X1 Y1 COLOUR -> pixels of that colour in the box
#   feet SHOT CX CY X0 Y0 X1 Y1 COLOUR  -> centre x and lowest y of those pixels
#   frames FILE                         -> frame count, from the file's size
#   shown FILE FRAME ZOOM POLYLINE      -> "x y" per point, where the editor shows it
#   diff FILE_A A FILE_B B              -> "i dx dy" per point that pose B moved from pose A
#   icon XPROP_OUTPUT ICO               -> ok if every window icon is the .ico's image of its size
#   look SHEET.PNG LIST.JSON            -> "cellwidth cellheight scale colour thick partial": the first cell's
#                                          size, meta.scale, the lines' colour (white, black or mixed), pixels
#                                          at least half opaque with all 8 neighbours so, and part-opaque pixels
#   gifcells SHEET.PNG LIST.JSON GIF    -> ok if every GIF image is its cell over the background (black behind
#                                          white lines, white behind black), to within one of 16 levels
# A FILE ending in .bin is one bare pose (character.bin); its FRAME is ignored.
import json
import struct
import subprocess
import sys

COLOURS = {"white": (255, 255, 255), "red": (255, 0, 0), "green": (0, 255, 0), "yellow": (255, 255, 0),
           "grey50": (128, 128, 128), "onion": (191, 77, 77), "key": (255, 217, 77)}
POLYLINES = ((0, 6), (6, 4), (10, 9), (19, 9))


def matching(shot, cx, cy, x0, y0, x1, y1, colour):
    data, want = open(shot, "rb").read(), COLOURS[colour]
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            i = ((cy + 719 - y) * 1920 + cx + x) * 3
            if 0 <= cx + x < 1920 and 0 <= i < len(data) and all(abs(data[i + k] - want[k]) <= 40 for k in range(3)):
                yield x, y


def points(path, frame):
    start = 0 if path.endswith(".bin") else 4 + 224 * int(frame)
    return [struct.unpack_from("<ff", open(path, "rb").read(), start + 8 * i) for i in range(28)]


def rgba(path, *options):
    return subprocess.run(["convert", path, *options, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout


def sheet(png, listing):
    info = json.load(open(listing))
    first = next(iter(info["frames"].values()))["frame"]
    return info, rgba(png), info["meta"]["size"]["w"], first


def look(png, listing):
    info, data, width, cell = sheet(png, listing)
    alpha = data[3::4]
    height = len(alpha) // width
    colours = {data[i:i + 3] for i in range(0, len(data), 4) if data[i + 3] > 0}
    colour = {frozenset({b"\xff\xff\xff"}): "white", frozenset({b"\0\0\0"}): "black"}.get(frozenset(colours), "mixed")
    thick = sum(1 for y in range(1, height - 1) for x in range(1, width - 1)
                if all(alpha[(y + dy) * width + x + dx] >= 128 for dx in (-1, 0, 1) for dy in (-1, 0, 1)))
    print(cell["w"], cell["h"], info["meta"]["scale"], colour, thick, sum(1 for a in alpha if 0 < a < 255))


def gifcells(png, listing, gif):
    info, data, width, cell = sheet(png, listing)
    w, h = cell["w"], cell["h"]
    images = rgba(gif, "-coalesce")
    background = 255 if info["meta"]["lineColor"] == "black" else 0
    for k, entry in enumerate(info["frames"].values()):
        f = entry["frame"]
        image = images[4 * w * h * k:4 * w * h * (k + 1)]
        for y in range(h):
            for x in range(w):
                i = 4 * ((f["y"] + y) * width + f["x"] + x)
                over = background + (data[i] - background) * data[i + 3] / 255
                if abs(image[4 * (y * w + x)] - over) > 255 / 15:
                    return print(f"image {k} at ({x}, {y}): {image[4 * (y * w + x)]}, its cell over the background {over:.0f}")
    print("ok")


def main(command, args):
    if command in ("count", "feet"):
        found = list(matching(args[0], *(int(v) for v in args[1:7]), args[7]))
        xs, ys = [p[0] for p in found], [p[1] for p in found]
        print(len(found) if command == "count" else f"{(min(xs) + max(xs)) // 2} {min(ys)}")
    elif command == "frames":
        print((len(open(args[0], "rb").read()) - 4) // 224)
    elif command == "shown":
        first, count = POLYLINES[int(args[3])]
        for x, y in points(args[0], args[1])[first:first + count]:
            print(round(x * float(args[2]) + 640), round(y * float(args[2]) + 50))
    elif command == "diff":
        for i, (a, b) in enumerate(zip(points(*args[0:2]), points(*args[2:4]))):
            if a != b:
                print(i, f"{b[0] - a[0]:g}", f"{b[1] - a[1]:g}")
    elif command == "look":
        look(*args)
    elif command == "gifcells":
        gifcells(*args)
    elif command == "icon":
        values = [int(v) for v in open(args[0]).read().split("=")[1].split(",")]
        ico, ours = open(args[1], "rb").read(), {}
        for i in range(ico[4]):
            size, offset = ico[6 + 16 * i] or 256, struct.unpack_from("<I", ico, 18 + 16 * i)[0]
            rows = [ico[offset + 40 + 4 * size * row:][:4 * size] for row in reversed(range(size))]
            ours[size] = [argb for row in rows for argb in struct.unpack(f"<{size}I", row)]  # BGRA bytes
        while values and ours.get(values[0]) == values[2:2 + values[0] * values[1]]:
            values = values[2 + values[0] * values[1]:]
        print("ok" if not values else f"a {values[0]}x{values[1]} icon is not ours")


main(sys.argv[1], sys.argv[2:])

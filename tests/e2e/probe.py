#!/usr/bin/env python3
# Reads screenshots and .anim files for the end-to-end scripts.
# Screenshots are raw RGB dumps of the 1920x1080 screen; CX CY is the client
# area's top-left corner on it, positions are client coordinates as the
# program counts them (origin bottom left, y up, 720 rows).
#   count SHOT CX CY X0 Y0 X1 Y1 COLOUR -> pixels of that colour in the box
#   bbox SHOT CX CY X0 Y0 X1 Y1 COLOUR  -> x0 y0 x1 y1 of those pixels, or none
#   frames FILE                         -> frame count, or bad if the size disagrees
#   shown FILE FRAME ZOOM POLYLINE      -> "x y" per point, where the editor shows it
#   expect FILE_A A FILE_B B CHANGE...  -> yes if pose B is pose A with these changes
#     made in order, else the first difference: set:I:X:Y, shift:FIRST:COUNT:DX:DY,
#     copy:FILE:FRAME:FIRST:COUNT (points as in that pose), mid:FILE:FRAME (every
#     point midway to that pose)
#   icon XPROP_OUTPUT ICO              -> ok if every window icon is the .ico's image of its size
# A FILE ending in .bin is one bare pose (character.bin); its FRAME is ignored.
import struct
import sys

COLOURS = {"white": (255, 255, 255), "red": (255, 0, 0), "green": (0, 255, 0), "yellow": (255, 255, 0),
           "grey50": (128, 128, 128), "grey75": (191, 191, 191), "onion": (191, 77, 77),
           "helppanel": (41, 41, 51)}
POLYLINES = ((0, 6), (6, 4), (10, 9), (19, 9))


def matching(shot, cx, cy, x0, y0, x1, y1, colour):
    data, want = open(shot, "rb").read(), COLOURS[colour]
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            i = ((cy + 719 - y) * 1920 + cx + x) * 3
            if 0 <= cx + x < 1920 and 0 <= i < len(data) and all(abs(data[i + k] - want[k]) <= 40 for k in range(3)):
                yield x, y


def frames(path):
    data = open(path, "rb").read()
    count = struct.unpack_from("<I", data)[0] if len(data) >= 4 else -1
    return count if len(data) == 4 + 224 * count else "bad"


def points(path, frame):
    data = open(path, "rb").read()
    start = 0 if path.endswith(".bin") else 4 + 224 * int(frame)
    if len(data) < start + 224:
        sys.exit(f"{path}: no frame {frame}")
    return [struct.unpack_from("<ff", data, start + 8 * i) for i in range(28)]


def expect(a, b, changes):
    wanted = list(a)
    for change in changes:
        kind, *v = change.split(":")
        if kind == "set":
            wanted[int(v[0])] = (float(v[1]), float(v[2]))
        elif kind == "shift":
            for i in range(int(v[0]), int(v[0]) + int(v[1])):
                wanted[i] = (wanted[i][0] + float(v[2]), wanted[i][1] + float(v[3]))
        elif kind == "copy":
            first, end = int(v[2]), int(v[2]) + int(v[3])
            wanted[first:end] = points(v[0], v[1])[first:end]
        elif kind == "mid":
            wanted = [((p[0] + q[0]) / 2, (p[1] + q[1]) / 2) for p, q in zip(wanted, points(v[0], v[1]))]
    for i, (want, got) in enumerate(zip(wanted, b)):
        if abs(want[0] - got[0]) > 0.01 or abs(want[1] - got[1]) > 0.01:
            return f"point {i} is ({got[0]:g}, {got[1]:g}), expected ({want[0]:g}, {want[1]:g})"
    return "yes"


def main(command, args):
    if command == "count":
        print(sum(1 for _ in matching(args[0], *(int(v) for v in args[1:7]), args[7])))
    elif command == "bbox":
        found = list(matching(args[0], *(int(v) for v in args[1:7]), args[7]))
        xs, ys = [p[0] for p in found], [p[1] for p in found]
        print(f"{min(xs)} {min(ys)} {max(xs)} {max(ys)}" if found else "none")
    elif command == "frames":
        print(frames(args[0]))
    elif command == "shown":
        first, count = POLYLINES[int(args[3])]
        for x, y in points(args[0], args[1])[first:first + count]:
            print(round(x * float(args[2]) + 640), round(y * float(args[2]) + 50))
    elif command == "expect":
        print(expect(points(args[0], args[1]), points(args[2], args[3]), args[4:]))
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

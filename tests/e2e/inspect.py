#!/usr/bin/env python3
"""Reads screenshots and .anim files for the end-to-end scripts.

Screenshots are raw 8-bit RGB dumps of the whole 1920x1080 screen. Positions
are given in client coordinates of the program's window: origin at the
bottom-left corner, y up, as the program itself counts them.

  pixel  SHOT CX CY X Y                  -> rrggbb
  count  SHOT CX CY X0 Y0 X1 Y1 COLOUR    -> pixels of that colour in the box
  bbox   SHOT CX CY X0 Y0 X1 Y1 COLOUR    -> x0 y0 x1 y1 of those pixels, or none
  frames FILE                             -> frame count, or "bad" if the size disagrees
  point  FILE FRAME INDEX                 -> x y of one pose point
  pose   FILE FRAME                       -> the 28 points, one "x y" per line
  same   FILE_A FRAME_A FILE_B FRAME_B    -> yes if the two poses are byte-identical
A FILE ending in .bin is one bare pose (character.bin); its FRAME is ignored.
"""
import struct
import sys

SCREEN_W, SCREEN_H = 1920, 1080
CLIENT_H = 720
POSE_BYTES = 224
COLOURS = {
    "white": (255, 255, 255),
    "black": (0, 0, 0),
    "red": (255, 0, 0),
    "green": (0, 255, 0),
    "yellow": (255, 255, 0),
    "grey50": (128, 128, 128),
    "grey75": (191, 191, 191),
}
TOLERANCE = 40


def load_shot(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != SCREEN_W * SCREEN_H * 3:
        sys.exit(f"{path}: not a {SCREEN_W}x{SCREEN_H} RGB dump")
    return data


def screen_of(cx, cy, x, y):
    return cx + x, cy + CLIENT_H - 1 - y


def rgb_at(data, sx, sy):
    if not (0 <= sx < SCREEN_W and 0 <= sy < SCREEN_H):
        return None
    i = (sy * SCREEN_W + sx) * 3
    return data[i], data[i + 1], data[i + 2]


def matches(rgb, colour):
    return rgb is not None and all(abs(a - b) <= TOLERANCE for a, b in zip(rgb, colour))


def matching_pixels(args):
    data = load_shot(args[0])
    cx, cy, x0, y0, x1, y1 = (int(v) for v in args[1:7])
    colour = COLOURS[args[7]]
    for y in range(min(y0, y1), max(y0, y1) + 1):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            if matches(rgb_at(data, *screen_of(cx, cy, x, y)), colour):
                yield x, y


def read_anim(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 4:
        return None, data
    count = struct.unpack_from("<I", data)[0]
    if len(data) != 4 + POSE_BYTES * count:
        return None, data
    return count, data


def pose_bytes(path, frame):
    if path.endswith(".bin"):  # a bare pose, as character.bin holds it
        with open(path, "rb") as f:
            return f.read(POSE_BYTES)
    count, data = read_anim(path)
    if count is None or not 0 <= frame < count:
        sys.exit(f"{path}: no frame {frame}")
    start = 4 + POSE_BYTES * frame
    return data[start:start + POSE_BYTES]


def main(argv):
    command, args = argv[1], argv[2:]
    if command == "pixel":
        data = load_shot(args[0])
        rgb = rgb_at(data, *screen_of(*(int(v) for v in args[1:5])))
        print("none" if rgb is None else "%02x%02x%02x" % rgb)
    elif command == "count":
        print(sum(1 for _ in matching_pixels(args)))
    elif command == "bbox":
        found = list(matching_pixels(args))
        if not found:
            print("none")
        else:
            xs, ys = [p[0] for p in found], [p[1] for p in found]
            print(min(xs), min(ys), max(xs), max(ys))
    elif command == "frames":
        count, _ = read_anim(args[0])
        print("bad" if count is None else count)
    elif command == "point":
        pose = pose_bytes(args[0], int(args[1]))
        x, y = struct.unpack_from("<ff", pose, 8 * int(args[2]))
        print(f"{x:g} {y:g}")
    elif command == "pose":
        pose = pose_bytes(args[0], int(args[1]))
        for i in range(28):
            x, y = struct.unpack_from("<ff", pose, 8 * i)
            print(f"{x:g} {y:g}")
    elif command == "same":
        a = pose_bytes(args[0], int(args[1]))
        b = pose_bytes(args[2], int(args[3]))
        print("yes" if a == b else "no")
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main(sys.argv)

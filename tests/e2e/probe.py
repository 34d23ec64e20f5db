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
  expect FILE_A FRAME_A FILE_B FRAME_B CHANGE... -> yes if pose B is pose A with only
         these changes: set:I:X:Y (point I is X,Y) or shift:FIRST:COUNT:DX:DY
         (those points moved by DX,DY) or copy:FILE:FRAME:FIRST:COUNT (those points
         as in that pose); otherwise the first difference
  shown  FILE FRAME ZOOM POLYLINE         -> "index x y" per point, window position
  pickable FILE FRAME ZOOM POLYLINE       -> "index x y" of the first point after the
         first that no earlier point of the polyline would be picked instead of
  handles SHOT CX CY FILE FRAME ZOOM POLYLINE -> ok if every point of the polyline
         shows a yellow or red handle and no point of another polyline does
A FILE ending in .bin is one bare pose (character.bin); its FRAME is ignored.
"""
import struct
import sys

SCREEN_W, SCREEN_H = 1920, 1080
CLIENT_H = 720
POSE_BYTES = 224
POLYLINE_FIRST = (0, 6, 10, 19)
POLYLINE_COUNT = (6, 4, 9, 9)
EDITOR_ORIGIN = (640.0, 50.0)
PICK_RADIUS = 9.0
COLOURS = {
    "white": (255, 255, 255),
    "black": (0, 0, 0),
    "red": (255, 0, 0),
    "green": (0, 255, 0),
    "yellow": (255, 255, 0),
    "grey50": (128, 128, 128),
    "grey75": (191, 191, 191),
    "onionprevious": (191, 77, 77),
    "onionnext": (77, 153, 191),
    "helppanel": (41, 41, 51),
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


def points_of(path, frame):
    pose = pose_bytes(path, frame)
    return [struct.unpack_from("<ff", pose, 8 * i) for i in range(28)]


def shown_positions(path, frame, zoom, polyline):
    first, count = POLYLINE_FIRST[polyline], POLYLINE_COUNT[polyline]
    points = points_of(path, frame)
    return [(i, points[first + i][0] * zoom + EDITOR_ORIGIN[0], points[first + i][1] * zoom + EDITOR_ORIGIN[1])
            for i in range(count)]


def expect(args):
    a, b = points_of(args[0], int(args[1])), points_of(args[2], int(args[3]))
    wanted = list(a)
    for change in args[4:]:
        kind, *values = change.split(":")
        if kind == "set":
            wanted[int(values[0])] = (float(values[1]), float(values[2]))
        elif kind == "shift":
            first, count, dx, dy = int(values[0]), int(values[1]), float(values[2]), float(values[3])
            for i in range(first, first + count):
                wanted[i] = (a[i][0] + dx, a[i][1] + dy)
        elif kind == "copy":
            source = points_of(values[0], int(values[1]))
            first, count = int(values[2]), int(values[3])
            wanted[first:first + count] = source[first:first + count]
        else:
            sys.exit(f"unknown change {change}")
    for i, (want, got) in enumerate(zip(wanted, b)):
        if abs(want[0] - got[0]) > 0.01 or abs(want[1] - got[1]) > 0.01:
            return f"point {i} is ({got[0]:g}, {got[1]:g}), expected ({want[0]:g}, {want[1]:g})"
    return "yes"


def on_screen(x, y):
    return 4 <= x <= 1275 and 4 <= y <= 715


def pickable(args):
    shown = shown_positions(args[0], int(args[1]), float(args[2]), int(args[3]))
    for i, x, y in shown[1:]:
        earlier = [(ex, ey) for _, ex, ey in shown[:i]]
        # Well clear of the pick radius of every earlier point, allowing for rounding.
        if on_screen(x, y) and all((x - ex) ** 2 + (y - ey) ** 2 > (PICK_RADIUS + 3) ** 2 for ex, ey in earlier):
            return f"{i} {round(x)} {round(y)}"
    return "none"


def handle_shown(data, cx, cy, x, y):
    hits = 0
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            rgb = rgb_at(data, *screen_of(cx, cy, round(x) + dx, round(y) + dy))
            if matches(rgb, COLOURS["yellow"]) or matches(rgb, COLOURS["red"]):
                hits += 1
    return hits >= 5


def handles(args):
    data = load_shot(args[0])
    cx, cy = int(args[1]), int(args[2])
    path, frame, zoom, polyline = args[3], int(args[4]), float(args[5]), int(args[6])
    mine = shown_positions(path, frame, zoom, polyline)
    for i, x, y in mine:
        if on_screen(x, y) and not handle_shown(data, cx, cy, x, y):
            return f"point {i} of polyline {polyline} at ({x:g}, {y:g}) shows no handle"
    for other in range(4):
        if other == polyline:
            continue
        for i, x, y in shown_positions(path, frame, zoom, other):
            clear = all((x - mx) ** 2 + (y - my) ** 2 > 100 for _, mx, my in mine)
            if clear and on_screen(x, y) and handle_shown(data, cx, cy, x, y):
                return f"point {i} of polyline {other} at ({x:g}, {y:g}) shows a handle"
    return "ok"


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
    elif command == "expect":
        print(expect(args))
    elif command == "shown":
        for i, x, y in shown_positions(args[0], int(args[1]), float(args[2]), int(args[3])):
            print(i, round(x), round(y))
    elif command == "pickable":
        print(pickable(args))
    elif command == "handles":
        print(handles(args))
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main(sys.argv)

"""Writes the Linux tarball of scripts/package: a folder "Marionette Room/" with the program, the data
files, README.txt (the Windows one with its Linux parts), marionette-room.desktop and marionette-room.png
(the .ico's largest image). Entries are sorted, dated stamp, owned by root, so the same tree packs the
same bytes.
Usage: package-linux.py <out> <version> <stamp> <program> <README.txt.in> <marionette.ico> <data files...>"""
import gzip
import io
import os
import struct
import sys
import tarfile
import zlib

out, version, stamp, program, readme, icon = sys.argv[1:7]
folder = "Marionette Room"
stamp = int(stamp)

starting = """Starting it
-----------

Open a terminal in this folder and run ./marionette, or open
marionette-room.desktop from the file manager (some ask you to allow it to
launch first). Keep the files of this folder together: the program reads
character.bin, idle.anim, walk_cycle.anim and jump.anim from the folder it
starts in.

It needs an X display (or XWayland) and a graphics driver with OpenGL 3.3
or later. Without them the program says why on the terminal and ends.
Control+C in the terminal, closing it, or a shutdown ends the program as
closing its window does, unsaved edits saved first (see below).
Text is drawn with the font that fontconfig offers for Verdana, usually
DejaVu Sans.


"""

desktop = """[Desktop Entry]
Type=Application
Name=Marionette Room
Comment=Animate a stick figure, pose by pose
Exec=sh -c "cd \\\\"\\\\$(dirname \\\\"\\\\$0\\\\")\\\\" && exec ./marionette" %k
Icon=marionette-room
Terminal=false
Categories=Graphics;2DGraphics;
StartupWMClass=marionette
"""


def fail(message):
    sys.exit(f"package: {message}")


def read(path):
    if not os.path.isfile(path) or os.path.getsize(path) == 0:
        fail(f"missing or empty: {path}")
    with open(path, "rb") as f:
        return f.read()


def linux_readme(text):
    begin = text.find("Starting it\n")
    end = text.find("Controls\n", begin)
    if begin < 0 or end < 0:
        fail("README.txt.in has no 'Starting it' section before 'Controls'")
    text = text[:begin] + starting + text[end:]
    text = text.replace("when you double-click marionette.exe", "when you start it from this folder")
    return text.replace("for 64-bit Windows.", "for 64-bit Linux (x86-64).").replace("@VERSION@", version)


def png_from_ico(data):
    """The largest image of the .ico (32-bit BGRA rows bottom-up) as an RGBA PNG."""
    count = struct.unpack_from("<H", data, 4)[0]
    entries = [struct.unpack_from("<BBxxHHII", data, 6 + 16 * i) for i in range(count)]
    width, _, _, _, _, offset = max(entries, key=lambda e: e[0] or 256)
    size = width or 256
    pixels = data[offset + 40:offset + 40 + size * size * 4]
    if len(pixels) != size * size * 4:
        fail("marionette.ico is cut short")
    rows = b""
    for y in range(size):
        row = pixels[(size - 1 - y) * size * 4:(size - y) * size * 4]
        rgba = bytearray(row)
        rgba[0::4], rgba[2::4] = row[2::4], row[0::4]
        rows += b"\0" + bytes(rgba)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


files = {"marionette": (read(program), 0o755)}
for path in sys.argv[7:]:
    files[os.path.basename(path)] = (read(path), 0o644)
with open(readme, encoding="utf-8") as f:
    files["README.txt"] = (linux_readme(f.read()).encode("utf-8"), 0o644)
files["marionette-room.desktop"] = (desktop.encode("utf-8"), 0o755)
files["marionette-room.png"] = (png_from_ico(read(icon)), 0o644)


def entry(name, mode, size=0, kind=tarfile.REGTYPE):
    info = tarfile.TarInfo(name)
    info.mode, info.size, info.type, info.mtime = mode, size, kind, stamp
    info.uid = info.gid = 0
    info.uname = info.gname = "root"
    return info


with open(out, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=stamp, compresslevel=9) as packed:
    with tarfile.open(fileobj=packed, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        archive.addfile(entry(folder, 0o755, kind=tarfile.DIRTYPE))
        for name in sorted(files):
            content, mode = files[name]
            archive.addfile(entry(f"{folder}/{name}", mode, len(content)), io.BytesIO(content))

with tarfile.open(out) as archive:
    expected = [folder] + [f"{folder}/{name}" for name in sorted(files)]
    if archive.getnames() != expected:
        fail("the written tarball does not read back as expected")

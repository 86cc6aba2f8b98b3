#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the samples and data files.

Run from the repository root: python3 fuzz/make_seeds.py
The seeds are committed; rerun this only when the input formats of the
targets change.
"""
import os
import struct

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
marker = b"\n@@\n"


def read(path):
    with open(os.path.join(root, path), "rb") as f:
        return f.read()


def write(directory, name, data):
    path = os.path.join(root, "fuzz", "corpus", directory, name)
    with open(path, "wb") as f:
        f.write(data)


def convert_input(track, element_list, library):
    return struct.pack("<H", len(track)) + track + element_list + marker + library


zuxlist = read("src/zuxlist")
mdls4zu = read("src/mdls4zu")
tiny_library = b"models 1\nmodel 8 start\nbox 0 0 0 1 1 1\nend\n"

# Samples with the default element list; the full model library once only.
write("convert", "circuit", convert_input(read("samples/circuit.trk"), zuxlist, mdls4zu))
for name in ["start-0", "start-90", "start-180", "start-270", "full-grid", "terrain-only"]:
    write("convert", name, convert_input(read("samples/%s.trk" % name), zuxlist, tiny_library))

# Small tracks (short files read as code 255) with small element lists.
start = bytes(30) + bytes([70]) + bytes(900 - 31) + b"\0" + bytes([6]) * 900
small_lists = {
    "two-entries": b"n 30 t 41 whr 0\nt 42 wr 2\nn 31 t 0 r 0\nt 43 hr 3\n",
    "code-255": b"n 255 t 99 r 1\nt 8 r 0\n",
    "upper-case": b"N 4 T 7 WHR 1\n",
    "redefined": b"n 4 t 7 wr 0 n 4 t 9 r 1\n",
    "stray-rotation": b"n 4 t 7 r 0\nwr 3\n",
    "t-expected": b"n 4\nn 5 t 7 r 0\n",
    "some-error": b"n 4 t 7\n",
    "too-long": b"n 4 t 7 r 0\n\n  " + b"a" * 32 + b"\n",
    "out-of-range": b"n 4294967295 t 7 r 0\n",
    "t-first": b"\nt 7 r 0\nn 4 t 7 r 0\n",
    "signed": b"n 4 t -1 r 0\n",
    "cr-and-eof": b"n 4 t 7 r 0\r\nn 5\rt 8 r 1\x1an 6 t 9 r 2\n",
}
for name, element_list in small_lists.items():
    write("convert", "list-" + name, convert_input(b"\xff" * 30, element_list, tiny_library))
write("convert", "start-element", convert_input(start, b"n 70 t 8 r 3\n", b"x"))
write("convert", "empty", b"")
# Byte 1 first: the text is moved up against the end of the 64 KiB block.
write("convert", "block-boundary",
      convert_input(start, b"\x01\x0en 70 t 8 r 1\r\nn 5 \rt 8 r 1\n",
                    b"\x01\x0ea\r\nb\r\rc\nd\n"))
write("convert", "library-text-mode",
      convert_input(b"", b"", b"a\r\nb\r\rc\nd\x1ae\n" + b"last line\r"))

# The token reader: a script of operations, then files (keyword list line,
# then text). Operation bytes: 8*i+0 readtok(file i), 1 tkgetint,
# 2 tkgetfloat, 3 tkgetword, 4 tkgetstring, 5 tkprint, 6 tkmatch(len, bytes),
# 7 tkrelease.
def script(*ops):
    return bytes(ops)


def tok_input(ops, *files):
    return marker.join([ops] + list(files))


keys = b"n:t:r:wr:hr:whr\n"
write("tokreader", "element-list",
      tok_input(script(0, 3, 1, 3, 1, 3, 1, 3, 1, 3, 1, 3, 7), keys + zuxlist))
write("tokreader", "all-getters",
      tok_input(script(0, 4, 5, 1, 5, 2, 5, 3, 4, 4, 4, 3, 3, 7),
                keys + b"abc 007 -5 5. .5 1e5 1.5e-3 2.e1 5e- E5 +5 1e3.5 a_b\n"))
write("tokreader", "stacked",
      tok_input(script(0, 8, 3, 1, 7, 3, 1, 7, 16, 7), keys + b"t 5\n", b"a::b\nB b a\n",
                b":\n" + b"x" * 31 + b" " + b"y" * 32 + b"\n"))
write("tokreader", "match",
      tok_input(script(6, 2, ord("W"), ord("R"), 0, 6, 3, ord("W"), ord("h"), ord("R"), 7),
                keys + b"n\n"))
write("tokreader", "numbers",
      tok_input(script(0, 1, 1, 2, 2, 2, 4, 4, 4, 1, 7),
                keys + b"4294967297 2147483648 16777217 - . e5 123 -0 .e\n"))
write("tokreader", "text-mode",
      tok_input(script(0, 4, 4, 4, 4, 4, 4, 7),
                keys + b"ab\rcd ef\r\r gh\r\n ij\x1a kl\n"))
write("tokreader", "deep", tok_input(script(*([0] * 17), *([7] * 17)), keys + b"n\n"))
write("tokreader", "empty-stack", script(1, 2, 3, 4, 5, 7, 24))
write("tokreader", "block-boundary",
      tok_input(script(0, 4, 4, 4, 4, 4, 7), keys + b"\x01\x0fab\rcd ef\r\r gh\r\n ij\n"))

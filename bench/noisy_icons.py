#!/usr/bin/env python3
"""Noisy icons for the collection benchmarks: 16 kinds of .ico data with five formats each (32x32 and 16x16
at 32 bits, 32x32 and 16x16 at 256 colours, 16x16 at 16 colours), 9,374 bytes each, icon N of kind N % 16.

    noisy_icons.py files DIR COUNT      DIR/icon000000.ico ...
    noisy_icons.py library PATH COUNT   a library in the file's own layout: UTF-16 text, header and tree rows,
                                        "My Icons" listing every icon, names "Icon N", keywords
                                        "word, word, shape N"
"""
import os
import random
import sqlite3
import struct
import sys

WORDS = ["red", "blue", "green", "arrow", "star", "folder", "disk", "user", "mail", "print", "home", "gear",
         "lock", "key", "cloud", "music", "video", "chart", "flag", "heart"]


def kinds():
    rnd = random.Random(1108)

    def dib(n, bits):
        colours = 1 << bits if bits <= 8 else 0
        stride = ((n * bits + 31) // 32) * 4
        mask = ((n + 31) // 32) * 4 * n
        data = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, 0, 0, 0, 0, 0)
        data += rnd.randbytes(colours * 4 + stride * n) + bytes(mask)
        entry = struct.pack('<BBBBHHI', n, n, colours if colours < 256 else 0, 0, 1, bits, len(data))
        return entry, data

    def icon():
        images = [dib(32, 32), dib(16, 32), dib(32, 8), dib(16, 8), dib(16, 4)]
        out = struct.pack('<HHH', 0, 1, len(images))
        off = 6 + 16 * len(images)
        for entry, data in images:
            out += entry + struct.pack('<I', off)
            off += len(data)
        return out + b''.join(data for _, data in images)

    return [icon() for _ in range(16)]


def write_files(folder, count):
    icons = kinds()
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        with open(os.path.join(folder, 'icon%06d.ico' % i), 'wb') as f:
            f.write(icons[i % 16])


def write_library(path, count):
    def record(depth, node, image, title):
        t = title.encode('utf-16-le')
        return struct.pack('<iiii', depth, node, image, image) + t + bytes(512 - len(t))

    icons = kinds()
    db = sqlite3.connect(path)
    db.execute("pragma encoding='UTF-16le'")
    db.execute("create table main(id integer primary key, data blob)")
    db.execute("create table nodes(id integer primary key, data blob)")
    db.execute("create table icons(id integer primary key, data blob, name nvarchar(256), kwds nvarchar(256))")
    db.execute("insert into main values(1, ?)", (bytes(8) + struct.pack('<ii', 1, count + 1),))
    db.execute("insert into main values(2, ?)",
               (record(0, -1, 0, "My Icons") + record(0, -2, 3, "Find Results"),))
    db.execute("insert into nodes values(-1, ?)", (struct.pack('<%di' % count, *range(1, count + 1)),))
    db.executemany("insert into icons values(?, ?, ?, ?)",
                   ((i + 1, icons[i % 16], "Icon %d" % i,
                     "%s, %s, shape %d" % (WORDS[i % 20], WORDS[(i // 20) % 20], i % 997))
                    for i in range(count)))
    db.commit()


if __name__ == '__main__':
    what, target, number = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if what == 'files':
        write_files(target, number)
    elif what == 'library':
        write_library(target, number)
    else:
        sys.exit(__doc__)

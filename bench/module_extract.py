#!/usr/bin/env python3
"""Extracting every icon group of a large module: pictavo-cli against wrestool and icoextract.

Builds a DLL of several hundred icon groups with binutils for Windows (windres and ld), then extracts all of
its groups to .ico files once with each tool, measuring wall time and peak memory of each process, checks that
all produced the same icons, and prints the ratios. The tools come from scripts/install-check-deps.sh.

Usage: bench/module_extract.py [--cli build/bin/pictavo-cli] [--groups 600] [--repeat 1] [--keep DIR]
With --repeat N every tool runs N times and its best run counts (a busy machine disturbs single runs).
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ICOEXTRACT_ALL = r"""
import sys
from icoextract import IconExtractor
ex = IconExtractor(sys.argv[1])
for i in range(len(ex.list_group_icons())):
    ex.export_icon("%s/%d.ico" % (sys.argv[2], i), num=i)
"""


def dib(w, h, bits, fill):
    stride = ((w * bits + 31) // 32) * 4
    mask = ((w + 31) // 32) * 4
    data = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, stride * h, 0, 0, 0, 0)
    if bits <= 8:
        data += b"\0" * (4 << bits)
    return data + bytes([fill]) * (stride * h) + b"\0" * (mask * h)


def png_like(w, h, n, seed):
    # A PNG signature and IHDR followed by filler: readers copy it, none decodes it.
    head = b"\x89PNG\r\n\x1a\n" + struct.pack(">I4sII", 13, b"IHDR", w, h)
    return head + bytes((seed + i) & 0xFF for i in range(n))


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for w, h, bits, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def run(cmd):
    """Runs a command once: its wall, user and system time in seconds and its peak resident memory in KiB."""
    # Dirty pages of earlier steps would otherwise be flushed at the expense of whichever tool runs next.
    os.sync()
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s\n%s" % (" ".join(cmd), err))
    return elapsed, usage.ru_utime, usage.ru_stime, usage.ru_maxrss


def read_icons(folder, strip_padding):
    icons = []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        if strip_padding:
            count = struct.unpack_from("<H", data, 4)[0]
            data = data[: len(data) - (6 + 14 * count)]
        icons.append(data)
    return sorted(icons)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(here, "..", "build", "bin", "pictavo-cli"))
    parser.add_argument("--groups", type=int, default=600)
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--keep", help="keep the work folder here")
    args = parser.parse_args()
    for tool in ("x86_64-w64-mingw32-windres", "x86_64-w64-mingw32-ld", "wrestool"):
        if not shutil.which(tool):
            sys.exit("%s is missing: run scripts/install-check-deps.sh" % tool)
    cli = os.path.abspath(args.cli)
    work = args.keep or tempfile.mkdtemp(prefix="pictavo-bench-")
    os.makedirs(work, exist_ok=True)

    # Distinct icons of four to six images each; the module holds each as its own group.
    rc = []
    for g in range(args.groups):
        images = [(16, 16, 32, dib(16, 16, 32, g & 0xFF)), (32, 32, 32, dib(32, 32, 32, (g + 1) & 0xFF)),
                  (48, 48, 32, dib(48, 48, 32, (g + 2) & 0xFF)), (32, 32, 8, dib(32, 32, 8, (g + 3) & 0xFF))]
        if g % 2 == 0:
            images.append((256, 256, 32, png_like(256, 256, 12000 + g, g)))
        if g % 3 == 0:
            images.append((24, 24, 4, dib(24, 24, 4, g & 0x0F)))
        name = "g%d.ico" % g
        with open(os.path.join(work, name), "wb") as f:
            f.write(ico(images))
        rc.append('%s ICON "%s"' % ("ICON_%d" % g if g % 4 == 0 else str(g + 1), name))
    with open(os.path.join(work, "big.rc"), "w") as f:
        f.write("\n".join(rc) + "\n")
    with open(os.path.join(work, "pp.sh"), "w") as f:
        f.write('#!/bin/sh\nfor a; do last=$a; done\ncat "$last"\n')
    os.chmod(os.path.join(work, "pp.sh"), 0o755)
    subprocess.run(["x86_64-w64-mingw32-windres", "--preprocessor=./pp.sh", "big.rc", "-O", "coff", "-o", "big.o"],
                   cwd=work, check=True)
    subprocess.run(["x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", "big.dll", "big.o"], cwd=work, check=True)
    module = os.path.join(work, "big.dll")
    print("module: %d icon groups, %.1f MiB" % (args.groups, os.path.getsize(module) / 1048576))

    # icoextract's own command extracts one group per start; its library opens the module once for all.
    python = next((p for p in (sys.executable, "/usr/bin/python3")
                   if subprocess.run([p, "-c", "import icoextract"], capture_output=True).returncode == 0), None)
    have_icoextract = python is not None
    if not have_icoextract:
        print("icoextract is missing: compared with wrestool only")
    outs = {name: os.path.join(work, "out-" + name) for name in ("pictavo", "wrestool", "icoextract")}
    commands = {
        "pictavo": [cli, "extract", module, outs["pictavo"]],
        "wrestool": ["wrestool", "-x", "-t", "14", "-o", outs["wrestool"], module],
    }
    if have_icoextract:
        commands["icoextract"] = [python, "-c", ICOEXTRACT_ALL, module, outs["icoextract"]]
    results = {}
    for name, cmd in commands.items():
        for _ in range(max(1, args.repeat)):
            shutil.rmtree(outs[name], ignore_errors=True)
            os.makedirs(outs[name])
            measured = run(cmd)
            if name not in results or measured[0] < results[name][0]:
                results[name] = measured

    ours = read_icons(outs["pictavo"], False)
    if len(ours) != args.groups or ours != read_icons(outs["wrestool"], True):
        sys.exit("pictavo-cli and wrestool extracted different icons")
    if have_icoextract and ours != read_icons(outs["icoextract"], False):
        sys.exit("pictavo-cli and icoextract extracted different icons")

    # Every tool creates one file per group; on a busy file system that system time dominates and is the
    # same for all, so the user time is shown apart.
    print("%-12s %10s %10s %10s %10s" % ("tool", "seconds", "user", "system", "peak MiB"))
    for name, (secs, user, system, rss) in results.items():
        print("%-12s %10.3f %10.3f %10.3f %10.1f" % (name, secs, user, system, rss / 1024))
    ours = results["pictavo"]
    others = [v for k, v in results.items() if k != "pictavo"]
    print("speed: %.1fx faster in wall time, %.1fx in user time than the faster other tool (target 3x)" %
          (min(v[0] for v in others) / ours[0], min(v[1] for v in others) / max(ours[1], 0.001)))
    print("memory: %.2fx the lowest peak of the others (target below 1)" % (ours[3] / min(v[3] for v in others)))
    if not args.keep:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

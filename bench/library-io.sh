#!/usr/bin/env bash
# End-to-end figures of pictavo-cli on library import and export, each beside a floor measured in the same
# run on the same bytes: importing a folder tree of 10,000 mixed files (ico, png, icl) against copying the
# tree, and exporting every icon to .ico and to .png against copying the files the export wrote. Prints the
# timings and the ratios; nothing is asserted.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x build/bin/pictavo-cli ] || scripts/build.sh
cli="$PWD/build/bin/pictavo-cli"
folders=${1:-100}
per_folder=${2:-100}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds a command takes, with three decimals.
timed() {
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null
  t1=$(date +%s.%N)
  python3 -c "print(f'{$t1 - $t0:.3f}')"
}

ratio() {
  python3 -c "print(f'{$1 / $2:.2f}')"
}

# The tree: per folder 85 % icon files (32x32 and 16x16 at 32 bits, 16x16 at 256 colours, noisy pixels),
# 10 % PNG pictures of 48x48 and 5 % icon libraries of two icons.
python3 - "$work/tree" "$folders" "$per_folder" <<'PY'
import os, random, struct, sys, zlib
root, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rnd = random.Random(7)

def dib(n, bits):
    colours = 256 if bits == 8 else 0
    stride = ((n * bits + 31) // 32) * 4
    mask = ((n + 31) // 32) * 4 * n
    head = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, 0, 0, 0, 0, 0)
    return head + bytes(4 * colours) + rnd.randbytes(stride * n) + bytes(mask)

def ico(images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, bits, data in images:
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b''.join(d for _, _, d in images)

def png(n):
    raw = b''.join(b'\0' + rnd.randbytes(4 * n) for _ in range(n))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', n, n, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

# Every icon gets a name of its own, as in a real collection, so that the exports write one file each.
os.makedirs(os.path.join(root, 'seed'))
for d in range(folders):
    for i in range(0, per, 20):
        for half in 'ab':
            with open(os.path.join(root, 'seed', f'g{d:03d} icon {i:03d}{half}.ico'), 'wb') as f:
                f.write(ico([(32, 32, dib(32, 32)), (16, 32, dib(16, 32)), (16, 8, dib(16, 8))]))
for d in range(folders):
    folder = os.path.join(root, 'icons', f'group {d:03d}')
    os.makedirs(folder)
    for i in range(per):
        kind = i % 20
        if kind == 0:
            continue  # icon libraries are added by the shell
        path = os.path.join(folder, f'g{d:03d} icon {i:03d}')
        if kind in (1, 2):
            with open(path + '.png', 'wb') as f:
                f.write(png(48))
        else:
            with open(path + '.ico', 'wb') as f:
                f.write(ico([(32, 32, dib(32, 32)), (16, 32, dib(16, 32)), (16, 8, dib(16, 8))]))
PY
for d in $(seq 0 $((folders - 1))); do
  for i in $(seq 0 20 $((per_folder - 1))); do
    name=$(printf 'g%03d icon %03d' "$d" "$i")
    "$cli" make-icl "$work/tree/icons/group $(printf %03d "$d")/$name.icl" \
      "$work/tree/seed/${name}a.ico" "$work/tree/seed/${name}b.ico"
  done
done
files=$(find "$work/tree/icons" -type f | wc -l)

"$cli" new "$work/lib.pctv"
import_s=$(timed "$cli" import-tree "$work/lib.pctv" "$work/tree/icons")
copy_s=$(timed cp -r "$work/tree/icons" "$work/copy")
icons=$("$cli" info --json "$work/lib.pctv" | python3 -c 'import json,sys; print(json.load(sys.stdin)["icons"])')

mkdir "$work/ico" "$work/png"
ico_s=$(timed "$cli" export "$work/lib.pctv" "$work/ico" --type ico)
ico_copy_s=$(timed cp -r "$work/ico" "$work/ico-copy")
png_s=$(timed "$cli" export "$work/lib.pctv" "$work/png" --type png)
png_copy_s=$(timed cp -r "$work/png" "$work/png-copy")
pngs=$(find "$work/png" -type f | wc -l)

echo "import-tree of $files files ($icons icons): ${import_s} s; copying the tree: ${copy_s} s;" \
  "ratio $(ratio "$import_s" "$copy_s")"
echo "export of $icons icons to .ico: ${ico_s} s; copying the files written: ${ico_copy_s} s;" \
  "ratio $(ratio "$ico_s" "$ico_copy_s")"
echo "export of $icons icons to .png ($pngs files): ${png_s} s; copying the files written: ${png_copy_s} s;" \
  "ratio $(ratio "$png_s" "$png_copy_s")"

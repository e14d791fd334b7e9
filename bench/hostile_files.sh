#!/usr/bin/env bash
# Data folders with hostile files dropped in, for bench_title (start-up time and
# resident memory of the real program under the current X display):
#   bench/hostile_files.sh <program folder> <out folder>
#   <build>/bin/bench_title <out folder>/<case> 1
# The program folder holds data.bin and data/stagedata (build/bin after
# scripts/play.sh). The large files are sparse: a few MB on disk.
#   normal  the game's own data
#   count   data.bin: "PACK" and 53,687,092 entries, whose 80-byte records
#           wrap 32 bits to 64 bytes (4.29 GB)
#   dir15m  data.bin: a directory of 15 million entries (1.2 GB)
#   pipe    a named pipe at data/img/title.png
#   font    data/font.lfd naming its sheet "\xFD/../\xFD/../../../x": split at
#           the "/" it is x.tga beside bench_title's scratch folder, where one is put
#   many    300,000 empty files in data/
#   sched   the stage-1 enemy schedules at the 64 MB text limit
#   caps    files at every cap together: the title's four sheets as 4096x4096
#           PNGs, two effects as 62 MiB WAVs, and font.lfd a 256 MiB LZSS block
#           stating 256 MiB decoded
set -euo pipefail
program=$(realpath "$1")
out=$2
[ -f "$program/data.bin" ] && [ -d "$program/data/stagedata" ] || { echo "no data.bin or data/stagedata in $program" >&2; exit 2; }
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
own() {  # a case folder with the game's own data
  mkdir -p "$out/$1"
  ln -s "$program/data.bin" "$out/$1/data.bin"
  cp -r "$program/data" "$out/$1/data"
}
own normal
mkdir -p "$out/count" "$out/dir15m"
python3 - "$out" <<'EOF'
import struct, sys
out = sys.argv[1]
for case, count in (("count", 53687092), ("dir15m", 15000000)):
    with open(f"{out}/{case}/data.bin", "wb") as f:
        f.write(b"PACK" + struct.pack("<I", count))
        f.truncate(8 + count * 80)
EOF
own pipe
mkdir -p "$out/pipe/data/img"
mkfifo "$out/pipe/data/img/title.png"
own font
python3 - "$out" "${TMPDIR:-/tmp}" <<'EOF'
import struct, sys
out, tmp = sys.argv[1], sys.argv[2]
name = b"\xfd/../\xfd/../../../x"
font = b"LFD\0" + bytes([16, 1]) + struct.pack("<HHH", 16, 16, 0) + b"\xff" * (12844 * 2) + name.ljust(32, b"\0")
open(f"{out}/font/data/font.lfd", "wb").write(font)
open(f"{tmp}/x.tga", "wb").write(struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, 1, 1, 32, 8) + b"\xff" * 4)
EOF
own many
python3 - "$out" <<'EOF'
import sys
for i in range(300000):
    open(f"{sys.argv[1]}/many/data/f{i:06d}.dat", "wb").close()
EOF
own sched
python3 - "$out" <<'EOF'
import sys
line = b"100 -20 1 600000 0 0 0 1 0 10\n"
text = line * ((64 * 1024 * 1024 - 1) // len(line))
for difficulty in range(3):
    open(f"{sys.argv[1]}/sched/data/stagedata/Stage01{difficulty}Enemy.dat", "wb").write(text)
EOF
own caps
mkdir -p "$out/caps/data/img" "$out/caps/data/SE"
python3 - "$out/caps/data" <<'EOF'
import struct, sys, zlib
data, side = sys.argv[1], 4096
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
pixels = zlib.compress((b"\0" + b"\x80\x40\x20\xff" * side) * side, 9)
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)) +
       chunk(b"IDAT", pixels) + chunk(b"IEND", b""))
for name in ("title", "config", "ranking", "name"):
    open(f"{data}/img/{name}.png", "wb").write(png)
samples = 62 << 20
for name in ("titlefocus", "titledecide"):
    with open(f"{data}/SE/{name}.wav", "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + samples) + b"WAVEfmt " +
                struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" + struct.pack("<I", samples))
        f.truncate(44 + samples)
with open(f"{data}/font.lfd", "wb") as f:
    f.write(b"LZSS" + struct.pack("<I", 256 << 20))
    f.truncate(256 << 20)
EOF
ls "$out"

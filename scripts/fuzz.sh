#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder, runs each for
# a bounded time from a small generated seed corpus, and fails on any crash or
# sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QUENRITH_FUZZ_BUILD:-build-fuzz}
seconds=${QUENRITH_FUZZ_SECONDS:-30}
targets=(fuzz_lzss fuzz_pack fuzz_lag fuzz_lfd fuzz_effect fuzz_shader fuzz_xfile fuzz_model fuzz_score fuzz_volume fuzz_keymap
  fuzz_stage fuzz_wave fuzz_tga fuzz_dds fuzz_bmp fuzz_profile fuzz_vorbis fuzz_png fuzz_jpeg)
# Memory a run may take, in MB. A model file that makes the loader copy without
# end must fail its run well before the machine runs short. The loader's limits
# keep any one file within about 100 MB in a release build; under the sanitizers,
# their quarantine of freed blocks (up to 256 MB) counted in, the heaviest files
# at the limits loaded one after another in one run peak at 640 MB, and ten
# minutes from the seeds at 600 MB.
declare -A rss_limit=([fuzz_model]=1024)
# Longest input, in bytes: a picture as large as the game's own (1.6 MB).
declare -A max_len=([fuzz_png]=2097152 [fuzz_jpeg]=2097152)

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENRITH_FUZZ=ON -DQUENRITH_TESTS=OFF -DQUENRITH_SANITIZE=OFF > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target "${targets[@]}" kestra-pack -j"${QUENRITH_FUZZ_JOBS:-$(nproc)}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case $build in /*) artifacts="$build/artifacts" ;; *) artifacts="$root/$build/artifacts" ;; esac
mkdir -p "$artifacts" "$work/lzss" "$work/pack" "$work/lag" "$work/lfd" "$work/effect" "$work/shader" "$work/xfile" "$work/model" "$work/src/img" "$work/src/SE" \
  "$work/score" "$work/volume" "$work/keymap" "$work/stage" "$work/wave" "$work/tga" "$work/dds" "$work/bmp" \
  "$work/profile" "$work/vorbis" "$work/png" "$work/jpeg"

# Seeds: the format's hand vectors, and packs made by the pack tool.
printf 'LZSS\x03\x00\x00\x00\x07abc' > "$work/lzss/abc"
printf 'LZSS\x09\x00\x00\x00\x07abc\xf0\xf3' > "$work/lzss/overlap"
printf 'LZSS\x12\x00\x00\x00\x00\x34\x1f' > "$work/lzss/zeros"
for i in 1 2 3 4 5 6; do
  printf 'pattern %d pattern %d pattern %d\n' "$i" "$i" "$i" > "$work/src/img/t$i.txt"
done
printf 'plain' > "$work/src/SE/p.wav"
cp "$work/src/img/t1.txt" "$work/lzss/text"
"$build/bin/kestra-pack" --compress "$work/pack/compressed.bin" "$work/src" > /dev/null
"$build/bin/kestra-pack" "$work/pack/plain.bin" "$work/src" > /dev/null
# fuzz_pack reads its input's last four bytes as records of zeros added to the
# file: none for the tool's packs; for the hand ones, a count whose records wrap
# 32 bits, and one at the directory's bound, each in a file that holds it.
for p in "$work/pack/compressed.bin" "$work/pack/plain.bin"; do printf '\x00\x00\x00\x00' >> "$p"; done
printf 'PACK\x34\x33\x33\x03\x34\x33\x33\x03' > "$work/pack/wrapping-count"
printf 'PACK\x00\x00\x01\x00\x00\x00\x01\x00' > "$work/pack/at-the-bound"
# LAG archives: a plain 32-bit entry, a coded 16-bit one, a float one.
z15='\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
lag='LAG\x00\x01\x00\x00\x00'
printf "${lag}a${z15}\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x04\x00\x00\x00\x10\x20\x30\xff" > "$work/lag/plain"
printf "${lag}b${z15}\x02\x00\x00\x00\x02\x00\x00\x00\x04\x00\x00\x00\x09\x00\x00\x00\xff\x0f\xf0\x12\x34\x56\x78\x9a\xbc" \
  > "$work/lag/coded"
printf "${lag}c${z15}\x01\x00\x00\x00\x01\x00\x00\x00\x03\x00\x00\x00\x10\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x3f\x00\x00\x00\x00\x00\x00\x80\x3f" \
  > "$work/lag/float"
# LFD fonts: an empty font (header and map only), and one with a sheet and a glyph.
head -c 25700 /dev/zero | tr '\0' '\377' > "$work/lfd/map"
printf 'LFD\x00\x10\x00\x10\x00\x10\x00\x00\x00' | dd of="$work/lfd/map" conv=notrunc status=none
cp "$work/lfd/map" "$work/lfd/glyph"
printf 'LFD\x00\x10\x01\x10\x00\x10\x00\x01\x00' | dd of="$work/lfd/glyph" conv=notrunc status=none
printf '\x00\x00' | dd of="$work/lfd/glyph" bs=1 seek=$((12 + 2 * 0x41)) conv=notrunc status=none
printf 'sheet\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >> "$work/lfd/glyph"
printf '\x00\x01\x08\x00\x00\x00\x00\x00\x08\x00\x12\x00' >> "$work/lfd/glyph"
# Effect text: parameters with semantics, annotations and initialisers, a technique.
cat > "$work/effect/basic" <<'FX'
// effect
float4x4 mTransform : WORLDVIEWPROJECTION < string UIName = "wvp"; >;
float Scale[2] = { 1.0, -2.5e-1 };
bool Use[4] = { true, false, true, false };
static const float PI = 3.14159;
string Title = "t";
struct VS_OUTPUT { float4 Position : POSITION; };
VS_OUTPUT Main( float4 p : POSITION ) { VS_OUTPUT o; o.Position = mul( p, mTransform ); return o; }
technique Technique00 { pass Pass00 { VertexShader = compile vs_2_0 Main(); } }
FX
printf 'technique T < int a = 1; > { pass { PixelShader = NULL; } }\n/* c */ #define X 1\n' > "$work/effect/empty"
# Effects through the shader compile: the engine's generated effects (the target
# writes them), the texts above, and texts at the compile's limits: brackets 4,000
# deep, a sum of 16,000 terms, twenty macros each twice the one before.
QUENRITH_FUZZ_SEEDS="$work/shader" "$build/bin/fuzz_shader" > /dev/null 2>&1
cp "$work"/effect/* "$work/shader/"
with_main() {
  printf 'float4 Main(float4 p : POSITION) : POSITION\n{\n%s\n}\n' "$1"
  printf 'technique T { pass P { VertexShader = compile vs_2_0 Main(); } }\n'
}
with_main "return $(printf '(%.0s' $(seq 4000))p$(printf ')%.0s' $(seq 4000));" > "$work/shader/nested"
with_main "return p$(printf '+p%.0s' $(seq 16000));" > "$work/shader/sum"
{
  echo '#define A0 p'
  for i in $(seq 20); do echo "#define A$i (A$((i - 1))+A$((i - 1)))"; done
  with_main 'return A20;'
} > "$work/shader/macros"
# X files: the small BSD cubes in all three encodings when the shared corpus is
# beside the tree, and a hand-written skinned triangle either way.
xfiles="${QUENRITH_SHARED_DIR:-$root/../shared}/testdata/xfiles"
for f in test_cube_text.x test_cube_binary.x test_cube_compressed.x kwxport_test_cubewithvcolors.x; do
  if [ -f "$xfiles/$f" ]; then cp "$xfiles/$f" "$work/xfile/$f"; fi
done
cat > "$work/xfile/skinned.x" <<'XEOF'
xof 0303txt 0032
Material M { 1;1;1;1;; 8; 0;0;0;; 0;0;0;; TextureFilename { "a.png"; } }
Frame Root { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
  Mesh Tri { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 2; 3;0,1,2;, 4;1,3,2,0;;
    MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 4;0,0,0,0;; }
    MeshMaterialList { 1; 2; 0,0;; { M } }
    SkinWeights { "Root"; 3; 0,1,2; 0.5,1,1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
    SkinWeights { "Root"; 2; 0,3; 0.5,1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }
AnimationSet Go { Animation { { Root } AnimationKey { 2; 2; 0;3;0,0,0;;, 10;3;1,2,3;;; } } }
XEOF
# Models: the same files through the engine's loader, and frames copied by
# reference (a sibling, a loop, a top-level frame named twice, a few levels that
# each copy the next twice) with a take whose keys start late.
cp "$work"/xfile/* "$work/model/"
for f in test.x malformed_skinweights_oob.x; do
  if [ -f "$xfiles/$f" ]; then cp "$xfiles/$f" "$work/model/$f"; fi
done
cat > "$work/model/references.x" <<'XEOF'
xof 0303txt 0032
Frame Arm { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,3,0,0,1;; }
  Frame Hand { { Arm } Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } } }
Frame Body { { Arm } { Arm } Frame Head { { Body } } }
Frame L0 { { L1 } { L1 } } Frame L1 { { L2 } { L2 } } Frame L2 { { Body } { Arm } }
AnimationSet Wave {
  Animation { { Arm } AnimationKey { 0; 2; 20;4;1,0,0,0;;, 30;4;0.9962,0,0,0.0872;;; } }
  Animation { { Hand } AnimationKey { 4; 2; 5;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;, 9;16;0,1,0,0,-1,0,0,0,0,0,1,0,2,0,0,1;;; } }
  Animation { { Head } AnimationKey { 1; 1; 0;3;1,1,1;;; } AnimationKey { 2; 2; 0;3;0,0,0;;, 40;3;0,5,0;;; } } }
XEOF
# Weights, animations and keys named by reference, more than once.
cat > "$work/model/shared.x" <<'XEOF'
xof 0303txt 0032
SkinWeights W { "Root"; 3; 0,1,2; 0.5,1,1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
Material M { 1;1;1;1;; 8; 0;0;0;; 0;0;0;; }
Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 2; 1; 1;; {M} {M} } {W} {W} }
Frame Root { {Tri} Frame Arm { {Tri} } }
AnimationKey K { 0; 2; 0;4;1,0,0,0;;, 10;4;0.7071,0,0,0.7071;;; }
Animation A { {Root} AnimationKey { 2; 2; 0;3;0,0,0;;, 10;3;1,2,3;;; } {K} }
Animation B { {K} {Arm} AnimationKey { 1; 1; 0;3;2,2,2;;; } }
AnimationSet S { {A} {B} {A} }
AnimationSet T { {B} Animation { {Root} {K} } {S} }
XEOF
# Meshes at the edges, compressed (MSZIP: the inflated size, then 32 KB blocks of
# raw deflate, each led by its two sizes and "CK"): 65,535 vertices read three
# times, 262,140 vertices and triangles in all; and 65,536 vertices, one too many.
zipped_model() {
  local out=$1 part
  printf '%s' "$2" > "$out.body"
  { printf 'xof 0303tzip0032'; le_bytes $(($(stat -c %s "$out.body") + 16)) 4; } > "$out"
  split -b 32768 -d -a 4 "$out.body" "$out.part."
  for part in "$out".part.*; do
    gzip -9 -n -c "$part" | tail -c +11 | head -c -8 > "$part.z"
    { le_bytes "$(stat -c %s "$part")" 2; le_bytes $(($(stat -c %s "$part.z") + 2)) 2; printf CK; cat "$part.z"; } >> "$out"
  done
  rm -f "$out.body" "$out".part.*
}
le_bytes() { local i; for ((i = 0; i < $2; i++)); do printf "$(printf '\\x%02x' $(($1 >> 8 * i & 255)))"; done; }
mesh_text() {
  printf '\nMesh Near { %d; ' "$1"
  printf '0;0;0;,%.0s' $(seq 2 "$1")
  printf '0;0;0;; %d; ' $(($1 / 3))
  printf '3;0,1,2;,%.0s' $(seq 2 $(($1 / 3)))
  printf '3;0,1,2;; }\n'
}
zipped_model "$work/model/near.x" "$(mesh_text 65535)Frame R { {Near} {Near} }"
zipped_model "$work/model/over.x" "$(mesh_text 65536)Frame R { {Near} }"

# The game's files: a default score text, volume lines, key maps in both line ends.
{
  for name in Yuri Crow Shamyu Fururu Chris Momo Nono Othellot Leen Kohaku; do
    printf '%s|1000000|08/14|0\n' "$name"
  done
  for i in $(seq 1 26); do printf '%d\n' "$i"; done
} > "$work/score/default"
printf 'A|-5|12/31|7|extra\n\x83\x7c|99999999999||-1\n' > "$work/score/odd"
printf '90 90\r\n' > "$work/volume/default"
printf '150 -5' > "$work/volume/wide"
printf '[SYSTEM]\r\nKEYBOARD=0\r\n[PLAYER1]\r\nPADNO=0\r\nKEYBOARD=1\r\nSHOT=0\r\nKEY_UP=200\r\n' > "$work/keymap/crlf"
printf '[player2]\npadno=-1\nkey_up=456\nshot=55zz\n' > "$work/keymap/hand"
# Stage files: schedule lines with a comment, and a grid's tail rows.
printf '# boss\r\n100.5 -20 7 60 16384 -12 1 2.5 -0.125 30\r\n1 2 200 60 0 0 0 0 0 5\n' > "$work/stage/schedule"
for r in $(seq 1 58); do printf '0 1 2 3 4 5 6 7 -1 12 1x\n'; done > "$work/stage/grid"

# Little-endian fields as printf escapes (text, for one printf to turn into bytes).
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '%s%s' "$(le16 $(($1 & 65535)))" "$(le16 $((($1 >> 16) & 65535)))"; }
# WAV: 8-bit mono; 16-bit stereo after an odd chunk written without its pad byte.
printf "RIFF$(le32 40)WAVEfmt $(le32 16)$(le16 1)$(le16 1)$(le32 8000)$(le32 8000)$(le16 1)$(le16 8)data$(le32 4)\x80\x90\xa0\xb0" \
  > "$work/wave/mono8"
printf "RIFF$(le32 55)WAVEfmt $(le32 16)$(le16 1)$(le16 2)$(le32 22050)$(le32 88200)$(le16 4)$(le16 16)LIST$(le32 3)abc" \
  > "$work/wave/stereo16"
printf "data$(le32 8)\x00\x10\x00\xf0\xff\x7f\x00\x80" >> "$work/wave/stereo16"
# Ogg Vorbis: the WAV seeds through the encoder at its lowest quality, and the two chained.
oggenc -Q -q -1 -o "$work/vorbis/mono8.ogg" "$work/wave/mono8"
oggenc -Q -q -1 -o "$work/vorbis/stereo16.ogg" "$work/wave/stereo16"
cat "$work/vorbis/mono8.ogg" "$work/vorbis/stereo16.ogg" > "$work/vorbis/chained.ogg"
# TGA: 32-bit top-down, run-length 24-bit, colour-mapped.
tga() { printf '%s' "\\x00\\x$1\\x$2$(le16 0)$(le16 $3)\\x$4$(le16 0)$(le16 0)$(le16 $5)$(le16 $6)\\x$7\\x$8"; }
printf "$(tga 00 02 0 00 2 2 20 28)\x01\x02\x03\xff\x04\x05\x06\x80\x07\x08\x09\x00\x0a\x0b\x0c\x40" > "$work/tga/true32"
printf "$(tga 00 0a 0 00 3 1 18 20)\x81\x10\x20\x30\x00\x40\x50\x60" > "$work/tga/rle24"
printf "$(tga 01 01 2 18 2 1 08 00)\x00\x00\xff\xff\x00\x00\x00\x01" > "$work/tga/mapped"
# BMP: 24-bit bottom-up; 8-bit run-length with a two-colour palette.
bmp() { printf '%s' "BM$(le32 $1)$(le32 0)$(le32 $2)$(le32 40)$(le32 2)$(le32 2)$(le16 1)$(le16 $3)$(le32 $4)$(le32 $5)"; }
printf "$(bmp 70 54 24 0 16)$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)" > "$work/bmp/rgb24"
printf '\x01\x02\x03\x04\x05\x06\x00\x00\x07\x08\x09\x0a\x0b\x0c\x00\x00' >> "$work/bmp/rgb24"
printf "$(bmp 70 62 8 1 8)$(le32 0)$(le32 0)$(le32 2)$(le32 0)\x00\x00\x00\x00\xff\xff\xff\x00" > "$work/bmp/rle8"
printf '\x02\x01\x00\x00\x02\x00\x00\x01' >> "$work/bmp/rle8"
# DDS: 2x2 A8R8G8B8; one DXT1 block.
dds() { printf '%s' "DDS $(le32 124)$(le32 $1)$(le32 $2)$(le32 $2)$(le32 $3)$(le32 0)$(le32 0)"; for _ in $(seq 11); do le32 0; done; }
printf "$(dds 4111 2 8)$(le32 32)$(le32 65)$(le32 0)$(le32 32)$(le32 16711680)$(le32 65280)$(le32 255)$(le32 4278190080)" \
  > "$work/dds/argb"
printf "$(le32 4096)$(le32 0)$(le32 0)$(le32 0)$(le32 0)" >> "$work/dds/argb"
printf '\x01\x02\x03\xff\x04\x05\x06\x80\x07\x08\x09\x00\x0a\x0b\x0c\x40' >> "$work/dds/argb"
printf "$(dds 528391 4 8)$(le32 32)$(le32 4)DXT1$(le32 0)$(le32 0)$(le32 0)$(le32 0)$(le32 0)" > "$work/dds/dxt1"
printf "$(le32 4096)$(le32 0)$(le32 0)$(le32 0)$(le32 0)\x00\xf8\xe0\x07\x1b\x1b\x1b\x1b" >> "$work/dds/dxt1"
# PNG: the PngSuite pictures when the shared corpus is beside the tree; JPEG:
# small pictures ImageMagick writes: colour in both chroma samplings, sequential
# and progressive, and grey.
pngsuite="${QUENRITH_SHARED_DIR:-$root/../shared}/testdata/pngsuite/png"
if [ -d "$pngsuite" ]; then cp "$pngsuite"/*.png "$work/png/"; fi
# An sPLT chunk claiming 1.9 GB in a 48-byte file (the target makes the CRCs right).
printf '\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x09\x00\x00\x00\x09\x08\x02\x00\x00\x00\x00\x00\x00\x00sssssPLTpalette' \
  > "$work/png/splt"
if command -v convert > /dev/null; then
  convert -size 40x24 gradient:red-blue "$work/png/gradient.png"
  convert -size 40x24 plasma:fractal -seed 1 "$work/jpeg/plasma.bmp"
  convert "$work/jpeg/plasma.bmp" -quality 80 -sampling-factor 4:2:0 "$work/jpeg/baseline.jpg"
  convert "$work/jpeg/plasma.bmp" -quality 90 -sampling-factor 4:4:4 -interlace Plane "$work/jpeg/progressive.jpg"
  convert "$work/jpeg/plasma.bmp" -colorspace Gray "$work/jpeg/grey.jpg"
  rm "$work/jpeg/plasma.bmp"
fi
# Profiles: the key map, and a hand-made file with comments, quotes, a repeated
# section and Shift_JIS names.
cp "$work/keymap/crlf" "$work/profile/keymap"
printf '; comment\n[Sect]\nname="quoted value"\n\x83\x41=1\n[sect]\nNAME=dup\nnokey\n[\x83\x5c]\n x = -12 \n' \
  > "$work/profile/hand"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# One target: its log, and its exit status in a file beside it.
run_target() {
  local target=$1 corpus="$work/${1#fuzz_}" rc=0
  "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb="${rss_limit[$target]:-2048}" -max_len="${max_len[$target]:-65536}" \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus" > "$work/$target.log" 2>&1 || rc=$?
  echo "$rc" > "$work/$target.rc"
}

# The targets are single-threaded: run as many at once as there are cores.
parallel=${QUENRITH_FUZZ_JOBS:-$(nproc)}
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_target "$target" &
done
wait

status=0
for target in "${targets[@]}"; do
  echo "== $target (${seconds}s)"
  if [ "$(cat "$work/$target.rc" 2>/dev/null || echo 1)" != 0 ]; then
    tail -n 60 "$work/$target.log"
    echo "FAILED: $target (inputs kept in $artifacts)"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$work/$target.log" || true
  fi
done
exit $status

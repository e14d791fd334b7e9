#!/usr/bin/env bash
# Installs what is missing, builds the game and its demo data set, and starts it.
# The program folder is build/bin: the executable, Torvi.so, data.bin (the
# packed data set), data/ (loose files, which override packed ones; the stage
# files are read only from there) and save/.
set -euo pipefail
cd "$(dirname "$0")/.."
# Without a display the game cannot show its window: say so before installing
# and building anything. SDL_VIDEODRIVER names a driver outright (a console's
# kmsdrm, say), and the game honours it.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "play.sh: no display: set DISPLAY or run under a desktop session" >&2
  exit 1
fi
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENRITH_TESTS=OFF
# quenrith_stagedata copies data/stagedata into build/bin/data/stagedata (the
# program builds it too; it is named so the copy is plainly part of this step).
cmake --build build -j"$(nproc)" --target quenrith quenrith_stagedata quenrith-demodata kestra-font kestra-pack

bin=build/bin
data=build/demodata/data
stamp=build/demodata/.stamp
# The set is made from the generator's code alone, plus the walls of the map
# grids: remake it when the generator, the font tool or a grid changed.
stale=0
if [ ! -f "$stamp" ] || [ "$bin/quenrith-demodata" -nt "$stamp" ] || [ "$bin/kestra-font" -nt "$stamp" ]; then
  stale=1
fi
grids=()
if [ -d data/stagedata ]; then
  grids=(--stagedata data/stagedata)
  # Only the map grids (Stage01.dat ...) are painted; the schedules do not touch the set.
  if [ -n "$(find data/stagedata -maxdepth 1 -name 'Stage0[1-6].dat' -newer "$stamp" 2>/dev/null)" ]; then stale=1; fi
fi
if [ "$stale" = 1 ]; then
  rm -rf "$data"
  "$bin/quenrith-demodata" --jobs "$(nproc)" "${grids[@]}" "$data"
  touch "$stamp"
fi
if [ ! -f "$bin/data.bin" ] || [ "$stamp" -nt "$bin/data.bin" ]; then
  "$bin/kestra-pack" --compress "$bin/data.bin" "$data"
fi
mkdir -p "$bin/save"
# Enemy schedules and map grids are read loose, never from the pack. The build
# copied them; a copy edited in place would win over the source without a word,
# so say so and stop rather than play a stage nobody checked.
if [ -d data/stagedata ]; then
  while IFS= read -r -d '' f; do
    rel=${f#data/stagedata/}
    if ! cmp -s "$f" "$bin/data/stagedata/$rel"; then
      echo "play.sh: $bin/data/stagedata/$rel differs from data/stagedata/$rel;" >&2
      echo "  edit data/stagedata and rebuild (or delete the copy to have it made again)" >&2
      exit 1
    fi
  done < <(find data/stagedata -name '*.dat' -print0)
fi
cd "$bin"
exec ./quenrith "$@"

#!/usr/bin/env bash
# Installs what is missing, builds the game and its demo data set, and starts it.
# The program folder is build/bin: the executable, Torvi.so, data.bin (the
# packed data set), data/ (loose files, which override packed ones; the stage
# files are read only from there) and save/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENRITH_TESTS=OFF
cmake --build build -j"$(nproc)" --target quenrith quenrith-demodata kestra-font kestra-pack

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
  if [ -n "$(find data/stagedata -name 'Stage0*.dat' -newer "$stamp" 2>/dev/null)" ]; then stale=1; fi
fi
if [ "$stale" = 1 ]; then
  rm -rf "$data"
  "$bin/quenrith-demodata" --jobs "$(nproc)" "${grids[@]}" "$data"
  touch "$stamp"
fi
if [ ! -f "$bin/data.bin" ] || [ "$stamp" -nt "$bin/data.bin" ]; then
  "$bin/kestra-pack" --compress "$bin/data.bin" "$data"
fi
mkdir -p "$bin/save" "$bin/data/stagedata"
# Enemy schedules and map grids are read loose, never from the pack.
if [ -d data/stagedata ]; then
  cp -u data/stagedata/*.dat "$bin/data/stagedata/" 2>/dev/null || true
fi
cd "$bin"
exec ./quenrith "$@"

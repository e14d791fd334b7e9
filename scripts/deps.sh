#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the game and the tests need, only
# those that are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git ccache clang libclang-rt-14-dev
  libsdl2-dev libepoxy-dev libfreetype-dev libfontconfig-dev
  libvorbis-dev libpng-dev libjpeg-dev zlib1g-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-utils libgl1-mesa-dri libegl-mesa0
  fonts-ipafont-gothic fonts-dejavu-core imagemagick vorbis-tools
  glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev libassimp-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

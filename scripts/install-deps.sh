#!/usr/bin/env bash
# Installs the Debian packages NoxSteg needs to build, run and test, skipping those already there.
# Usage: scripts/install-deps.sh [extra package...]
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config           # tool chain
  qt6-base-dev libgl-dev                     # the window
  fonts-dejavu-extra                         # its narrow font (DejaVu Sans Condensed)
  libjpeg62-turbo-dev                        # JPEG coding
  zlib1g-dev                                 # CRC-32 of hidden payloads
  libspng-dev                                # PNG coding
  libgtest-dev libgmock-dev                  # tests
  libpng-dev                                 # tests: the independent PNG decode
  xvfb xauth xclip                           # the window without a desktop, its clipboard (end-to-end runs)
  openbox x11-utils xdotool                  # a window manager's frame, xprop/xwininfo, a user's clicks
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

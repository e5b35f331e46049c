#!/usr/bin/env bash
# Installs the Debian packages Brindlecove needs to build, run and test,
# where they are missing. Safe to run again; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config       # build
  liballegro4-dev                 # the game library and its dat tool
  libgtest-dev                    # unit tests
  libbenchmark-dev                # the benchmark suite
  xvfb xdotool imagemagick        # end-to-end tests: display, keys, screenshots
  x11-utils                       # end-to-end tests: the root window to move the focus to
  libx11-dev python3              # end-to-end tests: the close button, the virtual pad
  freepats                        # instrument patches for the music
  xfonts-terminus xfonts-base     # bitmap fonts the asset generator converts
  libpng-dev libsndfile1-dev      # PNG pictures and WAV samples the tools write
  libsmf-dev nlohmann-json3-dev   # the music's MIDI file; the level tool's JSON
  libfreetype-dev                 # the asset generator reads the PCF fonts
  dpkg-dev                        # cpack -G DEB: dpkg-shlibdeps works out the dependencies
  desktop-file-utils appstream    # install checks: desktop entry and AppStream metainfo
  lintian file groff-base         # install checks: the .deb, the icons, the man pages
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian 12 packages Quessaly builds, tests and runs with, and only the missing ones:
# a second run does nothing. With --windows, also what the Windows build and its run under Wine need;
# with --web, what the browser build and its runs in Chromium, Firefox and WebKit need.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libglew-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev zlib1g-dev libmpg123-dev libmp3lame-dev
  libfreetype-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  ffmpeg
  # A sound server the audio tests start, kill and start again, and its recorder.
  pulseaudio pulseaudio-utils
)
if [[ "${1:-}" == --windows ]]; then
  # The posix thread model: GCC 12's win32 model has no std::mutex. Wine draws through the host's
  # libGL and X libraries, which it opens at run time and only recommends.
  packages+=(
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev dpkg-dev zip
    wine wine64 xvfb xdotool x11-utils
    libgl1 libgl1-mesa-dri libxrandr2 libxi6 libxcursor1 libxinerama1 libxrender1 libxxf86vm1 libxcomposite1
  )
fi
if [[ "${1:-}" == --web ]]; then
  # Emscripten's compiler, its Node.js and the three browser engines the page is checked in: Chromium,
  # Firefox ESR (driven through its own remote agent) and WebKitGTK (Epiphany, driven by WebKitWebDriver).
  # The last two draw on a virtual display and WebKit wants a D-Bus session; dpkg-dev unpacks the source
  # packages.
  packages+=(emscripten nodejs chromium dpkg-dev firefox-esr epiphany-browser webkit2gtk-driver xvfb dbus)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

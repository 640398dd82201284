#!/usr/bin/env bash
# Runs the Windows zip as a user would, under Wine on a virtual display, from a folder named with a space and
# a non-ASCII letter: every DLL shipped or Windows' own; the message boxes of a fullscreen start the display
# cannot give; then --windowed: the loader's lines, INTRO, a picture, the decoded music, status 0 on Escape.
set -euo pipefail
zip=$(realpath "${1:-build-windows/quessaly-windows.zip}")
results=$(dirname "$zip")/wine-check
started=$SECONDS

fail() {
  echo "Windows build under Wine: $*" >&2
  tail -n 12 "$results"/std*.txt >&2 2>/dev/null || true
  exit 1
}
elapsed() { echo "  $1 after $((SECONDS - started)) s"; }
for tool in wine Xvfb xdotool ffmpeg unzip x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh --windows installs it)"
done

work=$(mktemp -d)
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$results" && mkdir -p "$results" "$work/Démo Quessaly"
unzip -q "$zip" -d "$work/Démo Quessaly" || fail "cannot unzip $zip"
folder="$work/Démo Quessaly/quessaly"

system_dlls=" advapi32 gdi32 glu32 imm32 kernel32 msvcrt ole32 oleaut32 opengl32 setupapi shell32 shlwapi user32 version winmm "
for binary in "$folder"/*.exe "$folder"/*.dll; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: \(.*\)\.dll$/\1/Ip'); do
    [[ $system_dlls == *" ${dll,,} "* || -f $folder/$dll.dll ]] || fail "$binary loads $dll.dll, which is not in the zip"
  done
done

# No window manager: Wine's windows keep the sizes they ask for.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
# No Mono or Gecko installers, no host sound drivers: SDL's disk driver plays the music into a file.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
wineboot --init >/dev/null 2>&1 || fail "Wine cannot create its prefix"
elapsed "Wine prefix ready"

# From another folder, so the program finds its files beside itself.
start() {
  (cd "$work" && exec wine "$folder/quessaly-1280x720.exe" "$@") >"$results/stdout.txt" 2>"$results/stderr.txt" &
  demo=$!
  pids+=("$demo")
  pressed=none # X window ids come back with a new client
}
wait_for() { # output, start of a line, seconds
  local deadline=$((SECONDS + $3))
  until grep -q "^$2" "$results/$1.txt"; do
    kill -0 "$demo" 2>/dev/null && ((SECONDS < deadline)) || fail "no \"$2\" on its $1"
    sleep 1
  done
}
press() { # key, window name; never the window pressed before
  local window=""
  for _ in $(seq 30); do
    window=$(xdotool search --onlyvisible --name "$2" | grep -vxF "$pressed" | head -n 1) && break
    sleep 1
  done
  [[ -n $window ]] || fail "no window named $2"
  xdotool windowfocus --sync "$window" key "$1"
  pressed=$window
}
expect_exit() { # status, after what
  local status=0
  for _ in $(seq 30); do kill -0 "$demo" 2>/dev/null && sleep 1; done
  kill -0 "$demo" 2>/dev/null && fail "still running 30 s after $2"
  wait "$demo" || status=$?
  ((status == $1)) || fail "exit status $status after $2, not $1"
  elapsed "exit status $1 after $2"
}

# The display has no 1280x720 mode: a message box offers a window; No, then OK, ends with status 1.
start
wait_for stderr "ERROR: The Requested Fullscreen Mode Is Not Supported" 60
press Escape '^ERROR$'
wait_for stderr "ERROR: Program Will Now Close." 30
press Return '^ERROR$'
expect_exit 1 "declining a window"

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/played.raw start --windowed
wait_for stdout INTRO 300
elapsed INTRO
loaded=$(grep -c '^Bit depth' "$results/stdout.txt" || true)
((loaded == 23)) || fail "the loader reported $loaded of the 23 textures"
# The intro draws a small ball before its title: 64 lit points of 20480 in a scaled-down screenshot will do.
for _ in $(seq 20); do
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$results/screenshot.png"
  lit=$(ffmpeg -loglevel error -i "$results/screenshot.png" -vf scale=160:128 -pix_fmt gray -f rawvideo - |
    od -An -v -tu1 | tr -s ' ' '\n' | awk '$1 > 24 { n++ } END { print n + 0 }')
  ((lit >= 64)) && break
  sleep 1
done
((lit >= 64)) || fail "the window stays black (see $results/screenshot.png)"
elapsed "a picture ($lit of 20480 points lit)"
heard=$(cat "$work/played.raw" 2>/dev/null | tr -d '\0' | wc -c || true)
((heard > 176400)) || fail "the music did not play: $heard bytes of sound"
press Escape Quessaly
expect_exit 0 Escape
echo "Windows build under Wine: passed in $((SECONDS - started)) s"

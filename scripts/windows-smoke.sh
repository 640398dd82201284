#!/usr/bin/env bash
# Runs the Windows zip as a user would, under Wine on a virtual display, from a folder named with a space and
# a non-ASCII letter: both programs GUI programs, every DLL shipped or Windows' own; the message boxes of a
# fullscreen start the display cannot give; then --windowed: the loader's lines, INTRO, a picture, the decoded
# music, status 0 on Escape; a line from a console shown there, or in a file when redirected inside it; then
# the 1024x768 build fullscreen late in the show: Alt+Enter makes it a window, and the show goes on and ends by
# itself. Everything else it prints is read from its redirected standard output and error.
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
for tool in wine Xvfb xdotool xprop script ffmpeg unzip x86_64-w64-mingw32-objdump; do
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

# GUI programs (subsystem 2): a double-click opens the show without a console window beside it.
for program in "$folder"/*.exe; do
  subsystem=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^Subsystem\s*\([0-9a-f]*\)\s*(\(.*\))$/\1 (\2)/p')
  [[ $subsystem == "00000002 (Windows GUI)" ]] ||
    fail "$(basename "$program") is built for subsystem ${subsystem:-unknown}, not 2 (Windows GUI):" \
      "a double-click would open a console window beside the show"
done

system_dlls=" advapi32 gdi32 glu32 imm32 kernel32 msvcrt ole32 oleaut32 opengl32 setupapi shell32 shlwapi user32 version winmm "
for binary in "$folder"/*.exe "$folder"/*.dll; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: \(.*\)\.dll$/\1/Ip'); do
    [[ $system_dlls == *" ${dll,,} "* || -f $folder/$dll.dll ]] || fail "$binary loads $dll.dll, which is not in the zip"
  done
done

# No window manager: Wine's windows keep the sizes they ask for.
xvfb=""
display() { # screen size; the display before it ends
  [[ -z $xvfb ]] || kill "$xvfb"
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$work/display")
}
display 1280x1024x24
# No Mono or Gecko installers, no host sound drivers: SDL's disk driver plays the music into a file.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
wineboot --init >/dev/null 2>&1 || fail "Wine cannot create its prefix"
elapsed "Wine prefix ready"

# From another folder, so the program finds its files beside itself.
start() { # build, options
  local build=$1
  shift
  (cd "$work" && exec wine "$folder/quessaly-$build.exe" "$@") >"$results/stdout.txt" 2>"$results/stderr.txt" &
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
  window=""
  for _ in $(seq 30); do
    window=$(xdotool search --onlyvisible --name "$2" | grep -vxF "$pressed" | head -n 1) && break
    sleep 1
  done
  [[ -n $window ]] || fail "no window named $2"
  xdotool windowfocus --sync "$window" key "$1"
  pressed=$window
}
decorated() { # window: Wine asks the window manager for a frame around a window, none around fullscreen
  local hints
  hints=$(xprop -id "$1" _MOTIF_WM_HINTS) || fail "no window $1 to look at"
  IFS=', ' read -r _ _ decorations _ <<<"${hints#*= }"
  ((decorations != 0))
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
start 1280x720
wait_for stderr "ERROR: The Requested Fullscreen Mode Is Not Supported" 60
press Escape '^ERROR$'
wait_for stderr "ERROR: Program Will Now Close." 30
press Return '^ERROR$'
expect_exit 1 "declining a window"

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/played.raw start 1280x720 --windowed
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

# From a console (Wine's, drawn on the terminal script(1) gives it): a line shows in it, and a line redirected
# inside it goes to its file, not onto the console.
program=quessaly-1024x768.exe
console=$(cd "$folder" &&
  timeout 60 script -qec "wine cmd /c \"$program --version & $program --version > version.txt\"" /dev/null </dev/null |
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d ' \r\n' || true)
version=$(tr -d '\r' <"$folder/version.txt" 2>/dev/null || true)
[[ $version == "quessaly "*" (1024x768 build)" ]] ||
  fail "with its output redirected inside a console, the program wrote '$version' to the file, not its version"
shown=$(grep -o "quessaly[0-9.]*(1024x768build)" <<<"$console" | wc -l || true)
((shown == 1)) || fail "started from a console, its version showed $shown times there, not once"
elapsed "the lines in the console and in the file"

# The 1024x768 build as a double-click starts it, fullscreen, on a display of its mode with Wine started afresh
# on it; from 6.7 s before the ending scene, so the show's last 15.5 s.
wineserver -k && wineserver -w
display 1024x768x24
start 1024x768 --mute --start 212
wait_for stdout OUTTRO 300
window=$(xdotool search --onlyvisible --name Quessaly | head -n 1)
[[ -n $window ]] && ! decorated "$window" || fail "the 1024x768 build did not start fullscreen on a display of its mode"
press alt+Return Quessaly
grep -q '^ENDING' "$results/stdout.txt" && fail "the show reached ENDING before Alt+Enter was pressed: too slow to tell"
for _ in $(seq 10); do decorated "$window" && break; sleep 0.5; done
decorated "$window" || fail "still fullscreen 5 s after Alt+Enter"
elapsed "a window after Alt+Enter"
wait_for stdout ENDING 30
wait_for stdout "Posting quit message" 30
expect_exit 0 "Alt+Enter and the show's end"
echo "Windows build under Wine: passed in $((SECONDS - started)) s"

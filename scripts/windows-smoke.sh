#!/usr/bin/env bash
# Runs the Windows build as a user would, under Wine on a virtual X display: unzips the release into a
# folder whose name has a space and a non-ASCII letter, checks that every DLL the programs load is in the
# zip or part of Windows, answers the message boxes of a fullscreen start the display cannot give, then
# starts quessaly-1280x720.exe --windowed from another folder, waits for the loader's lines and INTRO,
# checks the window shows a picture, presses Escape and expects exit status 0.
# Leaves the output and the screenshot in the folder of the zip, under wine-check/.
set -euo pipefail

zip=$(realpath "${1:-build-windows/quessaly-windows.zip}")
results=$(dirname "$zip")/wine-check
textures=23
started=$SECONDS

fail() {
  echo "Windows build under Wine: $*" >&2
  for log in stdout stderr; do
    [[ -s $results/$log.txt ]] && { echo "--- its $log (last lines):" >&2; tail -n 15 "$results/$log.txt" >&2; }
  done
  exit 1
}
elapsed() { echo "  $1 after $((SECONDS - started)) s"; }

for tool in wine Xvfb xdotool ffmpeg unzip x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh --windows installs it)"
done
[[ -f $zip ]] || fail "no $zip (make windows makes it)"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [[ -d $work/prefix ]] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$results"
mkdir -p "$results"

folder="$work/Démo Quessaly"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
program="$folder/quessaly/quessaly-1280x720.exe"
[[ -f $program ]] || fail "the zip holds no quessaly/quessaly-1280x720.exe"

# Windows' own DLLs; anything else a program or DLL loads must travel in the zip.
system_dlls=(advapi32 gdi32 glu32 imm32 kernel32 msvcrt ole32 oleaut32 opengl32 setupapi shell32 shlwapi
  user32 version winmm)
for binary in "$folder"/quessaly/*.exe "$folder"/quessaly/*.dll; do
  while read -r dll; do
    [[ " ${system_dlls[*]} " == *" ${dll,,} "* || -f "$folder/quessaly/$dll.dll" ]] ||
      fail "$(basename "$binary") loads $dll.dll, which is neither in the zip nor part of Windows"
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: \(.*\)\.dll$/\1/Ip')
done

# A display of our own, numbered by the server. No window manager: Wine's window keeps its own size.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
pids+=($!)
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")

# A fresh prefix; no Mono or Gecko installers, and no host sound drivers: the show has no sound card here
# and plays on its silent clock.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
wineboot --init >"$work/wineboot.log" 2>&1 || fail "Wine could not create its prefix: $(tail -n 5 "$work/wineboot.log")"
elapsed "Wine prefix ready"

# Starts the program from another folder, so it must find its files beside itself.
start() {
  (cd "$work" && exec wine "$program" "$@") >"$results/stdout.txt" 2>"$results/stderr.txt" &
  demo=$!
  pids+=("$demo")
}
# Waits up to $3 seconds for a line starting with $2 in the program's output $1 (stdout or stderr).
wait_for() {
  local deadline=$((SECONDS + $3))
  until grep -q "^$2" "$results/$1.txt"; do
    kill -0 "$demo" 2>/dev/null || fail "the program ended before printing \"$2\""
    ((SECONDS < deadline)) || fail "no \"$2\" within $3 s"
    sleep 1
  done
}
# Presses a key in the program's message box once it shows, and in no earlier one.
answer_box() {
  local key=$1 box=""
  for _ in $(seq 30); do
    box=$(xdotool search --onlyvisible --name '^ERROR$' 2>/dev/null | grep -vxF "${answered:-none}" | head -n 1 || true)
    [[ -n $box ]] && break
    sleep 1
  done
  [[ -n $box ]] || fail "no message box named ERROR on the display"
  xdotool windowfocus --sync "$box" key "$key"
  answered=$box
}
# Waits up to 30 s for the program to end, and expects exit status $1.
expect_exit() {
  local status=0
  for _ in $(seq 30); do
    kill -0 "$demo" 2>/dev/null || break
    sleep 1
  done
  kill -0 "$demo" 2>/dev/null && fail "still running 30 s after $2"
  wait "$demo" || status=$?
  ((status == $1)) || fail "exit status $status after $2, not $1"
}

# The virtual display has no 1280x720 mode: the program asks, through Windows message boxes, whether to
# play in a window; answering No ends it with status 1, as when no GL window can be made.
start
wait_for stderr "ERROR: The Requested Fullscreen Mode Is Not Supported" 60
answer_box Escape
wait_for stderr "ERROR: Program Will Now Close." 30
answer_box Return
expect_exit 1 "declining the window"
elapsed "message boxes answered, exit status 1"

start --windowed
wait_for stdout INTRO 300
elapsed "INTRO"
loaded=$(grep -c '^Bit depth' "$results/stdout.txt" || true)
[[ $loaded -eq $textures ]] || fail "the loader reported $loaded of the $textures textures"
! grep -q '^Error loading texture\|not found!' "$results/stdout.txt" || fail "a texture did not load"

# A picture: the intro draws a small ball first and its title later; within 40 s of INTRO at least 64 of
# 20480 points of a scaled-down screenshot must be lit (a black window lights none).
lit=0
deadline=$((SECONDS + 40))
while ((SECONDS < deadline)); do
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 \
    "$results/screenshot.png"
  lit=$(ffmpeg -loglevel error -i "$results/screenshot.png" -vf scale=160:128 -pix_fmt gray -f rawvideo - |
    od -An -v -tu1 | tr -s ' ' '\n' | awk '$1 > 24 { n++ } END { print n + 0 }')
  ((lit >= 64)) && break
  sleep 1
done
((lit >= 64)) || fail "the screen stays black ($lit of 20480 pixels lit; see $results/screenshot.png)"
elapsed "picture ($lit of 20480 pixels lit)"

window=$(xdotool search --name 'Quessaly' | head -n 1)
[[ -n $window ]] || fail "no window named Quessaly on the display"
xdotool windowfocus --sync "$window" key Escape
expect_exit 0 Escape
elapsed "exit status 0 after Escape"
echo "Windows build under Wine: passed in $((SECONDS - started)) s ($results)"

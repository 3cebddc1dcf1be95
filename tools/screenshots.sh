#!/usr/bin/env bash
# Takes the README's screenshots of the real launcher under Xvfb: the sign-in window (with a user
# name typed) and the About window. Usage: tools/screenshots.sh [build-dir] [out-dir]
set -euo pipefail
build=${1:-build}
out=${2:-docs}
launcher="$build/app/bin/keldara-launcher"
[ -x "$launcher" ] || { echo "no launcher at $launcher: build first" >&2; exit 1; }
mkdir -p "$out"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
launcher_pid=
cleanup() {
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$launcher" >/dev/null 2>&1 &
launcher_pid=$!
window_id() {  # the first mapped window with this exact name
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "window '$1' did not appear" >&2
  exit 1
}
main=$(window_id "Keldara Launcher")
sleep 1
# Without the service's management host the launcher warns first: dismiss that box (with both
# fields empty, Return does nothing else).
xdotool key Return
sleep 0.5
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool type --delay 20 "bob"
xdotool key Tab
xdotool type --delay 20 "secret"
sleep 0.5
import -window "$main" "$out/sign-in.png"
# The About item is the last of the Edit menu.
xdotool key alt+e
sleep 0.5
xdotool key Up Return
about=$(window_id "About Keldara Launcher")
sleep 1
import -window "$about" "$out/about.png"
echo "wrote $out/sign-in.png $out/about.png"

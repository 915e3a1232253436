#!/usr/bin/env bash
# Gives the end-to-end walk a display of its own: an Xvfb on a free display number (the server
# picks it: -displayfd), a private runtime folder and a work folder, kept when the walk fails.
#   run_walk.sh WALK BIN_DIR SOURCE_DIR SHOT_FOLDER
set -u
walk="$1" bin="$2" src="$3" shots="$4"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed (scripts/setup installs it)"; exit 77; }
done

work="$(mktemp -d)"
mkdir -m 700 "$work/run"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=":$(head -n1 "$work/display")" XDG_RUNTIME_DIR="$work/run" \
  "$walk" "$bin" "$src/scripts/demo-files" "$src/src/installer/env8027.txt" "$shots" "$work"
rc=$?
if [ $rc -eq 0 ]; then rm -rf "$work"; else echo "work folder kept: $work"; fi
exit $rc

#!/usr/bin/env bash
# End to end, on a virtual X display: klv-host --init lays an environment; QM8027 without the host
# refuses; with the "KLV" window up it shows its frame; a second QM8027 is refused and the first
# keeps running; 8027REP shows a box on the display; on a 1024x768 screen the host's window lies
# inside the screen.
# Usage: e2e_startup.sh BIN_DIR [SCREENSHOT.png]
set -u
bin="$1"
shot="${2:-}"

fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${E2E_INSIDE:-}" != 1 ]; then
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIPPED: xvfb-run is not installed (scripts/setup installs the xvfb package)"
    exit 77
  fi
  command -v xwininfo >/dev/null 2>&1 || { echo "SKIPPED: xwininfo is not installed (x11-utils)"; exit 77; }
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  "$bin/klv-host" --init "$work/env" >/dev/null || fail "klv-host --init failed"
  [ -f "$work/env/windir/QM000.INI" ] || fail "QM000.INI was not laid"
  [ -f "$work/env/sys/KLV.db" ] || fail "the shared database was not laid"
  mkdir -m 700 "$work/run"
  E2E_INSIDE=1 KLV_WINDIR="$work/env/windir" XDG_RUNTIME_DIR="$work/run" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$bin" "$shot" || exit $?
  # On a small screen the host's window stays whole on it.
  E2E_INSIDE=1 E2E_SMALL=1 KLV_WINDIR="$work/env/windir" XDG_RUNTIME_DIR="$work/run" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$bin"
  exit $?
fi

# Inside the virtual display.
unset QT_QPA_PLATFORM
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT

window_up() { xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\":"; }
wait_window() {
  for _ in $(seq 1 200); do window_up "$1" && return 0; sleep 0.1; done
  return 1
}

# The corner and size of a window, as "X Y WIDTH HEIGHT".
geometry() {
  xwininfo -name "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

if [ "${E2E_SMALL:-}" = 1 ]; then
  "$bin/klv-host" & pids+=($!)
  wait_window "KLV" || fail "the KLV window did not appear on 1024x768"
  read -r x y w h <<<"$(geometry KLV)"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ] ||
    fail "the KLV window ($x $y ${w}x$h) leaves the 1024x768 screen"
  echo "ok: on 1024x768 the KLV window lies inside the screen"
  exit 0
fi

# 1. Without the host: the refusal goes to standard error (headless messages) and the module ends.
err="$(QT_QPA_PLATFORM=offscreen timeout 30 "$bin/QM8027" 2>&1 >/dev/null)"
rc=$?
[ $rc -eq 2 ] || fail "QM8027 without the host ended with $rc"
grep -qF "Debe ejecutar este módulo desde el Integrador del KLV." <<<"$err" || fail "no refusal message: $err"
grep -qF "8027 KLV - Precios de Transferencia - 1.4 Error al ejecutar el módulo" <<<"$err" || fail "wrong title: $err"
echo "ok: QM8027 without the host refuses"

# 2. The host's window.
"$bin/klv-host" & pids+=($!)
wait_window "KLV" || fail "the KLV window did not appear"
read -r x y _ <<<"$(geometry KLV)"
[ "$x $y" = "660 0" ] || fail "the KLV window is at $x $y, not beside the module's frame at 660 0"
echo "ok: klv-host shows its KLV window at 660 0"

# 3. The module beside it shows its frame.
"$bin/QM8027" & module=$!; pids+=($module)
wait_window "8027 Precios de Transferencia - v 1.4" || fail "the QM8027 frame did not appear"
echo "ok: QM8027 shows its frame"

# 4. A second copy is told and ends; the first keeps running.
err="$(QT_QPA_PLATFORM=offscreen timeout 30 "$bin/QM8027" 2>&1 >/dev/null)"
rc=$?
[ $rc -eq 3 ] || fail "the second QM8027 ended with $rc: $err"
grep -qF "La Aplicación ya se encuentra en ejecución." <<<"$err" || fail "no second-instance message: $err"
kill -0 "$module" 2>/dev/null || fail "the first QM8027 has gone"
window_up "8027 Precios de Transferencia - v 1.4" || fail "the first QM8027 lost its frame"
echo "ok: a second QM8027 is refused, the first keeps running"

# 5. 8027REP runs without Qt's GUI until it has a box to show: asked for a declaration that is not
# stored, it opens the database, then shows its box on the display; Enter answers it.
"$bin/8027REP" "0620601234565    8027199900A0000001" & rep=$!; pids+=($rep)
wait_window "Presentación Telemática" || fail "8027REP showed no box for a missing declaration"
xdotool search --name "Presentación Telemática" windowactivate --sync key Return 2>/dev/null ||
  xdotool search --name "Presentación Telemática" key Return
for _ in $(seq 1 100); do kill -0 "$rep" 2>/dev/null || break; sleep 0.1; done
kill -0 "$rep" 2>/dev/null && fail "8027REP did not end once its box was answered"
wait "$rep"
rc=$?
[ $rc -eq 1 ] || fail "8027REP ended with $rc after its box"
echo "ok: 8027REP shows its box on the display and ends once it is answered"

if [ -n "$shot" ] && command -v import >/dev/null 2>&1; then
  import -window root "$shot" && echo "screenshot: $shot"
fi
exit 0

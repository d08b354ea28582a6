#!/usr/bin/env bash
# How light the player is on the machine: runs the real player on the demo
# story under Xvfb and, for each state a reader spends time in, prints the
# share of one core the player's process used (its own CPU time over the
# wall time of the state, so other programs' load does not count) and its
# resident memory at the end of the state. The same run measures the old
# behaviour (every tick shown through the first accelerated renderer,
# VANTEL_PRESENT_EVERY_TICK=1) as a baseline.
#
#   scripts/measure-load.sh [SECONDS_PER_STATE] [BUILD_DIR]
#
# States: "title" (the title's animation), "reading" (a click every few
# seconds, so text is always being revealed), "shown page" (the page fully
# shown, nobody touching anything); then, for the player as it is, the
# pop-up menu, the save, load and settings dialogs open and idle, and the
# page with the debugger's window open (save/debug present). Needs Xvfb and
# xdotool; SCREENSHOTS=DIR keeps a picture of each state.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${2:-build}
player=$build/vantel
[ -x "$player" ] && [ -f "$build/game/script.chs" ] || {
  echo "measure-load: build the player and the demo first (./dev.sh build)" >&2
  exit 1
}
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "measure-load: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
player_pid=
cleanup() {
  [ -n "$player_pid" ] && kill -KILL "$player_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
hz=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
now_ms() { date +%s%3N; }

# measure NAME SECONDS [click]: the state's CPU share and memory; with
# "click", a click every 3 s keeps pages turning.
measure() {
  local name=$1 secs=$2 click=${3:-}
  local t0 c0 t1 c1 end
  t0=$(now_ms)
  c0=$(cpu_ticks "$player_pid")
  end=$((t0 + secs * 1000))
  while [ "$(now_ms)" -lt "$end" ]; do
    if [ -n "$click" ]; then xdotool mousemove --window "$window" 400 300 click 1 2>/dev/null || true; fi
    sleep 3
  done
  t1=$(now_ms)
  c1=$(cpu_ticks "$player_pid")
  if [ -n "${SCREENSHOTS:-}" ]; then
    mkdir -p "$SCREENSHOTS"
    import -display "$display" -window root "$SCREENSHOTS/$mode-${name// /-}.png" 2>/dev/null || true
  fi
  printf '%-9s %-11s %6.1f%% of a core  %6s MB resident  (%d ms CPU in %d ms)\n' "$mode" "$name" \
    "$(awk -v c="$((c1 - c0))" -v hz="$hz" -v t="$((t1 - t0))" 'BEGIN {print c * 1000 / hz * 100 / t}')" "$(rss_mb "$player_pid")" \
    $(( (c1 - c0) * 1000 / hz )) $((t1 - t0))
}

run() {  # mode, extra environment
  mode=$1
  shift
  local root=$work/$mode
  mkdir -p "$root/save"
  cp "$build"/game/*.chs "$build"/game/*.pk2 "$root/"
  [ "$mode" = now ] && touch "$root/save/debug"  # the debugger can be opened
  # A player already running for this user would take the start as a second
  # instance; in a network namespace of its own (where allowed) this one is alone.
  local alone=()
  if unshare -n true 2>/dev/null; then alone=(unshare -n); fi
  env "$@" "${alone[@]}" "$player" --root "$root" --scale 1 >"$work/$mode.log" 2>&1 &
  player_pid=$!
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --pid "$player_pid" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "measure-load: the player's window did not appear" >&2; cat "$work/$mode.log" >&2; exit 1; }
  sleep 9  # the maker's logo, then the title fades in
  measure "title" "$seconds"
  xdotool mousemove --window "$window" 330 390 click 1  # the start button
  sleep 2
  measure "reading" "$seconds" click
  sleep 4  # the last page finishes revealing
  measure "shown page" "$seconds"
  if [ "$mode" = now ]; then
    xdotool mousemove --window "$window" 400 300 click 3  # the menu
    sleep 1
    measure "menu" "$seconds"
    xdotool key --window "$window" Escape
    sleep 1
    for dialog in "save s" "load l" "settings t"; do
      set -- $dialog
      xdotool key --window "$window" ctrl+$2
      sleep 1
      measure "$1" "$seconds"
      xdotool key --window "$window" Escape
      sleep 1
    done
    xdotool key --window "$window" ctrl+d  # the debugger's window
    sleep 2
    measure "debugger" "$seconds"
  fi
  # SIGTERM would be a close request, which asks the reader first.
  kill -KILL "$player_pid" 2>/dev/null || true
  wait "$player_pid" 2>/dev/null || true
  player_pid=
}

echo "Each state $seconds s; CPU share is the player's own CPU time over the state's wall time."
run now
run baseline VANTEL_PRESENT_EVERY_TICK=1
